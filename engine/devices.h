#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::engine {

struct PartitionInfo {
  std::int32_t number = 0;
  std::uint64_t offsetBytes = 0;
  std::uint64_t sizeBytes = 0;
  std::string fileSystem;  // empty when none was recognised
};

struct DiskInfo {
  std::string deviceName;  // "/dev/sda", or the path of an image file
  std::uint64_t sizeBytes = 0;
};

// The whole disks of the machine (/sys/block), the one holding the running
// system first. Loop devices without a backing file, RAM disks, compressed
// swap and device-mapper volumes are not disks of their own and are left out.
std::vector<DiskInfo> listSystemDisks();

// The whole disk holding the root file system ("/dev/vda"), if it is one of
// the block devices of the machine.
std::optional<std::string> systemDiskName();

// The partitions of a disk or disk image, read from its partition table.
std::vector<PartitionInfo> listPartitions(const std::string& deviceName);

// Size in bytes of an open disk or image.
std::optional<std::uint64_t> deviceSize(int fd);

}  // namespace orvane::engine
