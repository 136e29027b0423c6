#pragma once

#include <filesystem>
#include <string_view>

namespace orvane {

// A private folder made with mkdtemp under the system temp folder for one
// scan; it and only it is removed when the object goes.
class TempFolder {
 public:
  // Throws std::filesystem::filesystem_error when no folder can be made.
  explicit TempFolder(std::string_view prefix = "orvane-scan-");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace orvane
