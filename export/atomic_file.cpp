#include "export/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

namespace orvane {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

// A hidden name in the target's folder: the rename that follows then stays
// within one file system and is atomic.
std::filesystem::path temporarySibling(const std::filesystem::path& path) {
  static std::atomic<unsigned> counter{0};
  static thread_local std::mt19937 random{std::random_device{}()};
  std::string name = ".orvane-" + std::to_string(::getpid()) + "-" +
                     std::to_string(counter.fetch_add(1)) + "-" + std::to_string(random()) + ".tmp";
  return path.parent_path() / name;
}

// Opened with O_EXCL and mode 0666, so the final file gets the permissions
// the user's umask gives any new file.
int createTemporary(const std::filesystem::path& path, std::filesystem::path& temporary) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = temporarySibling(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

std::error_code writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

}  // namespace

std::error_code renameWithoutReplacing(const std::filesystem::path& from,
                                       const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS) return lastError();
  // File systems without RENAME_NOREPLACE: a hard link fails on an existing
  // name just the same.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return {};
  }
  if (errno == EEXIST) return lastError();
  // No hard links either (FAT on a USB stick): test, then rename.
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(to, ec))) {
    return std::make_error_code(std::errc::file_exists);
  }
  if (::rename(from.c_str(), to.c_str()) != 0) return lastError();
  return {};
}

std::error_code writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                    ExistingFile existing) {
  std::filesystem::path temporary;
  const int fd = createTemporary(path, temporary);
  if (fd < 0) return lastError();
  std::error_code ec = writeAll(fd, bytes);
  if (::close(fd) != 0 && !ec) ec = lastError();
  if (!ec) {
    if (existing == ExistingFile::replace) {
      if (::rename(temporary.c_str(), path.c_str()) != 0) ec = lastError();
    } else {
      ec = renameWithoutReplacing(temporary, path);
    }
  }
  if (ec) ::unlink(temporary.c_str());
  return ec;
}

}  // namespace orvane
