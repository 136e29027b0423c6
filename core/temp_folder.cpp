#include "core/temp_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace orvane {

TempFolder::TempFolder(std::string_view prefix) {
  make(std::filesystem::temp_directory_path(), prefix);
  lock();
}

void TempFolder::lock() {
  const std::filesystem::path lockFile = path_ / std::string(kLockName);
  lockFd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (lockFd_ < 0 || ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    const std::error_code error(errno, std::generic_category());
    if (lockFd_ >= 0) ::close(lockFd_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    throw std::filesystem::filesystem_error("cannot lock a private temporary folder", lockFile,
                                            error);
  }
}

int TempFolder::removeStale(const std::filesystem::path& inside, std::string_view prefix) {
  int removed = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(inside, ec)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix)) continue;
    struct stat status {};
    if (::lstat(entry.path().c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & 07777) != 0700) {
      continue;
    }
    const int folder =
        ::open(entry.path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) continue;
    const int lockFd =
        ::openat(folder, std::string(kLockName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    ::close(folder);
    if (lockFd < 0) continue;  // no lock yet: a scan that is just starting
    struct stat lockStatus {};
    // held for the removal, so that no scan can take the folder meanwhile
    if (::fstat(lockFd, &lockStatus) == 0 && S_ISREG(lockStatus.st_mode) &&
        ::flock(lockFd, LOCK_EX | LOCK_NB) == 0) {
      std::error_code ignored;
      if (std::filesystem::remove_all(entry.path(), ignored) > 0) ++removed;
    }
    ::close(lockFd);
  }
  return removed;
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
  if (lockFd_ >= 0) ::close(lockFd_);
}

}  // namespace orvane
