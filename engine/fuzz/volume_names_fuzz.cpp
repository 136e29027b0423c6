// Arbitrary bytes as a FAT or exFAT volume: the directory walk and the
// lookups must stay within bounds and end, whatever the tables and folders
// say. The input's first bytes pick the file system's boot sector fields so
// that short inputs reach the folders.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/volume_names.h"
#include "memory_disk.h"

using namespace orvane::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 16) return 0;
  // A boot sector laid over a small volume: 512-byte sectors and clusters,
  // one reserved sector, one table, the root at cluster 2; the input gives
  // the rest, from the table on.
  std::vector<std::uint8_t> volume(512 + size, 0);
  const bool exFat = (data[0] & 1) != 0;
  volume[0] = 0xEB;
  volume[510] = 0x55;
  volume[511] = 0xAA;
  if (exFat) {
    std::memcpy(&volume[3], "EXFAT   ", 8);
    volume[80] = 1;                                                // the table at sector 1
    volume[88] = static_cast<std::uint8_t>(1 + (size / 512) / 2);  // the clusters after it
    volume[92] = static_cast<std::uint8_t>(size / 512 + 2);        // cluster count
    volume[96] = 2;                                                // the root folder
    volume[108] = 9;
    volume[109] = data[1] & 3;
  } else {
    volume[11] = 0;
    volume[12] = 2;  // 512 bytes a sector
    volume[13] = static_cast<std::uint8_t>(1u << (data[1] & 3));
    volume[14] = 1;
    volume[16] = 1;
    volume[17] = data[2];  // root entries of FAT12/16
    volume[19] = static_cast<std::uint8_t>((size / 512 + 2) & 0xFF);
    volume[20] = static_cast<std::uint8_t>((size / 512 + 2) >> 8);
    volume[22] = static_cast<std::uint8_t>(1 + (data[3] & 3));
    volume[44] = 2;
  }
  std::memcpy(volume.data() + 512, data, size);
  const MemoryDisk disk(volume.data(), volume.size());
  if (disk.fd() < 0) return 0;
  VolumeNames names;
  names.addVolume(disk.fd(), 0, volume.size(), [](const std::string&) {});
  for (std::uint64_t at = 0; at < volume.size(); at += 512) {
    (void)names.find(at, data[4] * 512u);
    (void)names.clusterBytesAt(at);
  }
  return 0;
}
