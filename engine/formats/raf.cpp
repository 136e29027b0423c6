// Fujifilm RAF: a header of its own, then a JPEG preview, the CFA header
// and the raw data, whose offsets and lengths (big-endian) the header gives
// from byte 84 on. The file ends at the furthest of them.
#include <algorithm>

#include "engine/fixed_length.h"

namespace orvane::engine {
namespace {

constexpr std::size_t kDirectory = 84;
// No camera writes a RAF file this large.
constexpr std::uint64_t kLargestRaf = 512u << 20;
constexpr std::size_t kParts = 3;  // JPEG, CFA header, CFA data
constexpr std::uint64_t kHeaderEnd = kDirectory + 8 * kParts;

std::unique_ptr<EndFinder> testRaf(ByteView head) {
  if (!head.has(0, kHeaderEnd)) return nullptr;
  std::uint64_t end = 0;
  for (std::size_t part = 0; part < kParts; ++part) {
    const std::uint64_t offset = head.u32be(kDirectory + 8 * part);
    const std::uint64_t length = head.u32be(kDirectory + 8 * part + 4);
    if (length == 0) continue;
    if (offset < kHeaderEnd) return nullptr;
    end = std::max(end, offset + length);
  }
  // The format version is four digits, and the JPEG preview follows the
  // header closely: it starts within the head.
  for (std::size_t at = 16; at < 20; ++at) {
    if (head.u8(at) < '0' || head.u8(at) > '9') return nullptr;
  }
  const std::uint32_t preview = head.u32be(kDirectory);
  if (end == 0 || end > kLargestRaf || !head.matches(preview, "\xFF\xD8")) return nullptr;
  return std::make_unique<FixedLengthEnd>("raf", end);
}

constexpr Signature kSignatures[] = {{0, "FUJIFILMCCD-RAW "}};

}  // namespace

extern const Format kRafFormat;
constexpr Format kRafFormat{"raf", "Fujifilm raw picture", kSignatures, testRaf};

}  // namespace orvane::engine
