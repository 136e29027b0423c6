// RAR, both generations. Version 4 ("Rar!\x1A\x07\x00") is a chain of
// blocks: a 7-byte base header (CRC, type, flags, size), the rest of the
// header, then the data the header counts. Version 5 ("Rar!\x1A\x07\x01\x00")
// is a chain of headers sized by variable-length integers, each guarded by a
// CRC32, with a data area after it when its flags say so. Both end with an
// end-of-archive header; an archive without one (old writers, or a cut) ends
// after its last header that checks out. Headers that are encrypted (an
// archive locked with its file names) cannot be followed: such an archive
// runs to the first empty sector or the next file found.
#include <zlib.h>

#include <algorithm>
#include <optional>

#include "engine/walker.h"

namespace orvane::engine {
namespace {

using std::string_view_literals::operator""sv;
// The markers hold a zero byte: they must not end at it.
constexpr std::string_view kMarker4 = "Rar!\x1A\x07\x00"sv;
constexpr std::string_view kMarker5 = "Rar!\x1A\x07\x01\x00"sv;
constexpr std::size_t kBaseHeader = 7;  // also the smallest version 5 header
// Larger data sizes are taken for damage (the scanner cuts files at 4 GiB).
constexpr std::uint64_t kMaxData = 1ull << 48;
// Version 5 headers are at most 2 MiB; the walker looks at 1 MiB at most.
constexpr std::uint64_t kMaxHeader5 = 1u << 20;
constexpr std::uint64_t kSectorBytes = 512;

std::uint32_t crc32Of(ByteView bytes, std::size_t from, std::size_t to) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + from), static_cast<uInt>(to - from)));
}

// A version 5 integer: 7 bits a byte, low first, the top bit says more come.
std::optional<std::uint64_t> vint(ByteView bytes, std::size_t& at) {
  std::uint64_t value = 0;
  for (unsigned shift = 0; shift < 64 && bytes.has(at, 1); shift += 7) {
    const std::uint8_t byte = bytes.u8(at++);
    value |= std::uint64_t{byte & 0x7Fu} << shift;
    if ((byte & 0x80) == 0) return value;
  }
  return std::nullopt;
}

struct Header {
  std::uint64_t headerBytes;
  std::uint64_t dataBytes;
  std::uint64_t type;
  bool encryptsWhatFollows;
};

// A version 4 block at the start of `bytes`, or none when it does not check
// out; `want` is set instead when its header lies partly beyond `bytes`.
std::optional<Header> block4(ByteView bytes, std::size_t& want) {
  const std::uint8_t type = bytes.u8(2);
  const std::uint16_t flags = bytes.u16le(3);
  const std::uint16_t headSize = bytes.u16le(5);
  if (type < 0x73 || type > 0x7B || headSize < kBaseHeader) return std::nullopt;
  if (bytes.size() < headSize) {
    want = headSize;
    return std::nullopt;
  }
  // The CRC32 of the header after its CRC field, low half. Old authenticity
  // and signature blocks do not keep it.
  if (type != 0x76 && type != 0x79 && (crc32Of(bytes, 2, headSize) & 0xFFFF) != bytes.u16le(0))
    return std::nullopt;
  Header header{headSize, 0, type, false};
  if (type == 0x74 || type == 0x7A) {  // file or service: packed size, high half when large
    if (headSize < 32 || ((flags & 0x0100) != 0 && headSize < 36)) return std::nullopt;
    header.dataBytes = bytes.u32le(7);
    if ((flags & 0x0100) != 0) header.dataBytes |= std::uint64_t{bytes.u32le(32)} << 32;
  } else if ((flags & 0x8000) != 0) {  // any other block with data: its size follows the base
    if (headSize < kBaseHeader + 4) return std::nullopt;
    header.dataBytes = bytes.u32le(7);
  }
  header.encryptsWhatFollows = type == 0x73 && (flags & 0x0080) != 0;
  return header;
}

std::optional<Header> block5(ByteView bytes, std::size_t& want) {
  std::size_t at = 4;
  const auto size = vint(bytes.first(kBaseHeader), at);
  if (!size || *size < 2 || *size > kMaxHeader5 - at) return std::nullopt;
  const auto headerBytes = static_cast<std::size_t>(at + *size);
  if (bytes.size() < headerBytes) {
    want = headerBytes;
    return std::nullopt;
  }
  if (crc32Of(bytes, 4, headerBytes) != bytes.u32le(0)) return std::nullopt;
  const ByteView header = bytes.first(headerBytes);
  const auto type = vint(header, at);
  const auto flags = vint(header, at);
  if (!type || !flags || *type < 1 || *type > 5) return std::nullopt;
  if ((*flags & 0x0001) != 0 && !vint(header, at)) return std::nullopt;  // extra area size
  std::optional<std::uint64_t> dataBytes = 0;
  if ((*flags & 0x0002) != 0) dataBytes = vint(header, at);
  if (!dataBytes) return std::nullopt;
  return Header{headerBytes, *dataBytes, *type, *type == 4};
}

class RarEnd final : public Walker {
 public:
  explicit RarEnd(bool five) : Walker("rar", kBaseHeader), five_(five) {}

  // Encrypted headers give no sizes: any sector may be where the archive
  // stopped.
  std::optional<std::uint64_t> tentativeEndBefore(std::uint64_t fileOffset) const override {
    if (!encrypted_) return std::nullopt;
    return fileOffset;
  }

 private:
  Step at(ByteView bytes) override {
    if (cursor() == 0) return advance(five_ ? kMarker5.size() : kMarker4.size(), kBaseHeader);
    if (encrypted_) return emptySectorOrOn(bytes);
    std::size_t want = 0;
    const auto header = five_ ? block5(bytes, want) : block4(bytes, want);
    if (want != 0) return advance(0, want);
    // The archive header comes first (after the encryption header in version 5).
    if (!header || header->dataBytes > kMaxData ||
        (headers_ == 0 && header->type != (five_ ? 1u : 0x73u) && !header->encryptsWhatFollows)) {
      return headers_ > 0 ? endsAfter(0) : notOne();
    }
    ++headers_;
    const std::uint64_t length = header->headerBytes + header->dataBytes;
    if (header->type == (five_ ? 5u : 0x7Bu)) return endsAfter(length);
    if (header->encryptsWhatFollows) {
      encrypted_ = true;
      // Look at whole sectors from here on, counted from the file's start.
      const std::uint64_t end = cursor() + length;
      return advance((end + kSectorBytes - 1) / kSectorBytes * kSectorBytes - cursor(),
                     kSectorBytes);
    }
    return advance(length, kBaseHeader);
  }

  // Encrypted data never holds a whole sector of zeros; free space often does.
  Step emptySectorOrOn(ByteView bytes) {
    std::size_t at = 0;
    for (; bytes.has(at, kSectorBytes); at += kSectorBytes) {
      std::size_t zero = 0;
      while (zero < kSectorBytes && bytes.u8(at + zero) == 0) ++zero;
      if (zero == kSectorBytes) return endsAfter(at);
    }
    return advance(at, kSectorBytes);
  }

  bool five_;
  bool encrypted_ = false;
  std::uint64_t headers_ = 0;
};

std::unique_ptr<EndFinder> testRar(ByteView head) {
  const bool five = head.matches(0, kMarker5);
  if (!five && !head.matches(0, kMarker4)) return nullptr;
  // The first header after the marker must check out on its own. A version
  // 4 archive header may hold a long comment that reaches past the head (the
  // walk checks it then); a version 5 one holds no comment and is small, so
  // one that claims more than the 4 KiB head is not believed: checking it
  // would cost up to a megabyte of checksum for every sector that starts
  // with the marker.
  std::size_t want = 0;
  ByteView first = head.from(five ? kMarker5.size() : kMarker4.size());
  if (five) first = first.first(std::min(first.size(), kHeaderBytes));
  const auto header = five ? block5(first, want) : block4(first, want);
  if ((want != 0 && five) || (want == 0 && (!header || (header->type != (five ? 1u : 0x73u) &&
                                                        !header->encryptsWhatFollows)))) {
    return nullptr;
  }
  return std::make_unique<RarEnd>(five);
}

constexpr Signature kSignatures[] = {{0, kMarker4}, {0, kMarker5}};

}  // namespace

extern const Format kRarFormat;
constexpr Format kRarFormat{"rar", "RAR archive", kSignatures, testRar};

}  // namespace orvane::engine
