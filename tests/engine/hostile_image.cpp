#include "hostile_image.h"

#include <cstring>
#include <random>

#include "engine/formats/registry.h"

namespace orvane::engine::testing {

namespace {

constexpr std::size_t kSector = 512;

// A version 3 compound file header claiming more FAT sectors than the
// header lists, whose first DIFAT sector is sector 0, the next sector of the
// image: another such header, whose last word (the next DIFAT sector) is 0
// again.
void ole2DifatLoop(Bytes& sector) {
  std::memset(sector.data(), 0, kSector);
  putLe(sector, 24, 0x3E, 2);
  putLe(sector, 26, 3, 2);
  putLe(sector, 28, 0xFFFE, 2);
  putLe(sector, 30, 9, 2);
  putLe(sector, 32, 6, 2);
  putLe(sector, 44, 0x10000, 4);  // FAT sectors
  putLe(sector, 48, 1, 4);        // first directory sector
  putLe(sector, 68, 0, 4);        // first DIFAT sector
  putLe(sector, 72, 1, 4);        // DIFAT sectors
}

// "II*\0", an IFD at 8 of 40 strip-offset arrays that each span the first
// 200000 bytes, and the IFD itself as the next one.
void tiffIfdLoop(Bytes& sector) {
  std::memset(sector.data(), 0, kSector);
  putLe(sector, 4, 8, 4);
  putLe(sector, 8, 40, 2);
  for (std::size_t entry = 0; entry < 40; ++entry) {
    const std::size_t at = 10 + 12 * entry;
    putLe(sector, at, entry % 2 == 0 ? 273 : 279, 2);
    putLe(sector, at + 2, 4, 2);
    putLe(sector, at + 4, 50000, 4);
    putLe(sector, at + 8, static_cast<std::uint32_t>(entry), 4);
  }
  putLe(sector, 10 + 12 * 40, 8, 4);
}

}  // namespace

Bytes hostileSector(const Format& format, const Signature& signature, unsigned filler,
                    std::uint32_t seed) {
  Bytes sector(kSector);
  switch (filler) {
    case 0:
      break;
    case 1:
      std::memset(sector.data(), 0xFF, kSector);
      break;
    case 2: {
      std::mt19937 random(seed);
      for (auto& byte : sector) byte = static_cast<std::byte>(random());
      break;
    }
    case 3:  // little-endian offsets to the next sector
      for (std::size_t at = 0; at < kSector; at += 4) putLe(sector, at, kSector, 4);
      break;
    case 4:  // big-endian offsets to the start
      for (std::size_t at = 0; at < kSector; at += 4) sector[at + 3] = std::byte{8};
      break;
    default:
      if (format.extension == "doc") {
        ole2DifatLoop(sector);
      } else if (format.extension == "tif") {
        tiffIfdLoop(sector);
      } else {
        for (std::size_t at = 0; at < kSector; at += 2) putLe(sector, at, 1, 2);
      }
      break;
  }
  if (signature.offset + signature.bytes.size() <= kSector) {
    std::memcpy(sector.data() + signature.offset, signature.bytes.data(), signature.bytes.size());
  }
  return sector;
}

Bytes hostileImage(std::size_t sectors, const Format* only) {
  struct Kind {
    const Format* format;
    const Signature* signature;
  };
  std::vector<Kind> kinds;
  for (const Format* format : allFormats()) {
    if (only != nullptr && format != only) continue;
    for (const Signature& signature : format->signatures) kinds.push_back({format, &signature});
  }
  Bytes image;
  image.reserve(sectors * kSector);
  for (std::size_t i = 0; i < sectors; ++i) {
    const Kind& kind = kinds[i % kinds.size()];
    const auto filler = static_cast<unsigned>(i / kinds.size() % kHostileFillers);
    const Bytes sector =
        hostileSector(*kind.format, *kind.signature, filler, static_cast<std::uint32_t>(i));
    image.insert(image.end(), sector.begin(), sector.end());
  }
  return image;
}

}  // namespace orvane::engine::testing
