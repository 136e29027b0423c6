// RIFF: AVI, WAV and WebP are one RIFF chunk whose size covers the file. An
// AVI over 1 GiB goes on in further "RIFF....AVIX" chunks right after it.
#include "engine/walker.h"

namespace orvane::engine {
namespace {

class RiffEnd final : public Walker {
 public:
  explicit RiffEnd(std::string_view extension) : Walker(extension, 12) {}

 private:
  Step at(ByteView bytes) override {
    const std::uint64_t chunkBytes = 8 + std::uint64_t{bytes.u32le(4)};
    if (cursor() == 0) return extension_ == "avi" ? advance(chunkBytes, 12) : endsAfter(chunkBytes);
    if (bytes.matches(0, "RIFF") && bytes.matches(8, "AVIX")) return advance(chunkBytes, 12);
    return endsAfter(0);
  }
};

std::unique_ptr<EndFinder> testRiff(ByteView head) {
  if (head.u32le(4) < 4) return nullptr;
  if (head.matches(8, "AVI ")) return std::make_unique<RiffEnd>("avi");
  if (head.matches(8, "WAVE")) return std::make_unique<RiffEnd>("wav");
  if (head.matches(8, "WEBP")) return std::make_unique<RiffEnd>("webp");
  return nullptr;
}

constexpr Signature kSignatures[] = {{0, "RIFF"}};

}  // namespace

extern const Format kRiffFormat;
constexpr Format kRiffFormat{"avi", "RIFF video, sound or picture", kSignatures, testRiff};

}  // namespace orvane::engine
