#include "engine/walker.h"

#include <algorithm>

namespace orvane::engine {

bool Walker::apply(const Step& step, std::uint64_t available, Verdict& verdict) {
  switch (step.kind) {
    case Step::Kind::notOne:
      verdict = Verdict::notOne();
      return true;
    case Step::Kind::ends:
      verdict = Verdict::endsAt(cursor_ + step.count);
      return true;
    case Step::Kind::advance:
      // Standing still is a change of state at the same place (a JPEG
      // scan meeting its marker); doing it again and again would loop for
      // ever. A format that asks for more than a header may hold is not
      // believed either.
      standStill_ = step.count == 0 && step.need <= available ? standStill_ + 1 : 0;
      if (standStill_ > kMaxStandStill || step.need > kMaxNeed) {
        verdict = Verdict::notOne();
        return true;
      }
      skip_ = step.count;
      need_ = std::max<std::size_t>(step.need, 1);
      return false;
  }
  return false;
}

Verdict Walker::feed(ByteView block) {
  std::size_t index = 0;
  Verdict verdict;
  for (;;) {
    if (pending_.empty()) {
      const std::uint64_t passed = std::min<std::uint64_t>(skip_, block.size() - index);
      skip_ -= passed;
      index += static_cast<std::size_t>(passed);
      cursor_ += passed;
      if (skip_ > 0 || index == block.size()) return Verdict::goOn();
      const std::size_t available = block.size() - index;
      if (available >= need_) {
        if (apply(at(block.from(index)), available, verdict)) return verdict;
        continue;
      }
    }
    // Gather the wanted header across blocks.
    const std::size_t wanted = need_ > pending_.size() ? need_ - pending_.size() : 0;
    const std::size_t taken = std::min(wanted, block.size() - index);
    pending_.insert(pending_.end(), block.data() + index, block.data() + index + taken);
    index += taken;
    if (pending_.size() < need_) return Verdict::goOn();
    while (!pending_.empty() && pending_.size() >= need_) {
      const std::size_t held = pending_.size();
      if (apply(at(ByteView(std::span<const std::byte>(pending_))), held, verdict)) return verdict;
      if (skip_ >= held) {
        cursor_ += held;
        skip_ -= held;
        pending_.clear();
      } else {
        cursor_ += skip_;
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(skip_));
        skip_ = 0;
      }
    }
  }
}

}  // namespace orvane::engine
