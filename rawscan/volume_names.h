#pragma once

// Volume labels of a disk's partitions, from the system's block-device
// lister (lsblk).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Labels by partition number; 0 stands for the disk itself. A partition
// without a label has an empty text.
using VolumeNames = std::map<std::int32_t, std::string>;

// Reads the output of `lsblk -J -o NAME,LABEL DEVICE` for the disk
// `deviceName` ("/dev/sdb"). Output that is not such a listing gives no
// names.
VolumeNames parseLsblkVolumeNames(std::string_view lsblkJson, std::string_view deviceName);

// The number of a partition from its kernel name and its disk's: "sdb2" of
// "sdb" is 2, "mmcblk0p1" of "mmcblk0" is 1. None for a name that is not a
// numbered partition of that disk.
std::optional<std::int32_t> partitionNumberOfName(std::string_view partitionName,
                                                  std::string_view diskName);

// Runs lsblk on a block device and answers its output; none for a path
// that is not a block device (a disk image) or when lsblk fails.
std::optional<std::string> runVolumeLister(const std::string& deviceName);

}  // namespace orvane
