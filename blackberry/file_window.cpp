#include "blackberry/file_window.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

namespace orvane {

std::unique_ptr<FileWindow> FileWindow::open(const std::filesystem::path& path,
                                             std::string& problem, std::size_t windowBytes,
                                             std::shared_ptr<const void> keepAlive) {
  auto file = FileContentSource::open(path, problem, std::move(keepAlive));
  if (!file) return nullptr;
  // The walk goes front to back once: let the kernel read ahead generously.
  ::posix_fadvise(file->descriptor(), 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::unique_ptr<FileWindow>(new FileWindow(std::move(file), windowBytes));
}

FileWindow::FileWindow(std::shared_ptr<FileContentSource> file, std::size_t windowBytes)
    : file_(std::move(file)), size_(file_->sizeAtOpen()), windowBytes_(windowBytes) {}

FileWindow::~FileWindow() {
  if (buffer_ != nullptr) ::munmap(buffer_, capacity_);
}

std::span<const std::uint8_t> FileWindow::refill(std::uint64_t offset, std::size_t count) {
  if (offset >= size_) return {};
  count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));

  // What is buffered of the run moves to the front; what lies before it is
  // done with (the walks only go forward).
  std::size_t kept = 0;
  if (offset >= start_ && offset - start_ < filled_) {
    kept = filled_ - static_cast<std::size_t>(offset - start_);
  }
  if (count > capacity_) {
    makeRoom(offset, count, kept);
  } else if (kept > 0 && offset != start_) {
    std::memmove(buffer_, buffer_ + (offset - start_), kept);
  }
  start_ = offset;
  filled_ = kept;

  // One read fills the window as far as the file goes; more are needed only
  // when the system hands back less.
  while (filled_ < count) {
    const std::uint64_t position = start_ + filled_;
    const auto want =
        static_cast<std::size_t>(std::min<std::uint64_t>(capacity_ - filled_, size_ - position));
    const long got = file_->readSome(position, {buffer_ + filled_, want});
    if (got < 0) {
      shortfall_ =
          "reading stopped at offset " + std::to_string(position) + ": " + std::strerror(errno);
      break;
    }
    if (got == 0) {
      shortfall_ = "the file ended at offset " + std::to_string(position) + " while being read";
      break;
    }
    filled_ += static_cast<std::size_t>(got);
  }
  return {buffer_, std::min(count, filled_)};
}

void FileWindow::makeRoom(std::uint64_t offset, std::size_t count, std::size_t kept) {
  // A run longer than the window gets a window's worth of read-ahead on top,
  // and `count` is already cut to the file, so the buffer never outgrows
  // what the file holds after `offset`.
  const std::uint64_t remaining = size_ - offset;
  const std::size_t wanted = capacity_ == 0 ? windowBytes_ : count + windowBytes_;
  const auto capacity =
      std::max(count, static_cast<std::size_t>(std::min<std::uint64_t>(wanted, remaining)));
  // The buffer takes anonymous pages rather than heap memory: a heap block
  // this large that comes and goes with every file would raise the
  // allocator's own thresholds, and every record decoded after it would pay
  // for fresh pages again.
  void* pages =
      ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) throw std::bad_alloc();
  auto* grown = static_cast<std::uint8_t*>(pages);
  if (kept > 0) std::memcpy(grown, buffer_ + (filled_ - kept), kept);
  if (buffer_ != nullptr) ::munmap(buffer_, capacity_);
  buffer_ = grown;
  capacity_ = capacity;
}

std::string readFilePrefix(const std::filesystem::path& path, std::size_t count) {
  std::string problem;
  const auto window = FileWindow::open(path, problem, count);
  if (!window) return {};
  const auto prefix = window->fetch(0, count);
  return std::string(prefix.begin(), prefix.end());
}

}  // namespace orvane
