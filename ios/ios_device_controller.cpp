#include "ios/ios_device_controller.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "ios/plist_file.h"

namespace orvane {

namespace {

struct DeviceType {
  std::string_view key;
  std::string_view displayName;
};

// Searched in order: "iPhone5" must come after the "iPhone1,x" keys, and
// the first key held by the product type wins.
constexpr std::array<DeviceType, 14> kDeviceTypes = {{
    {"iPhone1,1", "Iphone"},
    {"iPhone1,2", "Iphone3G"},
    {"iPhone2,1", "Iphone3GS"},
    {"iPhone3,1", "Iphone 4"},
    {"iPhone3,3", "Iphone 4"},
    {"iPhone4,1", "Iphone 4S"},
    {"iPhone5", "Iphone 5"},
    {"iPod1,1", "IpodTouch"},
    {"iPod2,1", "IpodTouch2G"},
    {"iPod3,1", "IpodTouch3G"},
    {"iPod4,1", "IpodTouch4G"},
    {"iPad1,1", "Ipad 1"},
    {"iPad2,1", "Ipad 2"},
    {"iPad3", "NewIpad"},
}};

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool containsIgnoringCase(std::string_view text, std::string_view key) {
  if (key.size() > text.size()) return false;
  for (std::size_t at = 0; at + key.size() <= text.size(); ++at) {
    bool same = true;
    for (std::size_t i = 0; i < key.size() && same; ++i) {
      same = lowerAscii(text[at + i]) == lowerAscii(key[i]);
    }
    if (same) return true;
  }
  return false;
}

std::optional<std::int64_t> modificationTime(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::int64_t>(info.st_mtime);
}

std::string pictureFor(const std::string& type) {
  return (type == "Ipad 1" || type == "Ipad 2" || type == "NewIpad") ? "ipad" : "iphone";
}

std::size_t countEntries(const std::filesystem::path& folder, std::size_t enough) {
  std::error_code error;
  std::size_t count = 0;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (++count >= enough) break;
  }
  return count;
}

}  // namespace

std::string PRIOSDeviceNode::describe() const {
  std::string line;
  for (const std::string* field : {&strDeviceName, &strDeviceType, &strIOSVersion, &strDeviceSerial,
                                   &strDeviceBackUpTime, &backUpFilePath}) {
    if (!line.empty()) line += '\t';
    line += *field;
  }
  return line;
}

void PRIOSDeviceController::removeObject(const std::shared_ptr<PRIOSDeviceNode>& node) {
  nodes_.erase(std::remove(nodes_.begin(), nodes_.end(), node), nodes_.end());
}

std::optional<std::string> PRIOSDeviceController::GetDevcieType(
    std::optional<std::string_view> productType) {
  if (!productType || productType->empty()) return std::string("Iphone");
  for (const DeviceType& type : kDeviceTypes) {
    if (containsIgnoringCase(*productType, type.key)) return std::string(type.displayName);
  }
  return std::nullopt;
}

std::optional<std::string> PRIOSDeviceController::convertCurrentTimeZone2(
    std::string_view utcDateText) {
  std::tm parts{};
  int offset = 0;
  const std::string text(utcDateText);
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d %d", &parts.tm_year, &parts.tm_mon,
                  &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &offset) != 7) {
    return std::nullopt;
  }
  parts.tm_year -= 1900;
  parts.tm_mon -= 1;
  const std::time_t when = ::timegm(&parts);
  std::tm local{};
  if (::localtime_r(&when, &local) == nullptr) return std::nullopt;
  char date[32];
  char hour[8];
  char minute[8];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday);
  std::snprintf(hour, sizeof hour, "%02d", local.tm_hour);
  std::snprintf(minute, sizeof minute, "%02d", local.tm_min);
  return std::string(date) + " " + hour + ":" + minute;
}

SystemVersion PRIOSDeviceController::getSystemVersionMajor() {
  // Only a Mac has this file. Elsewhere the desktop is a current one, which
  // shows backup times in local time as Macs from 10.7 on do.
  const std::filesystem::path macVersion = "/System/Library/CoreServices/SystemVersion.plist";
  std::error_code error;
  if (!std::filesystem::exists(macVersion, error)) return SystemVersion{10, 15, 0};
  SystemVersion version{10, 0, 0};
  const auto plist = PlistFile::read(macVersion);
  const auto text = plist ? plistString(plist->root(), "ProductVersion") : std::nullopt;
  if (!text ||
      std::sscanf(text->c_str(), "%d.%d.%d", &version.major, &version.minor, &version.bugFix) < 2) {
    std::fprintf(stderr, "Unable to obtain system version: %ld\n", -1L);
    return SystemVersion{10, 0, 0};
  }
  return version;
}

std::string PRIOSDeviceController::backUpTimeText(std::int64_t modified,
                                                  const SystemVersion& system) {
  const auto when = static_cast<std::time_t>(modified);
  std::tm utc{};
  if (::gmtime_r(&when, &utc) == nullptr) return std::string();
  char written[64];
  std::snprintf(written, sizeof written, "%04d-%02d-%02d %02d:%02d:%02d +0000", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  std::string text = written;
  if (system.minor >= 7) {
    if (auto local = convertCurrentTimeZone2(text)) text = *local;
  }
  // keep the date and the time, drop the zone
  const std::size_t first = text.find(' ');
  const std::size_t second = first == std::string::npos ? first : text.find(' ', first + 1);
  if (second != std::string::npos) text.resize(second);
  return text;
}

void PRIOSDeviceController::addDeviceNodeByPath(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::exists(folder, error)) {
    std::fprintf(stderr, "Filepath is not exist\n");
    return;
  }
  if (!std::filesystem::is_directory(folder, error) || countEntries(folder, 2) < 2) return;

  const std::filesystem::path infoPath = folder / "Info.plist";
  const std::filesystem::path manifestPath = folder / "Manifest.plist";
  const auto info = PlistFile::read(infoPath);
  const auto manifest = info ? std::nullopt : PlistFile::read(manifestPath);

  auto node = std::make_shared<PRIOSDeviceNode>();
  std::optional<std::int64_t> modified;
  if (info) {
    const PlistNode root = info->root();
    node->strDeviceName = plistString(root, "Device Name").value_or("");
    node->strDeviceSerial = plistString(root, "Serial Number").value_or("");
    node->strDeviceType = GetDevcieType(plistString(root, "Product Type")).value_or("");
    node->strIOSVersion = plistString(root, "Product Version").value_or("");
    node->itunesVersion = plistString(root, "iTunes Version").value_or("");
    node->strDeviceSize = std::to_string(std::filesystem::file_size(infoPath, error));
    if (error) node->strDeviceSize.clear();
    modified = modificationTime(infoPath);
  } else if (manifest) {
    const PlistNode lockdown = plistDictionary(manifest->root(), "Lockdown");
    if (lockdown == nullptr) return;
    node->strDeviceName = plistString(lockdown, "DeviceName").value_or("");
    node->strDeviceSerial = plistString(lockdown, "SerialNumber").value_or("");
    node->strDeviceType = GetDevcieType(plistString(lockdown, "ProductType")).value_or("");
    node->strIOSVersion = plistString(lockdown, "ProductVersion").value_or("");
    node->itunesVersion = plistString(lockdown, "BuildVersion").value_or("");
    modified = modificationTime(manifestPath);
  } else {
    return;
  }
  if (modified) node->strDeviceBackUpTime = backUpTimeText(*modified, getSystemVersionMajor());
  node->deviceImage = pictureFor(node->strDeviceType);
  node->backUpFilePath = folder.string();
  addObject(std::move(node));
}

void PRIOSDeviceController::showIphoneDisk(const std::filesystem::path& root) {
  removeAllObjects();
  std::error_code error;
  std::vector<std::filesystem::path> entries;
  for (std::filesystem::directory_iterator it(root, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!name.empty() && name.front() != '.') entries.push_back(it->path());
  }
  // the folder's own listing order is arbitrary on Linux; name order is stable
  std::sort(entries.begin(), entries.end());
  for (const auto& entry : entries) addDeviceNodeByPath(entry);
}

std::filesystem::path defaultBackupRoot() {
  const char* home = std::getenv("HOME");
  const std::filesystem::path base = (home != nullptr && *home != '\0') ? home : "/";
  return base / "Library" / "Application Support" / "MobileSync" / "Backup";
}

std::optional<std::string> backupProductVersion(const std::filesystem::path& folder) {
  if (const auto info = PlistFile::read(folder / "Info.plist")) {
    if (auto version = plistString(info->root(), "Product Version")) return version;
  }
  if (const auto manifest = PlistFile::read(folder / "Manifest.plist")) {
    return plistString(plistDictionary(manifest->root(), "Lockdown"), "ProductVersion");
  }
  return std::nullopt;
}

}  // namespace orvane
