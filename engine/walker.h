#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/end_finder.h"

namespace orvane::engine {

// Most formats are a chain of structures whose headers say how long they
// are. A Walker lets a format look at the bytes at a cursor (at least as
// many as it asked for, more when they happen to be there) and say how far
// to move on; it carries a header that straddles two blocks and skips over
// bodies without looking at them, so the format never handles block edges.
class Walker : public EndFinder {
 public:
  Verdict feed(ByteView block) final;
  std::string_view extension() const override { return extension_; }

 protected:
  struct Step {
    enum class Kind { advance, ends, notOne };
    Kind kind;
    std::uint64_t count;  // bytes to move on, or the length from the cursor to the end
    std::size_t need;     // bytes wanted at the new cursor
  };
  // Move the cursor on by `count` bytes and look there again with at least
  // `need` bytes. `advance(0, more)` asks for more bytes at the same place.
  static Step advance(std::uint64_t count, std::size_t need) {
    return {Step::Kind::advance, count, need};
  }
  // The file ends `count` bytes after the cursor (possibly past what is fed).
  static Step endsAfter(std::uint64_t count) { return {Step::Kind::ends, count, 0}; }
  static Step notOne() { return {Step::Kind::notOne, 0, 0}; }

  Walker(std::string_view extension, std::size_t firstNeed)
      : extension_(extension), need_(firstNeed) {}

  // The bytes at the cursor: `bytes.size()` is at least the need asked for.
  virtual Step at(ByteView bytes) = 0;
  // File offset of the first byte handed to at().
  std::uint64_t cursor() const { return cursor_; }

  std::string_view extension_;

 private:
  // Largest header a format may ask to see in one piece.
  static constexpr std::size_t kMaxNeed = 1 << 20;
  static constexpr int kMaxStandStill = 8;

  // Applies a step; answers a final verdict, or none to carry on.
  bool apply(const Step& step, std::uint64_t available, Verdict& verdict);

  std::size_t need_;
  int standStill_ = 0;
  std::uint64_t cursor_ = 0;        // file offset of the next byte not yet passed
  std::uint64_t skip_ = 0;          // bytes still to pass without looking
  std::vector<std::byte> pending_;  // a header gathered across blocks
};

}  // namespace orvane::engine
