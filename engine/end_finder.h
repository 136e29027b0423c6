#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "engine/byte_view.h"

namespace orvane::engine {

// What an end finder says after a block of data.
struct Verdict {
  enum class Kind { goOn, endsHere, notOne };
  Kind kind = Kind::goOn;
  std::uint64_t length = 0;  // file length from its first byte, for endsHere

  static Verdict goOn() { return {}; }
  static Verdict endsAt(std::uint64_t fileLength) { return {Kind::endsHere, fileLength}; }
  static Verdict notOne() { return {Kind::notOne, 0}; }
};

// Follows one file's own structure to find where it ends. It is fed the
// file's bytes in order, from its first byte, block by block of any size; it
// never sees a byte twice. After endsHere or notOne it is fed nothing more.
// An endsHere length may lie past the bytes fed so far (a size field that
// says where the file ends): the scanner then skips to it.
class EndFinder {
 public:
  virtual ~EndFinder() = default;
  virtual Verdict feed(ByteView block) = 0;
  // No more data comes (end of the device, or the file grew past what a
  // record can describe). The default keeps what was fed: a file cut off by
  // the end of a card is still worth recovering.
  virtual Verdict finish(std::uint64_t fedLength) { return Verdict::endsAt(fedLength); }
  // The furthest length, at or before `fileOffset`, at which the file may
  // well be complete although the finder still looks for more (a PDF after
  // its "%%EOF"): if another file begins on a sector there, this file ends
  // at that length. None while the file cannot end yet.
  virtual std::optional<std::uint64_t> tentativeEndBefore(std::uint64_t /*fileOffset*/) const {
    return std::nullopt;
  }
  // The extension to propose; the walk may refine it (ZIP into DOCX).
  virtual std::string_view extension() const = 0;
};

// A byte sequence that starts files of a format, at an offset from the
// sector start.
struct Signature {
  std::uint32_t offset;
  std::string_view bytes;
};

// The header test: given the bytes from a sector start on (at least 4 KiB
// unless the device ends sooner), answers an end finder for the file that
// begins there, or none.
using HeaderTest = std::unique_ptr<EndFinder> (*)(ByteView head);

struct Format {
  std::string_view extension;
  std::string_view description;
  std::span<const Signature> signatures;
  HeaderTest test;
};

// How many bytes from a sector start a header test is handed at least.
inline constexpr std::size_t kHeaderBytes = 4096;

}  // namespace orvane::engine
