#include "blackberry/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace orvane {

namespace {

// Closes the descriptor on every way out; the mapping outlives it.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

std::string withReason(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::open(const std::filesystem::path& path,
                                             std::string& problem) {
  const Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) {
    problem = withReason("cannot open", errno);
    return nullptr;
  }
  struct stat status {};
  if (::fstat(file.fd, &status) != 0) {
    problem = withReason("cannot read", errno);
    return nullptr;
  }
  if (S_ISDIR(status.st_mode)) {
    problem = withReason("cannot read", EISDIR);
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    problem = "cannot read: not a regular file";
    return nullptr;
  }
  const auto size = static_cast<std::size_t>(status.st_size);
  if (size == 0) return std::unique_ptr<MappedFile>(new MappedFile(nullptr, 0));

  void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd, 0);
  if (mapping == MAP_FAILED) {
    problem = withReason("cannot read", errno);
    return nullptr;
  }
  // The walk goes front to back once: let the kernel read ahead generously.
  ::madvise(mapping, size, MADV_SEQUENTIAL);
  return std::unique_ptr<MappedFile>(
      new MappedFile(static_cast<const std::uint8_t*>(mapping), size));
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
}

void MappedFile::releaseBehind(const std::uint8_t* position) {
  // Handing pages back a few at a time would cost more than it saves.
  constexpr std::size_t kReleaseStep = 32u << 20;
  if (data_ == nullptr || position < data_ + releasedUpTo_) return;
  std::size_t end = std::min(static_cast<std::size_t>(position - data_), size_);
  if (end - releasedUpTo_ < kReleaseStep) return;
  static const auto pageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  end -= end % pageSize;
  ::madvise(const_cast<std::uint8_t*>(data_) + releasedUpTo_, end - releasedUpTo_, MADV_DONTNEED);
  releasedUpTo_ = end;
}

std::string readFilePrefix(const std::filesystem::path& path, std::size_t count) {
  const Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) return {};
  struct stat status {};
  if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) return {};
  std::string prefix(count, '\0');
  std::size_t filled = 0;
  while (filled < count) {
    const ssize_t got = ::read(file.fd, prefix.data() + filled, count - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    filled += static_cast<std::size_t>(got);
  }
  prefix.resize(filled);
  return prefix;
}

}  // namespace orvane
