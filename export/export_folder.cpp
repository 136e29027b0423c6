#include "export/export_folder.h"

#include <sys/stat.h>

#include <cerrno>

namespace orvane {

namespace fs = std::filesystem;

std::error_code makeExportFolder(const fs::path& named) {
  // "out/" names the folder "out"
  fs::path folder = named;
  while (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
  std::error_code ec;
  const fs::path parent = folder.parent_path();
  if (!parent.empty()) fs::create_directories(parent, ec);
  if (ec) return ec;
  if (::mkdir(folder.c_str(), 0777) != 0) return {errno, std::generic_category()};
  return {};
}

}  // namespace orvane
