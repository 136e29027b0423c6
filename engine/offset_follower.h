#pragma once

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "engine/end_finder.h"

namespace orvane::engine {

// For formats whose structures point at each other by offset (TIFF IFDs,
// OLE2 sectors): the format asks to see byte ranges of the file, and each is
// handed over once the stream has passed it. Nothing is read back: the
// first bytes of the file are kept, so pointers into the start can be
// followed; a range elsewhere behind the stream is reported unreachable.
// The file ends at the furthest extent the format declared, once no range
// is awaited.
class OffsetFollower : public EndFinder {
 public:
  Verdict feed(ByteView block) final;
  Verdict finish(std::uint64_t fedLength) override;

 protected:
  // How much of the file's start is kept for pointers that go back.
  static constexpr std::size_t kKeptPrefix = 256u << 10;
  // A range longer than this is not believed.
  static constexpr std::uint32_t kMaxRange = 8u << 20;
  // Nor more ranges than this for one file.
  static constexpr std::size_t kMaxRanges = 1u << 16;
  // The bytes of all ranges together may exceed twice the furthest range
  // end by this much; a file whose structures name the same bytes over and
  // over (a chain that loops, tables that all point at the start) is not
  // one, and following it would cost far more than the bytes it covers.
  static constexpr std::uint64_t kRequestSlack = 1u << 20;

  // A range asked for before (the same offset and length) is not handed
  // over again: its bytes say nothing new, and a chain that returns to it
  // ends there.
  void request(std::uint64_t offset, std::uint32_t length, std::uint32_t tag);
  void extendTo(std::uint64_t end) {
    if (end > extent_) extent_ = end;
  }
  void fail() { failed_ = true; }
  std::uint64_t extent() const { return extent_; }

  virtual void onRange(std::uint32_t tag, std::uint64_t offset, ByteView bytes) = 0;
  // The default keeps going: what lies behind is within the extent already.
  virtual void onUnreachable(std::uint32_t /*tag*/, std::uint64_t /*offset*/) {}

 private:
  struct Range {
    std::uint64_t offset;
    std::uint32_t length;
    std::uint32_t tag;
    std::vector<std::byte> bytes;
  };
  // Copies into the range what the kept bytes and the current block hold.
  void fill(Range& range) const;
  // Keeps the file's first bytes and the end of `block` for later ranges.
  void keep(ByteView block);

  // How much of the stream just before the current block is kept, for
  // ranges that start a little behind (an IFD after its entry count).
  static constexpr std::size_t kKeptRecent = 64u << 10;

  std::vector<std::byte> prefix_;
  std::vector<std::byte> recent_;
  std::uint64_t recentStart_ = 0;
  ByteView block_;
  std::vector<Range> awaited_;
  std::vector<Range> ready_;
  std::size_t requests_ = 0;
  std::set<std::pair<std::uint64_t, std::uint32_t>> asked_;
  std::uint64_t askedBytes_ = 0;
  std::uint64_t furthestAsked_ = 0;
  std::uint64_t fed_ = 0;
  std::uint64_t extent_ = 0;
  bool failed_ = false;
};

}  // namespace orvane::engine
