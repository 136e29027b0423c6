// PNG: the chunk walk from IHDR to IEND. Every chunk is a 4-byte length, a
// four-letter type, the data and a CRC.
#include "engine/walker.h"

namespace orvane::engine {
namespace {

bool isChunkType(ByteView bytes, std::size_t at) {
  for (std::size_t i = 0; i < 4; ++i) {
    const std::uint8_t c = bytes.u8(at + i);
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

class PngEnd final : public Walker {
 public:
  PngEnd() : Walker("png", 8) {}

 private:
  Step at(ByteView bytes) override {
    if (cursor() == 0) return advance(8, 8);  // the signature
    const std::uint32_t dataLength = bytes.u32be(0);
    if (dataLength > 0x7FFFFFFFu || !isChunkType(bytes, 4)) return notOne();
    if (bytes.matches(4, "IEND")) return endsAfter(12u + std::uint64_t{dataLength});
    return advance(12u + std::uint64_t{dataLength}, 8);
  }
};

std::unique_ptr<EndFinder> testPng(ByteView head) {
  if (head.u32be(8) != 13 || !head.matches(12, "IHDR")) return nullptr;
  return std::make_unique<PngEnd>();
}

constexpr Signature kSignatures[] = {{0, std::string_view("\x89PNG\r\n\x1A\n", 8)}};

}  // namespace

extern const Format kPngFormat;
constexpr Format kPngFormat{"png", "PNG picture", kSignatures, testPng};

}  // namespace orvane::engine
