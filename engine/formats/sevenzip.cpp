// 7Z: the start header gives the offset and size of the next header, which
// is the archive's last part; a CRC guards the start header.
#include <zlib.h>

#include "engine/fixed_length.h"

namespace orvane::engine {
namespace {

std::unique_ptr<EndFinder> testSevenZip(ByteView head) {
  if (!head.has(0, 32) || head.u8(6) != 0) return nullptr;
  const auto crc =
      static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(head.data() + 12), 20));
  if (crc != head.u32le(8)) return nullptr;
  const std::uint64_t nextOffset = head.u64le(12);
  const std::uint64_t nextSize = head.u64le(20);
  if (nextOffset > (1ull << 48) || nextSize == 0 || nextSize > (1ull << 32)) return nullptr;
  return std::make_unique<FixedLengthEnd>("7z", 32 + nextOffset + nextSize);
}

constexpr Signature kSignatures[] = {{0, "7z\xBC\xAF\x27\x1C"}};

}  // namespace

extern const Format kSevenZipFormat;
constexpr Format kSevenZipFormat{"7z", "7-Zip archive", kSignatures, testSevenZip};

}  // namespace orvane::engine
