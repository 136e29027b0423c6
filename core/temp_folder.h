#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

namespace orvane {

// A private folder made with mkdtemp under the system temp folder for one
// scan; it and only it is removed when the object goes. A folder made under
// the temp folder holds an flock on its file ".lock" as long as it lives, so
// that a later scan can tell the folder of a scan that was killed (lock
// free) from that of a running one.
class TempFolder {
 public:
  static constexpr std::string_view kScanPrefix = "orvane-scan-";
  static constexpr std::string_view kLockName = ".lock";

  // Throws std::filesystem::filesystem_error when no folder can be made.
  explicit TempFolder(std::string_view prefix = kScanPrefix);
  // A private folder inside `parent`, which stays as long as this one does.
  TempFolder(std::shared_ptr<const TempFolder> parent, std::string_view prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Removes the folders "`prefix`*" in `inside` that a killed or crashed
  // scan left: only real folders (not links) of this user with mode 0700
  // whose lock file can be locked. Answers how many went.
  static int removeStale(const std::filesystem::path& inside,
                         std::string_view prefix = kScanPrefix);

 private:
  void make(const std::filesystem::path& inside, std::string_view prefix);
  void lock();

  std::filesystem::path path_;
  int lockFd_ = -1;
  // removed after this folder, never before
  std::shared_ptr<const TempFolder> parent_;
};

}  // namespace orvane
