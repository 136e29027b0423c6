// BMP: the file header holds the file's size.
#include "engine/fixed_length.h"

namespace orvane::engine {
namespace {

std::unique_ptr<EndFinder> testBmp(ByteView head) {
  const std::uint32_t fileSize = head.u32le(2);
  const std::uint32_t pixelOffset = head.u32le(10);
  const std::uint32_t infoSize = head.u32le(14);
  // The known BITMAPINFOHEADER sizes, from OS/2 1.x to BITMAPV5HEADER.
  const bool knownInfo = infoSize == 12 || infoSize == 40 || infoSize == 52 || infoSize == 56 ||
                         infoSize == 64 || infoSize == 108 || infoSize == 124;
  if (!knownInfo || head.u32le(6) != 0 || pixelOffset < 14 + infoSize || pixelOffset >= fileSize) {
    return nullptr;
  }
  const std::uint16_t planes = infoSize == 12 ? head.u16le(22) : head.u16le(26);
  if (planes != 1) return nullptr;
  return std::make_unique<FixedLengthEnd>("bmp", fileSize);
}

constexpr Signature kSignatures[] = {{0, "BM"}};

}  // namespace

extern const Format kBmpFormat;
constexpr Format kBmpFormat{"bmp", "BMP picture", kSignatures, testBmp};

}  // namespace orvane::engine
