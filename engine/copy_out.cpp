#include "engine/copy_out.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace orvane::engine {
namespace {

// Closes a descriptor when the copy leaves, whichever way.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool readExactly(int fd, std::byte* into, std::size_t count, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd, into + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool writeAll(int fd, const std::byte* from, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t put = ::write(fd, from + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// The device is only ever opened for reading.
int openDevice(const std::string& deviceName) {
  return ::open(deviceName.c_str(), O_RDONLY | O_CLOEXEC);
}

}  // namespace

CopyResult readFromDevice(const std::string& deviceName, std::span<const DeviceRun> runs,
                          std::span<std::byte> buffer) {
  Descriptor device(openDevice(deviceName));
  if (!device.valid()) return CopyResult::cannotOpenSource;
  std::size_t done = 0;
  for (const DeviceRun& run : runs) {
    if (run.length > buffer.size() - done ||
        !readExactly(device.get(), buffer.data() + done, static_cast<std::size_t>(run.length),
                     run.offset)) {
      return CopyResult::shortRead;
    }
    done += static_cast<std::size_t>(run.length);
  }
  return done == buffer.size() ? CopyResult::copied : CopyResult::shortRead;
}

CopyResult copyToNewFile(const char* targetPath, std::size_t capacity,
                         const std::string& deviceName, std::span<const DeviceRun> runs) {
  // strnlen stops at the first NUL, so a short path in a short buffer is not
  // read past its end.
  if (targetPath == nullptr || ::strnlen(targetPath, capacity) >= capacity) {
    return CopyResult::pathTooLong;
  }
  Descriptor device(openDevice(deviceName));
  if (!device.valid()) return CopyResult::cannotOpenSource;
  Descriptor target(::open(targetPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
  if (!target.valid()) return errno == EEXIST ? CopyResult::targetExists : CopyResult::cannotWrite;

  constexpr std::size_t kChunkBytes = 1u << 20;
  std::vector<std::byte> chunk;
  CopyResult result = CopyResult::copied;
  for (const DeviceRun& run : runs) {
    chunk.resize(static_cast<std::size_t>(
        std::max<std::uint64_t>(chunk.size(), std::min<std::uint64_t>(run.length, kChunkBytes))));
    for (std::uint64_t done = 0; done < run.length && result == CopyResult::copied;) {
      const auto count =
          static_cast<std::size_t>(std::min<std::uint64_t>(run.length - done, kChunkBytes));
      if (!readExactly(device.get(), chunk.data(), count, run.offset + done)) {
        result = CopyResult::shortRead;
      } else if (!writeAll(target.get(), chunk.data(), count)) {
        result = CopyResult::cannotWrite;
      }
      done += count;
    }
  }
  if (::close(target.release()) != 0 && result == CopyResult::copied) {
    result = CopyResult::cannotWrite;
  }
  // A half-written file would pass for a recovered one.
  if (result != CopyResult::copied) ::unlink(targetPath);
  return result;
}

const char* describe(CopyResult result) {
  switch (result) {
    case CopyResult::copied:
      return "copied";
    case CopyResult::pathTooLong:
      return "the target path does not fit the path buffer";
    case CopyResult::cannotOpenSource:
      return "the disk cannot be opened for reading";
    case CopyResult::targetExists:
      return "a file of that name already exists";
    case CopyResult::cannotWrite:
      return "the target file cannot be written";
    case CopyResult::shortRead:
      return "the disk ends before the file does, or cannot be read";
  }
  return "unknown";
}

}  // namespace orvane::engine
