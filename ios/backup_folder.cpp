#include "ios/backup_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "core/unique_fd.h"

namespace orvane {

namespace {

bool isTwoHexDigitsOf(const std::string& folderName, const std::string& fileName) {
  const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
  return folderName.size() == 2 && hex(folderName[0]) && hex(folderName[1]) &&
         fileName.starts_with(folderName);
}

BackupFile refuse(const std::filesystem::path& shown, const char* why) {
  std::fprintf(stderr, "%s: %s inside the backup, skipped\n", shown.c_str(), why);
  return BackupFile(-1, BackupFile::State::refused, 0);
}

}  // namespace

BackupFile BackupFile::open(const std::filesystem::path& folder, std::string_view relative) {
  const std::filesystem::path shown = folder / relative;
  UniqueFd at(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (at.get() < 0) return BackupFile();
  std::string rest(relative);
  for (;;) {
    const std::size_t slash = rest.find('/');
    const bool last = slash == std::string::npos;
    const std::string name = last ? rest : rest.substr(0, slash);
    if (name.empty() || name == "." || name == "..") return refuse(shown, "a name leading out");
    // O_NONBLOCK: a FIFO planted in the folder must not hang the open
    const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (last ? O_NONBLOCK : O_DIRECTORY);
    UniqueFd next(::openat(at.get(), name.c_str(), flags));
    if (next.get() < 0) {
      // O_NOFOLLOW answers ELOOP for a link, and with O_DIRECTORY some
      // kernels answer ENOTDIR; a plain file where a folder belongs is
      // merely missing
      struct stat link {};
      const bool isLink =
          errno == ELOOP ||
          (errno == ENOTDIR && ::fstatat(at.get(), name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(link.st_mode));
      if (isLink) return refuse(shown, "a symbolic link");
      return BackupFile();
    }
    if (last) {
      struct stat info {};
      if (::fstat(next.get(), &info) != 0) return BackupFile();
      // a folder where a file belongs is merely not that file
      if (S_ISDIR(info.st_mode)) return BackupFile();
      if (!S_ISREG(info.st_mode)) return refuse(shown, "not a regular file");
      return BackupFile(next.release(), State::opened, static_cast<std::uint64_t>(info.st_size));
    }
    at.reset(next.release());
    rest.erase(0, slash + 1);
  }
}

BackupFile BackupFile::open(const std::filesystem::path& file) {
  const std::filesystem::path parent = file.parent_path();
  const std::string name = file.filename().string();
  const std::string parentName = parent.filename().string();
  if (isTwoHexDigitsOf(parentName, name)) {
    return open(parent.parent_path(), parentName + "/" + name);
  }
  return open(parent.empty() ? std::filesystem::path(".") : parent, name);
}

bool BackupFile::copyTo(const std::filesystem::path& target, std::string& problem) const {
  if (!fd_.valid()) {
    problem = "not open";
    return false;
  }
  ::unlink(target.c_str());
  UniqueFd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (out.get() < 0) {
    problem = std::strerror(errno);
    return false;
  }
  std::vector<char> buffer(256 * 1024);
  for (off_t offset = 0;;) {
    const ssize_t got = ::pread(fd_.get(), buffer.data(), buffer.size(), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      problem = std::strerror(errno);
      return false;
    }
    if (got == 0) return true;
    for (ssize_t written = 0; written < got;) {
      const ssize_t n =
          ::write(out.get(), buffer.data() + written, static_cast<std::size_t>(got - written));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        problem = std::strerror(errno);
        return false;
      }
      written += n;
    }
    offset += got;
  }
}

std::string BackupFile::readAt(std::uint64_t offset, std::size_t count) const {
  std::string bytes(count, '\0');
  std::size_t got = 0;
  while (fd_.valid() && got < count) {
    const ssize_t n =
        ::pread(fd_.get(), bytes.data() + got, count - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

HashedBackupFile openHashedBackupFile(const std::filesystem::path& folder,
                                      std::string_view hashedName) {
  HashedBackupFile found{BackupFile::open(folder, hashedName), std::string(hashedName)};
  if (found.file.state() != BackupFile::State::missing || hashedName.size() <= 2) return found;
  found.relative = std::string(hashedName.substr(0, 2)) + "/" + std::string(hashedName);
  found.file = BackupFile::open(folder, found.relative);
  return found;
}

}  // namespace orvane
