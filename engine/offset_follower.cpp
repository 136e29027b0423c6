#include "engine/offset_follower.h"

#include <algorithm>

namespace orvane::engine {

void OffsetFollower::request(std::uint64_t offset, std::uint32_t length, std::uint32_t tag) {
  if (length > kMaxRange || ++requests_ > kMaxRanges) {
    fail();
    return;
  }
  if (!asked_.emplace(offset, length).second) return;
  askedBytes_ += length;
  furthestAsked_ = std::max(furthestAsked_, offset + length);
  if (askedBytes_ > kRequestSlack + 2 * furthestAsked_) {
    fail();
    return;
  }
  Range range{offset, length, tag, {}};
  fill(range);
  if (range.bytes.size() == length) {
    ready_.push_back(std::move(range));
  } else if (range.offset + range.bytes.size() < fed_ + block_.size()) {
    onUnreachable(tag, offset);
  } else {
    awaited_.push_back(std::move(range));
  }
}

void OffsetFollower::fill(Range& range) const {
  const auto copyFrom = [&range](const std::byte* data, std::uint64_t start, std::size_t size) {
    const std::uint64_t next = range.offset + range.bytes.size();
    if (next < start || next >= start + size || range.bytes.size() == range.length) return false;
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>(range.length - range.bytes.size(), start + size - next));
    const std::byte* from = data + (next - start);
    range.bytes.insert(range.bytes.end(), from, from + count);
    return true;
  };
  // The sources overlap and follow each other; take from each in turn.
  while (copyFrom(prefix_.data(), 0, prefix_.size()) ||
         copyFrom(recent_.data(), recentStart_, recent_.size()) ||
         copyFrom(block_.data(), fed_, block_.size())) {
  }
}

Verdict OffsetFollower::feed(ByteView block) {
  block_ = block;
  bool moved = true;
  while (moved && !failed_) {
    moved = false;
    for (std::size_t i = 0; i < awaited_.size();) {
      fill(awaited_[i]);
      if (awaited_[i].bytes.size() == awaited_[i].length) {
        ready_.push_back(std::move(awaited_[i]));
        awaited_.erase(awaited_.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        ++i;
      }
    }
    while (!ready_.empty() && !failed_) {
      Range range = std::move(ready_.back());
      ready_.pop_back();
      onRange(range.tag, range.offset, ByteView(std::span<const std::byte>(range.bytes)));
      moved = true;
    }
  }
  Verdict verdict = Verdict::goOn();
  if (failed_) {
    verdict = Verdict::notOne();
  } else if (awaited_.empty()) {
    verdict = extent_ > 0 ? Verdict::endsAt(extent_) : Verdict::notOne();
  }
  // Bytes are kept only for a file that goes on: one settled within its
  // first block (most candidates) costs no copy of it.
  if (verdict.kind == Verdict::Kind::goOn) keep(block);
  fed_ += block.size();
  block_ = ByteView();
  recentStart_ = fed_ - recent_.size();
  return verdict;
}

void OffsetFollower::keep(ByteView block) {
  // every earlier block was kept, so the prefix holds the file's first bytes
  if (prefix_.size() < kKeptPrefix) {
    const std::size_t kept = std::min(kKeptPrefix - prefix_.size(), block.size());
    prefix_.insert(prefix_.end(), block.data(), block.data() + kept);
  }
  if (block.size() >= kKeptRecent) {
    recent_.assign(block.data() + block.size() - kKeptRecent, block.data() + block.size());
  } else {
    recent_.insert(recent_.end(), block.data(), block.data() + block.size());
    if (recent_.size() > 2 * kKeptRecent) {
      recent_.erase(recent_.begin(), recent_.end() - static_cast<std::ptrdiff_t>(kKeptRecent));
    }
  }
}

Verdict OffsetFollower::finish(std::uint64_t fedLength) {
  if (failed_) return Verdict::notOne();
  return Verdict::endsAt(std::min(std::max(extent_, fedLength), fedLength));
}

}  // namespace orvane::engine
