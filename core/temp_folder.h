#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

namespace orvane {

// A private folder made with mkdtemp under the system temp folder for one
// scan; it and only it is removed when the object goes.
class TempFolder {
 public:
  // Throws std::filesystem::filesystem_error when no folder can be made.
  explicit TempFolder(std::string_view prefix = "orvane-scan-");
  // A private folder inside `parent`, which stays as long as this one does.
  TempFolder(std::shared_ptr<const TempFolder> parent, std::string_view prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  void make(const std::filesystem::path& inside, std::string_view prefix);

  std::filesystem::path path_;
  // removed after this folder, never before
  std::shared_ptr<const TempFolder> parent_;
};

}  // namespace orvane
