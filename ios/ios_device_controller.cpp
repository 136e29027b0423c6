#include "ios/ios_device_controller.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "ios/encrypted_backup.h"
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

// Product identifiers the keys above do not reach, matched whole: by
// containment "iPad7,1" would also claim "iPad7,11".
constexpr std::array<DeviceType, 148> kLaterDeviceTypes = {{
    {"iPhone3,2", "iPhone 4"},
    {"iPhone6,1", "iPhone 5s"},
    {"iPhone6,2", "iPhone 5s"},
    {"iPhone7,1", "iPhone 6 Plus"},
    {"iPhone7,2", "iPhone 6"},
    {"iPhone8,1", "iPhone 6s"},
    {"iPhone8,2", "iPhone 6s Plus"},
    {"iPhone8,4", "iPhone SE"},
    {"iPhone9,1", "iPhone 7"},
    {"iPhone9,2", "iPhone 7 Plus"},
    {"iPhone9,3", "iPhone 7"},
    {"iPhone9,4", "iPhone 7 Plus"},
    {"iPhone10,1", "iPhone 8"},
    {"iPhone10,2", "iPhone 8 Plus"},
    {"iPhone10,3", "iPhone X"},
    {"iPhone10,4", "iPhone 8"},
    {"iPhone10,5", "iPhone 8 Plus"},
    {"iPhone10,6", "iPhone X"},
    {"iPhone11,2", "iPhone XS"},
    {"iPhone11,4", "iPhone XS Max"},
    {"iPhone11,6", "iPhone XS Max"},
    {"iPhone11,8", "iPhone XR"},
    {"iPhone12,1", "iPhone 11"},
    {"iPhone12,3", "iPhone 11 Pro"},
    {"iPhone12,5", "iPhone 11 Pro Max"},
    {"iPhone12,8", "iPhone SE (2nd generation)"},
    {"iPhone13,1", "iPhone 12 mini"},
    {"iPhone13,2", "iPhone 12"},
    {"iPhone13,3", "iPhone 12 Pro"},
    {"iPhone13,4", "iPhone 12 Pro Max"},
    {"iPhone14,2", "iPhone 13 Pro"},
    {"iPhone14,3", "iPhone 13 Pro Max"},
    {"iPhone14,4", "iPhone 13 mini"},
    {"iPhone14,5", "iPhone 13"},
    {"iPhone14,6", "iPhone SE (3rd generation)"},
    {"iPhone14,7", "iPhone 14"},
    {"iPhone14,8", "iPhone 14 Plus"},
    {"iPhone15,2", "iPhone 14 Pro"},
    {"iPhone15,3", "iPhone 14 Pro Max"},
    {"iPhone15,4", "iPhone 15"},
    {"iPhone15,5", "iPhone 15 Plus"},
    {"iPhone16,1", "iPhone 15 Pro"},
    {"iPhone16,2", "iPhone 15 Pro Max"},
    {"iPhone17,1", "iPhone 16 Pro"},
    {"iPhone17,2", "iPhone 16 Pro Max"},
    {"iPhone17,3", "iPhone 16"},
    {"iPhone17,4", "iPhone 16 Plus"},
    {"iPhone17,5", "iPhone 16e"},
    {"iPhone18,1", "iPhone 17 Pro"},
    {"iPhone18,2", "iPhone 17 Pro Max"},
    {"iPhone18,3", "iPhone 17"},
    {"iPhone18,4", "iPhone Air"},
    {"iPod5,1", "iPod touch (5th generation)"},
    {"iPod7,1", "iPod touch (6th generation)"},
    {"iPod9,1", "iPod touch (7th generation)"},
    {"iPad2,2", "Ipad 2"},
    {"iPad2,3", "Ipad 2"},
    {"iPad2,4", "Ipad 2"},
    {"iPad2,5", "iPad mini"},
    {"iPad2,6", "iPad mini"},
    {"iPad2,7", "iPad mini"},
    {"iPad4,1", "iPad Air"},
    {"iPad4,2", "iPad Air"},
    {"iPad4,3", "iPad Air"},
    {"iPad4,4", "iPad mini 2"},
    {"iPad4,5", "iPad mini 2"},
    {"iPad4,6", "iPad mini 2"},
    {"iPad4,7", "iPad mini 3"},
    {"iPad4,8", "iPad mini 3"},
    {"iPad4,9", "iPad mini 3"},
    {"iPad5,1", "iPad mini 4"},
    {"iPad5,2", "iPad mini 4"},
    {"iPad5,3", "iPad Air 2"},
    {"iPad5,4", "iPad Air 2"},
    {"iPad6,3", "iPad Pro (9.7-inch)"},
    {"iPad6,4", "iPad Pro (9.7-inch)"},
    {"iPad6,7", "iPad Pro (12.9-inch)"},
    {"iPad6,8", "iPad Pro (12.9-inch)"},
    {"iPad6,11", "iPad (5th generation)"},
    {"iPad6,12", "iPad (5th generation)"},
    {"iPad7,1", "iPad Pro (12.9-inch) (2nd generation)"},
    {"iPad7,2", "iPad Pro (12.9-inch) (2nd generation)"},
    {"iPad7,3", "iPad Pro (10.5-inch)"},
    {"iPad7,4", "iPad Pro (10.5-inch)"},
    {"iPad7,5", "iPad (6th generation)"},
    {"iPad7,6", "iPad (6th generation)"},
    {"iPad7,11", "iPad (7th generation)"},
    {"iPad7,12", "iPad (7th generation)"},
    {"iPad8,1", "iPad Pro (11-inch)"},
    {"iPad8,2", "iPad Pro (11-inch)"},
    {"iPad8,3", "iPad Pro (11-inch)"},
    {"iPad8,4", "iPad Pro (11-inch)"},
    {"iPad8,5", "iPad Pro (12.9-inch) (3rd generation)"},
    {"iPad8,6", "iPad Pro (12.9-inch) (3rd generation)"},
    {"iPad8,7", "iPad Pro (12.9-inch) (3rd generation)"},
    {"iPad8,8", "iPad Pro (12.9-inch) (3rd generation)"},
    {"iPad8,9", "iPad Pro (11-inch) (2nd generation)"},
    {"iPad8,10", "iPad Pro (11-inch) (2nd generation)"},
    {"iPad8,11", "iPad Pro (12.9-inch) (4th generation)"},
    {"iPad8,12", "iPad Pro (12.9-inch) (4th generation)"},
    {"iPad11,1", "iPad mini (5th generation)"},
    {"iPad11,2", "iPad mini (5th generation)"},
    {"iPad11,3", "iPad Air (3rd generation)"},
    {"iPad11,4", "iPad Air (3rd generation)"},
    {"iPad11,6", "iPad (8th generation)"},
    {"iPad11,7", "iPad (8th generation)"},
    {"iPad12,1", "iPad (9th generation)"},
    {"iPad12,2", "iPad (9th generation)"},
    {"iPad13,1", "iPad Air (4th generation)"},
    {"iPad13,2", "iPad Air (4th generation)"},
    {"iPad13,4", "iPad Pro (11-inch) (3rd generation)"},
    {"iPad13,5", "iPad Pro (11-inch) (3rd generation)"},
    {"iPad13,6", "iPad Pro (11-inch) (3rd generation)"},
    {"iPad13,7", "iPad Pro (11-inch) (3rd generation)"},
    {"iPad13,8", "iPad Pro (12.9-inch) (5th generation)"},
    {"iPad13,9", "iPad Pro (12.9-inch) (5th generation)"},
    {"iPad13,10", "iPad Pro (12.9-inch) (5th generation)"},
    {"iPad13,11", "iPad Pro (12.9-inch) (5th generation)"},
    {"iPad13,16", "iPad Air (5th generation)"},
    {"iPad13,17", "iPad Air (5th generation)"},
    {"iPad13,18", "iPad (10th generation)"},
    {"iPad13,19", "iPad (10th generation)"},
    {"iPad14,1", "iPad mini (6th generation)"},
    {"iPad14,2", "iPad mini (6th generation)"},
    {"iPad14,3", "iPad Pro (11-inch) (4th generation)"},
    {"iPad14,4", "iPad Pro (11-inch) (4th generation)"},
    {"iPad14,5", "iPad Pro (12.9-inch) (6th generation)"},
    {"iPad14,6", "iPad Pro (12.9-inch) (6th generation)"},
    {"iPad14,8", "iPad Air 11-inch (M2)"},
    {"iPad14,9", "iPad Air 11-inch (M2)"},
    {"iPad14,10", "iPad Air 13-inch (M2)"},
    {"iPad14,11", "iPad Air 13-inch (M2)"},
    {"iPad15,3", "iPad Air 11-inch (M3)"},
    {"iPad15,4", "iPad Air 11-inch (M3)"},
    {"iPad15,5", "iPad Air 13-inch (M3)"},
    {"iPad15,6", "iPad Air 13-inch (M3)"},
    {"iPad15,7", "iPad (A16)"},
    {"iPad15,8", "iPad (A16)"},
    {"iPad16,1", "iPad mini (A17 Pro)"},
    {"iPad16,2", "iPad mini (A17 Pro)"},
    {"iPad16,3", "iPad Pro 11-inch (M4)"},
    {"iPad16,4", "iPad Pro 11-inch (M4)"},
    {"iPad16,5", "iPad Pro 13-inch (M4)"},
    {"iPad16,6", "iPad Pro 13-inch (M4)"},
    {"iPad17,1", "iPad Pro 11-inch (M5)"},
    {"iPad17,2", "iPad Pro 11-inch (M5)"},
    {"iPad17,3", "iPad Pro 13-inch (M5)"},
    {"iPad17,4", "iPad Pro 13-inch (M5)"},
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
  const bool tablet = type == "NewIpad" || type.rfind("Ipad", 0) == 0 || type.rfind("iPad", 0) == 0;
  return tablet ? "ipad" : "iphone";
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
  if (encrypted) line += "\tencrypted";
  return line;
}

void PRIOSDeviceController::removeObject(const std::shared_ptr<PRIOSDeviceNode>& node) {
  nodes_.erase(std::remove(nodes_.begin(), nodes_.end(), node), nodes_.end());
}

std::optional<std::string> PRIOSDeviceController::GetDevcieType(
    std::optional<std::string_view> productType) {
  if (!productType || productType->empty()) return std::string("Iphone");
  for (const DeviceType& type : kLaterDeviceTypes) {
    if (type.key.size() == productType->size() && containsIgnoringCase(*productType, type.key))
      return std::string(type.displayName);
  }
  for (const DeviceType& type : kDeviceTypes) {
    if (containsIgnoringCase(*productType, type.key)) return std::string(type.displayName);
  }
  // an identifier of a later device names it better than nothing
  return std::string(*productType);
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
  node->encrypted = isEncryptedBackup(folder);
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
