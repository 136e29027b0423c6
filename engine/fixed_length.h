#pragma once

#include <string_view>

#include "engine/end_finder.h"

namespace orvane::engine {

// For formats whose header holds the whole file's length (BMP, 7Z): the
// end is known before any data is followed.
class FixedLengthEnd final : public EndFinder {
 public:
  FixedLengthEnd(std::string_view extension, std::uint64_t length)
      : extension_(extension), length_(length) {}
  Verdict feed(ByteView) override { return Verdict::endsAt(length_); }
  std::string_view extension() const override { return extension_; }

 private:
  std::string_view extension_;
  std::uint64_t length_;
};

}  // namespace orvane::engine
