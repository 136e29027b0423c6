#include "engine/devices.h"

#include <blkid.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orvane::engine {
namespace fs = std::filesystem;

namespace {

std::optional<std::uint64_t> readNumber(const fs::path& path) {
  std::ifstream in(path);
  std::uint64_t value = 0;
  if (!(in >> value)) return std::nullopt;
  return value;
}

// Names of block devices that are never a disk to rescue from: memory and
// compressed swap, and volumes mapped over other disks (whose disks are
// listed themselves).
bool isVirtualDevice(const std::string& name) {
  return name.starts_with("ram") || name.starts_with("zram") || name.starts_with("dm-");
}

// The whole disk under /sys/block that the block device MAJ:MIN is, or is a
// partition of; a mapped volume (LVM, dm-crypt) resolves to the disk below it.
std::optional<std::string> diskOfDevice(dev_t device, int depth = 0) {
  std::error_code error;
  const fs::path link =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  const fs::path target = fs::canonical(link, error);
  if (error) return std::nullopt;
  // .../block/sda/sda1 or .../block/sda: the component after "block".
  std::string disk;
  for (auto part = target.begin(); part != target.end(); ++part) {
    if (*part == "block" && std::next(part) != target.end()) {
      disk = std::next(part)->string();
      break;
    }
  }
  if (disk.empty()) return std::nullopt;
  if (isVirtualDevice(disk) && depth < 4) {
    for (const auto& slave : fs::directory_iterator("/sys/block/" + disk + "/slaves", error)) {
      std::ifstream in(slave.path() / "dev");
      unsigned maj = 0;
      unsigned min = 0;
      char colon = 0;
      if (in >> maj >> colon >> min) return diskOfDevice(makedev(maj, min), depth + 1);
    }
    return std::nullopt;
  }
  return disk;
}

// The device the root file system is mounted from, for file systems whose
// st_dev is not a block device of its own (btrfs, overlays over a disk).
std::optional<dev_t> rootSourceDevice() {
  std::ifstream mounts("/proc/self/mountinfo");
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string id, parent, majmin, root, mountPoint;
    if (!(fields >> id >> parent >> majmin >> root >> mountPoint) || mountPoint != "/") continue;
    std::string field;
    while (fields >> field && field != "-") {
    }
    std::string type, source;
    if (!(fields >> type >> source)) continue;
    struct stat info {};
    if (source.starts_with("/dev/") && ::stat(source.c_str(), &info) == 0 &&
        S_ISBLK(info.st_mode)) {
      return info.st_rdev;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> systemDiskName() {
  struct stat root {};
  if (::stat("/", &root) != 0) return std::nullopt;
  std::optional<std::string> disk;
  if (major(root.st_dev) != 0) disk = diskOfDevice(root.st_dev);
  if (!disk) {
    if (const auto source = rootSourceDevice()) disk = diskOfDevice(*source);
  }
  if (!disk) return std::nullopt;
  return "/dev/" + *disk;
}

std::vector<DiskInfo> listSystemDisks() {
  std::vector<DiskInfo> disks;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/sys/block", error)) {
    const std::string name = entry.path().filename().string();
    if (isVirtualDevice(name)) continue;
    // The size file counts 512-byte units whatever the disk's sector size;
    // an empty loop device or card reader slot has size 0.
    const auto sectors = readNumber(entry.path() / "size");
    if (!sectors || *sectors == 0) continue;
    disks.push_back({"/dev/" + name, *sectors * 512});
  }
  std::sort(disks.begin(), disks.end(),
            [](const DiskInfo& a, const DiskInfo& b) { return a.deviceName < b.deviceName; });
  if (const auto system = systemDiskName()) {
    const auto found = std::find_if(disks.begin(), disks.end(), [&](const DiskInfo& disk) {
      return disk.deviceName == *system;
    });
    if (found != disks.end()) std::rotate(disks.begin(), found, found + 1);
  }
  return disks;
}

std::optional<std::uint64_t> deviceSize(int fd) {
  const off_t size = ::lseek(fd, 0, SEEK_END);
  if (size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

namespace {

std::string fileSystemAt(int fd, std::uint64_t offset, std::uint64_t size) {
  blkid_probe probe = blkid_new_probe();
  if (probe == nullptr) return {};
  std::string type;
  if (blkid_probe_set_device(probe, fd, static_cast<blkid_loff_t>(offset),
                             static_cast<blkid_loff_t>(size)) == 0) {
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE);
    blkid_probe_enable_partitions(probe, 0);
    const char* value = nullptr;
    if (blkid_do_safeprobe(probe) == 0 &&
        blkid_probe_lookup_value(probe, "TYPE", &value, nullptr) == 0 && value != nullptr) {
      type = value;
    }
  }
  blkid_free_probe(probe);
  return type;
}

}  // namespace

std::vector<PartitionInfo> listPartitions(const std::string& deviceName) {
  std::vector<PartitionInfo> partitions;
  blkid_probe probe = blkid_new_probe_from_filename(deviceName.c_str());
  if (probe == nullptr) return partitions;
  blkid_probe_enable_partitions(probe, 1);
  if (blkid_partlist list = blkid_probe_get_partitions(probe); list != nullptr) {
    const int count = blkid_partlist_numof_partitions(list);
    for (int i = 0; i < count; ++i) {
      blkid_partition partition = blkid_partlist_get_partition(list, i);
      if (partition == nullptr) continue;
      // libblkid counts partition starts and sizes in 512-byte sectors.
      const blkid_loff_t start = blkid_partition_get_start(partition);
      const blkid_loff_t size = blkid_partition_get_size(partition);
      if (start < 0 || size <= 0) continue;
      partitions.push_back({blkid_partition_get_partno(partition),
                            static_cast<std::uint64_t>(start) * 512,
                            static_cast<std::uint64_t>(size) * 512,
                            {}});
    }
  }
  blkid_free_probe(probe);
  if (partitions.empty()) return partitions;
  const int fd = ::open(deviceName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    for (PartitionInfo& partition : partitions) {
      partition.fileSystem = fileSystemAt(fd, partition.offsetBytes, partition.sizeBytes);
    }
    ::close(fd);
  }
  return partitions;
}

}  // namespace orvane::engine
