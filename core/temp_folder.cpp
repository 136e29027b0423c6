#include "core/temp_folder.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace orvane {

TempFolder::TempFolder(std::string_view prefix) {
  make(std::filesystem::temp_directory_path(), prefix);
}

TempFolder::TempFolder(std::shared_ptr<const TempFolder> parent, std::string_view prefix)
    : parent_(std::move(parent)) {
  make(parent_->path(), prefix);
}

void TempFolder::make(const std::filesystem::path& inside, std::string_view prefix) {
  std::string pattern = (inside / std::string(prefix)).string();
  pattern += "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) {
    throw std::filesystem::filesystem_error("cannot make a private temporary folder", pattern,
                                            std::error_code(errno, std::generic_category()));
  }
  path_ = buffer.data();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace orvane
