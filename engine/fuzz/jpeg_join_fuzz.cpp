// Arbitrary bytes as a disk on which a JPEG was found at the start: the
// search for its second piece, with small limits, over whatever follows.
#include <cstddef>
#include <cstdint>

#include "engine/jpeg_join.h"
#include "memory_disk.h"

using namespace orvane::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // The first byte picks the cluster size, the second how long the first
  // piece was found to be; the rest is the disk.
  JoinLimits limits;
  limits.clusterBytes = std::uint64_t{64} << (data[0] % 4);
  limits.searchBytes = 64u << 10;
  limits.longestRest = 64u << 10;
  limits.decodes = 8;
  limits.time = std::chrono::milliseconds(200);
  const std::uint8_t* disk = data + 2;
  const std::size_t length = size - 2;
  const std::uint64_t firstPiece = std::min<std::uint64_t>(length, limits.clusterBytes * data[1]);
  const MemoryDisk memory(disk, length);
  if (memory.fd() < 0) return 0;
  // a file starts where a cluster starts like a JPEG, and runs one cluster
  const FileAt fileAt = [&](std::uint64_t offset) -> std::optional<std::uint64_t> {
    if (offset + 3 > length || disk[offset] != 0xFF || disk[offset + 1] != 0xD8) {
      return std::nullopt;
    }
    return limits.clusterBytes;
  };
  (void)joinJpegFragments(memory.fd(), 0, firstPiece, length, limits, fileAt);
  return 0;
}
