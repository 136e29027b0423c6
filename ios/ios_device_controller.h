#pragma once

// The catalogue of the device backups kept on this computer: one entry per
// backup folder, with the device's name, type, system version, serial
// number and backup time.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class PRIOSDeviceNode {
 public:
  std::string strDeviceName;
  std::string strDeviceSize;  // Info.plist's own byte size; empty for Manifest.plist entries
  std::string strDeviceBackUpTime;
  std::string strDeviceSerial;
  std::string strDeviceType;
  std::string strIOSVersion;
  std::string deviceImage;  // "ipad" or "iphone"
  std::string itunesVersion;
  std::string backUpFilePath;
  bool encrypted = false;  // Manifest.plist's IsEncrypted

  // One line: name, type, system version, serial number, backup time and
  // folder, separated by tabs.
  std::string describe() const;
};

struct SystemVersion {
  int major = 10;
  int minor = 0;
  int bugFix = 0;
};

class PRIOSDeviceController {
 public:
  const std::vector<std::shared_ptr<PRIOSDeviceNode>>& content() const { return nodes_; }
  void addObject(std::shared_ptr<PRIOSDeviceNode> node) { nodes_.push_back(std::move(node)); }
  void removeObject(const std::shared_ptr<PRIOSDeviceNode>& node);
  void removeAllObjects() { nodes_.clear(); }

  // Examines one folder and appends at most one entry.
  void addDeviceNodeByPath(const std::filesystem::path& folder);

  // Empties the catalogue and adds every entry of `root` whose name does
  // not begin with "."; a missing root leaves the catalogue empty.
  void showIphoneDisk(const std::filesystem::path& root);

  // Display name of a product type ("iPhone3,1" -> "Iphone 4", "iPhone14,2"
  // -> "iPhone 13 Pro"); an identifier that is not known is shown as it is.
  static std::optional<std::string> GetDevcieType(std::optional<std::string_view> productType);
  // "YYYY-MM-DD HH:MM:SS +0000" -> local "YYYY-MM-DD HH:MM"; nothing when
  // the text is not in that form.
  static std::optional<std::string> convertCurrentTimeZone2(std::string_view utcDateText);
  // The version of the running system; it decides whether backup times are
  // shown in local time (minor version 7 and up).
  static SystemVersion getSystemVersionMajor();
  // The backup time shown for a plist modified at `modified` (seconds
  // since 1970).
  static std::string backUpTimeText(std::int64_t modified, const SystemVersion& system);

 private:
  std::vector<std::shared_ptr<PRIOSDeviceNode>> nodes_;
};

// "$HOME/Library/Application Support/MobileSync/Backup": where iTunes keeps
// the current user's backups.
std::filesystem::path defaultBackupRoot();

// The system version a backup folder was made from (Info.plist "Product
// Version", else Manifest.plist Lockdown "ProductVersion").
std::optional<std::string> backupProductVersion(const std::filesystem::path& folder);

}  // namespace orvane
