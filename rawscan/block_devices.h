#pragma once

// Which physical disks a block device or a file system lives on, read from
// sysfs, so that nothing is written to a disk being rescued and the
// system's own disk is told apart from a card.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace orvane {

// The whole disks under a block device: the disk itself, the disk of a
// partition, the disks below a mapped volume (LVM, dm-crypt, RAID).
std::set<dev_t> wholeDisksUnder(dev_t device);

// The block device a file or folder is stored on: its file system's device,
// or, for file systems without one of their own (btrfs subvolumes), the
// device its mount was made from. None for memory and network file systems.
std::optional<dev_t> storageDeviceOf(const std::filesystem::path& path);

// True when the block device `deviceName` shares a physical disk with the
// file system that holds `path` (or its nearest existing parent folder).
bool storedOnDiskOf(const std::filesystem::path& path, const std::string& deviceName);

// True when `deviceName` is a disk holding the running system's root "/".
bool holdsRootFileSystem(const std::string& deviceName);

}  // namespace orvane
