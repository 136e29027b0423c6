#include "rawscan/volume_names.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <nlohmann/json.hpp>

#include "rawscan/child_process.h"

namespace orvane {

namespace {

// A listing is a few lines per partition; anything near this is not lsblk.
constexpr std::size_t kLongestListing = 1u << 20;
// lsblk reads sysfs and udev's database; it answers in milliseconds unless
// a device hangs, and a hung device must not hang the chooser with it.
constexpr std::chrono::seconds kListerTimeout{10};

std::string_view baseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string labelOf(const nlohmann::json& device) {
  const auto label = device.find("label");
  if (label == device.end() || !label->is_string()) return {};
  return label->get<std::string>();
}

}  // namespace

std::optional<std::int32_t> partitionNumberOfName(std::string_view partitionName,
                                                  std::string_view diskName) {
  if (!partitionName.starts_with(diskName)) return std::nullopt;
  std::string_view rest = partitionName.substr(diskName.size());
  // the kernel puts a "p" between a disk name that ends in a digit and the
  // partition number: mmcblk0p1, nvme0n1p2, loop0p1
  if (rest.starts_with('p')) rest.remove_prefix(1);
  if (rest.empty()) return std::nullopt;
  std::int32_t number = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
  if (error != std::errc() || end != rest.data() + rest.size() || number < 1) return std::nullopt;
  return number;
}

VolumeNames parseLsblkVolumeNames(std::string_view lsblkJson, std::string_view deviceName) {
  VolumeNames names;
  const nlohmann::json listing = nlohmann::json::parse(lsblkJson, nullptr, false);
  if (listing.is_discarded() || !listing.is_object()) return names;
  const auto devices = listing.find("blockdevices");
  if (devices == listing.end() || !devices->is_array() || devices->empty()) return names;

  // lsblk was asked about one disk; take it by name when it says so
  const std::string_view wanted = baseName(deviceName);
  const nlohmann::json* disk = &devices->front();
  for (const nlohmann::json& device : *devices) {
    const auto name = device.find("name");
    if (name != device.end() && name->is_string() && baseName(name->get<std::string>()) == wanted) {
      disk = &device;
      break;
    }
  }
  if (!disk->is_object()) return names;
  const auto diskName = disk->find("name");
  if (diskName == disk->end() || !diskName->is_string()) return names;
  const std::string diskBase(baseName(diskName->get<std::string>()));
  names[0] = labelOf(*disk);

  const auto children = disk->find("children");
  if (children == disk->end() || !children->is_array()) return names;
  for (const nlohmann::json& child : *children) {
    if (!child.is_object()) continue;
    const auto childName = child.find("name");
    if (childName == child.end() || !childName->is_string()) continue;
    const auto number = partitionNumberOfName(baseName(childName->get<std::string>()), diskBase);
    if (number) names[*number] = labelOf(child);
  }
  return names;
}

std::optional<std::string> runVolumeLister(const std::string& deviceName) {
  struct stat info {};
  if (::stat(deviceName.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;
  for (const char* lister : {"/usr/bin/lsblk", "/bin/lsblk"}) {
    if (::access(lister, X_OK) != 0) continue;
    return runProgramOutput({lister, "-J", "-o", "NAME,LABEL", deviceName}, kLongestListing,
                            kListerTimeout);
  }
  return std::nullopt;
}

}  // namespace orvane
