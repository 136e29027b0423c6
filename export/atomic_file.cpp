#include "export/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

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

// Big enough that a copy costs few system calls, small enough that many
// copies side by side stay cheap.
constexpr std::size_t kCopyPieceBytes = std::size_t{1} << 20;

class CopyErrorCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "orvane.copy"; }
  std::string message(int) const override { return "not a regular file"; }
};

// Moves a finished temporary file into place, or removes it when the
// writing or the move failed.
std::error_code putInPlace(const std::filesystem::path& temporary,
                           const std::filesystem::path& path, ExistingFile existing,
                           std::error_code ec) {
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

// Streams everything from `from` to `to`; sets `readFailed` when the error
// came from reading.
std::error_code copyAll(int from, int to, bool& readFailed) {
  std::vector<char> piece(kCopyPieceBytes);
  for (;;) {
    const ssize_t got = ::read(from, piece.data(), piece.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      readFailed = true;
      return lastError();
    }
    if (got == 0) return {};
    if (auto ec = writeAll(to, std::string_view(piece.data(), static_cast<std::size_t>(got)))) {
      return ec;
    }
  }
}

}  // namespace

std::error_code notARegularFileError() {
  static const CopyErrorCategory category;
  return {1, category};
}

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
  return putInPlace(temporary, path, existing, ec);
}

std::error_code writeContentAtomically(const ContentRef& content, const std::filesystem::path& path,
                                       ExistingFile existing, std::string& sourceProblem) {
  std::filesystem::path temporary;
  const int fd = createTemporary(path, temporary);
  if (fd < 0) return lastError();
  std::error_code ec;
  std::string readProblem;
  const bool whole = content.stream(
      [&](std::span<const std::uint8_t> piece) {
        ec = writeAll(fd, {reinterpret_cast<const char*>(piece.data()), piece.size()});
        return !ec;
      },
      readProblem, kCopyPieceBytes);
  // a stop for a failed write carries that write's error already
  if (!whole && !ec) {
    sourceProblem = std::move(readProblem);
    ec = std::make_error_code(std::errc::io_error);
  }
  if (::close(fd) != 0 && !ec) ec = lastError();
  return putInPlace(temporary, path, existing, ec);
}

CopyResult copyFileAtomically(const std::filesystem::path& source,
                              const std::filesystem::path& path, ExistingFile existing) {
  CopyResult result;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer
  // that never comes; the file type is checked right after.
  const int from = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (from < 0) {
    result.error = lastError();
    result.sourceFailed = true;
    return result;
  }
  struct stat status {};
  const bool examined = ::fstat(from, &status) == 0;
  if (!examined || !S_ISREG(status.st_mode)) {
    result.error = examined ? notARegularFileError() : lastError();
    result.sourceFailed = true;
    ::close(from);
    return result;
  }

  std::filesystem::path temporary;
  const int to = createTemporary(path, temporary);
  if (to < 0) {
    result.error = lastError();
    ::close(from);
    return result;
  }
  std::error_code ec = copyAll(from, to, result.sourceFailed);
  ::close(from);
  if (::close(to) != 0 && !ec) ec = lastError();
  result.error = putInPlace(temporary, path, existing, ec);
  return result;
}

}  // namespace orvane
