// Card images of hostile sectors, chosen and damaged by the input: each
// sector starts like a file of some format, with fillers that loop back
// into themselves, and input bytes written over it. The whole scanner runs
// over the image; every find must lie inside it, in order.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/formats/registry.h"
#include "engine/scanner.h"
#include "hostile_image.h"
#include "memory_disk.h"

using namespace orvane::engine;
using namespace orvane::engine::testing;

namespace {

struct Kind {
  const Format* format;
  const Signature* signature;
};

const std::vector<Kind>& kinds() {
  static const std::vector<Kind> all = [] {
    std::vector<Kind> list;
    for (const Format* format : allFormats()) {
      for (const Signature& signature : format->signatures) list.push_back({format, &signature});
    }
    return list;
  }();
  return all;
}

}  // namespace

// Input: per sector, one byte picking the kind, one the filler and one a
// count of following (offset, byte) pairs written over the sector.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kMostSectors = 64;
  Bytes image;
  std::size_t at = 0;
  for (std::size_t sector = 0; sector < kMostSectors && at + 3 <= size; ++sector) {
    const Kind& kind = kinds()[data[at] % kinds().size()];
    Bytes bytes =
        hostileSector(*kind.format, *kind.signature, data[at + 1] % kHostileFillers, data[at + 2]);
    const std::size_t edits = data[at + 2] % 16;
    at += 3;
    for (std::size_t e = 0; e < edits && at + 3 <= size; ++e, at += 3) {
      const std::size_t offset = (std::size_t{data[at]} << 8 | data[at + 1]) % bytes.size();
      bytes[offset] = static_cast<std::byte>(data[at + 2]);
    }
    image.insert(image.end(), bytes.begin(), bytes.end());
  }
  if (image.empty()) return 0;

  const MemoryDisk disk(image.data(), image.size());
  if (disk.fd() < 0) return 0;
  std::uint64_t covered = 0;
  std::atomic<bool> stop{false};
  Scanner scanner(allFormats());
  scanner.setReadBytes(4096 + 512 * (data[0] % 8));
  scanner.scan(
      disk.fd(), 0, image.size(),
      [&](const FoundFile& found) {
        if (found.start < covered || found.start + found.length > image.size()) __builtin_trap();
        covered = found.start + found.length;
      },
      [](std::uint64_t, std::uint64_t) {}, stop);
  return 0;
}
