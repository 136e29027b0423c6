#include "rawscan/block_devices.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace orvane {

namespace fs = std::filesystem;

namespace {

// Mapped volumes stack a few layers at most (crypt over LVM over RAID); the
// bound keeps a looped sysfs from looping us.
constexpr int kDeepestStack = 8;

std::optional<dev_t> readDeviceNumber(const fs::path& devFile) {
  std::ifstream in(devFile);
  unsigned majorNumber = 0;
  unsigned minorNumber = 0;
  char colon = 0;
  if (!(in >> majorNumber >> colon >> minorNumber) || colon != ':') return std::nullopt;
  return makedev(majorNumber, minorNumber);
}

void collectWholeDisks(const fs::path& sysfsDevice, int depth, std::set<dev_t>& disks) {
  if (depth > kDeepestStack) return;
  std::error_code error;
  fs::path node = sysfsDevice;
  // a partition's folder sits inside its disk's folder
  if (fs::exists(node / "partition", error)) node = node.parent_path();
  bool below = false;
  for (const auto& slave : fs::directory_iterator(node / "slaves", error)) {
    const fs::path target = fs::canonical(slave.path(), error);
    if (error) continue;
    below = true;
    collectWholeDisks(target, depth + 1, disks);
  }
  if (!below) {
    if (const auto number = readDeviceNumber(node / "dev")) disks.insert(*number);
  }
}

bool isBlockDevice(const std::string& path, dev_t& device) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return false;
  device = info.st_rdev;
  return true;
}

// The source of the mount that holds `path`, when it is a block device.
std::optional<dev_t> mountSourceOf(const fs::path& path) {
  std::ifstream mounts("/proc/self/mountinfo");
  std::string line;
  std::size_t longestMatch = 0;
  std::optional<dev_t> source;
  const std::string wanted = path.string();
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string id, parent, majorMinor, root, mountPoint;
    if (!(fields >> id >> parent >> majorMinor >> root >> mountPoint)) continue;
    const bool holds =
        mountPoint == "/" || wanted == mountPoint || wanted.starts_with(mountPoint + "/");
    if (!holds || mountPoint.size() < longestMatch) continue;
    std::string field;
    while (fields >> field && field != "-") {
    }
    std::string type, device;
    if (!(fields >> type >> device)) continue;
    longestMatch = mountPoint.size();
    dev_t number = 0;
    source = isBlockDevice(device, number) ? std::optional<dev_t>(number) : std::nullopt;
  }
  return source;
}

// The nearest folder of `path` that exists: the export folder itself is
// made later.
fs::path nearestExisting(fs::path path) {
  std::error_code error;
  path = fs::absolute(path, error).lexically_normal();
  while (!path.empty() && !fs::exists(path, error)) {
    if (path == path.parent_path()) break;
    path = path.parent_path();
  }
  return path;
}

}  // namespace

std::set<dev_t> wholeDisksUnder(dev_t device) {
  std::set<dev_t> disks;
  std::error_code error;
  const fs::path link =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  const fs::path sysfsDevice = fs::canonical(link, error);
  if (!error) collectWholeDisks(sysfsDevice, 0, disks);
  return disks;
}

std::optional<dev_t> storageDeviceOf(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  // devices with major 0 are anonymous: the file system has no block
  // device of its own, its mount names the one it came from
  if (major(info.st_dev) != 0) return info.st_dev;
  std::error_code error;
  return mountSourceOf(fs::canonical(path, error));
}

bool storedOnDiskOf(const fs::path& path, const std::string& deviceName) {
  dev_t scanned = 0;
  if (!isBlockDevice(deviceName, scanned)) return false;
  const auto storage = storageDeviceOf(nearestExisting(path));
  if (!storage) return false;
  const std::set<dev_t> scannedDisks = wholeDisksUnder(scanned);
  for (const dev_t disk : wholeDisksUnder(*storage)) {
    if (scannedDisks.contains(disk)) return true;
  }
  // a device sysfs does not know (seen in some containers): same number
  return *storage == scanned;
}

bool holdsRootFileSystem(const std::string& deviceName) { return storedOnDiskOf("/", deviceName); }

}  // namespace orvane
