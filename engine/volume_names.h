#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvane::engine {

// A file named by a surviving directory entry (live or deleted) of a FAT or
// exFAT volume: its path from the volume's root and where its data starts.
struct NamedFile {
  std::string path;  // "DCIM/100CANON/IMG_0001.JPG"
  std::uint64_t size = 0;
  bool deleted = false;
};

// The directory entries of the FAT12/16/32 and exFAT volumes on a device,
// looked up by where a found file starts. Reading is bounded: cluster chains
// and folders that loop are cut (with one log line each), and so are
// folders deeper or larger than any card holds.
class VolumeNames {
 public:
  using Log = std::function<void(const std::string&)>;

  // Reads the volume whose boot sector is at `volumeStart`, if it is a FAT
  // or exFAT one (once: a volume added again is kept as read); false
  // otherwise.
  bool addVolume(int fd, std::uint64_t volumeStart, std::uint64_t deviceSize, const Log& log);

  // The entry whose first cluster starts at `deviceOffset` and whose size
  // ends in the same cluster as `foundLength` (the carved file agrees with
  // it); none otherwise. A deleted FAT32 entry lost the high half of its
  // cluster number, so its low half is matched.
  const NamedFile* find(std::uint64_t deviceOffset, std::uint64_t foundLength) const;

  bool empty() const { return volumes_.empty(); }
  // Whether `deviceOffset` lies in a volume already read, from its boot
  // sector to its last cluster (where its backup boot sector lies too).
  bool holds(std::uint64_t deviceOffset) const;
  // The cluster size of the volume whose data area holds `deviceOffset`;
  // none outside every volume read.
  std::optional<std::uint64_t> clusterBytesAt(std::uint64_t deviceOffset) const;

  // Largest number of entries and folders read from one volume.
  static constexpr std::size_t kMaxEntries = 1u << 20;
  static constexpr std::size_t kMaxFolders = 1u << 16;
  static constexpr int kMaxDepth = 32;
  // Volumes read at most: a disk holds a handful, and an image with a boot
  // sector in every sector must not make the names outgrow memory.
  static constexpr std::size_t kMaxVolumes = 64;

 private:
  struct Volume {
    std::uint64_t start = 0;      // device offset of the boot sector
    std::uint64_t heapStart = 0;  // device offset of cluster 2
    std::uint64_t clusterBytes = 0;
    std::uint64_t clusterCount = 0;
    bool fat32 = false;
    // by full cluster number; deleted FAT32 entries by their low 16 bits
    std::unordered_multimap<std::uint32_t, NamedFile> byCluster;
    std::unordered_multimap<std::uint32_t, NamedFile> deletedByLowBits;
  };
  std::vector<Volume> volumes_;
  bool saidTooMany_ = false;

  friend class VolumeReader;
};

// UTF-16LE code units to UTF-8; unpaired surrogates become U+FFFD.
std::string utf8OfUtf16(const std::vector<std::uint16_t>& units);

}  // namespace orvane::engine
