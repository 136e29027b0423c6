#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>

namespace orvane::engine {

// Bytes behind a file descriptor, as the engine reads a disk: an anonymous
// in-memory file, closed with the object. `fd()` is -1 when it could not
// be made.
class MemoryDisk {
 public:
  MemoryDisk(const void* bytes, std::size_t size) : fd_(::memfd_create("disk", MFD_CLOEXEC)) {
    if (fd_ >= 0 && ::write(fd_, bytes, size) != static_cast<ssize_t>(size)) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  MemoryDisk(const MemoryDisk&) = delete;
  MemoryDisk& operator=(const MemoryDisk&) = delete;
  ~MemoryDisk() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace orvane::engine
