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

namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool exportFolderInsideSource(const fs::path& folder, const fs::path& source) {
  struct stat sourceStatus {};
  if (::stat(source.c_str(), &sourceStatus) != 0) return false;
  std::error_code ec;
  // links resolved in the part that exists, the rest taken as written
  const fs::path resolved = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  if (ec) return false;
  if (!S_ISDIR(sourceStatus.st_mode)) {
    struct stat folderStatus {};
    return ::stat(resolved.c_str(), &folderStatus) == 0 && sameFile(folderStatus, sourceStatus);
  }
  const fs::path resolvedSource = fs::canonical(source, ec);
  for (fs::path at = resolved;; at = at.parent_path()) {
    if (!ec && at == resolvedSource) return true;
    struct stat status {};
    if (::stat(at.c_str(), &status) == 0 && sameFile(status, sourceStatus)) return true;
    if (at == at.parent_path()) return false;
  }
}

}  // namespace orvane
