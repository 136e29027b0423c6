#include "core/content_ref.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace orvane {

namespace {

std::string withReason(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

std::shared_ptr<FileContentSource> FileContentSource::open(const std::filesystem::path& path,
                                                           std::string& problem,
                                                           std::shared_ptr<const void> keepAlive) {
  // Without O_NONBLOCK, opening a FIFO someone chose by mistake would wait
  // for a writer forever; on a regular file it changes nothing.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    problem = withReason("cannot open", errno);
    return nullptr;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    problem = withReason("cannot read", errno);
  } else if (S_ISDIR(status.st_mode)) {
    problem = withReason("cannot read", EISDIR);
  } else if (!S_ISREG(status.st_mode)) {
    problem = "cannot read: not a regular file";
  } else {
    return std::shared_ptr<FileContentSource>(new FileContentSource(
        fd, static_cast<std::uint64_t>(status.st_size), path, std::move(keepAlive)));
  }
  ::close(fd);
  return nullptr;
}

FileContentSource::FileContentSource(int fd, std::uint64_t size, std::filesystem::path path,
                                     std::shared_ptr<const void> keepAlive)
    : fd_(fd), sizeAtOpen_(size), path_(std::move(path)), keepAlive_(std::move(keepAlive)) {}

FileContentSource::~FileContentSource() { ::close(fd_); }

long FileContentSource::readSome(std::uint64_t offset, std::span<std::uint8_t> into) const {
  for (;;) {
    const ssize_t got = ::pread(fd_, into.data(), into.size(), static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    return static_cast<long>(got);
  }
}

bool FileContentSource::readAt(std::uint64_t offset, std::span<std::uint8_t> into,
                               std::string& problem) const {
  std::size_t filled = 0;
  while (filled < into.size()) {
    const long got = readSome(offset + filled, into.subspan(filled));
    if (got < 0) {
      problem = "reading stopped at offset " + std::to_string(offset + filled) + ": " +
                std::strerror(errno);
      return false;
    }
    if (got == 0) {
      // where it ends now, which may lie before the run
      struct stat status {};
      const std::uint64_t end =
          ::fstat(fd_, &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : offset + filled;
      problem = "the file ended at offset " + std::to_string(end);
      return false;
    }
    filled += static_cast<std::size_t>(got);
  }
  return true;
}

bool BytesContentSource::readAt(std::uint64_t offset, std::span<std::uint8_t> into,
                                std::string& problem) const {
  if (offset > bytes_.size() || into.size() > bytes_.size() - offset) {
    problem = "the content ended at offset " + std::to_string(bytes_.size());
    return false;
  }
  if (!into.empty()) std::memcpy(into.data(), bytes_.data() + offset, into.size());
  return true;
}

bool ContentRef::stream(const std::function<bool(std::span<const std::uint8_t>)>& sink,
                        std::string& problem, std::size_t pieceBytes) const {
  if (!source_ || size_ == 0) return true;
  std::vector<std::uint8_t> piece(static_cast<std::size_t>(
      std::min<std::uint64_t>(std::max<std::size_t>(pieceBytes, 1), size_)));
  for (const auto& run : runs_) {
    for (std::uint64_t done = 0; done < run.length;) {
      const auto count =
          static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), run.length - done));
      const std::span<std::uint8_t> into(piece.data(), count);
      std::string why;
      if (!source_->readAt(run.offset + done, into, why)) {
        problem = source_->describe() + ": " + why;
        return false;
      }
      if (!sink(into)) {
        problem = source_->describe() + ": the content was not taken whole";
        return false;
      }
      done += count;
    }
  }
  return true;
}

bool ContentRef::readAll(std::vector<std::uint8_t>& into, std::string& problem,
                         std::uint64_t maxBytes) const {
  into.clear();
  if (size_ > maxBytes) {
    problem = (source_ ? source_->describe() + ": " : std::string()) + "the content holds " +
              std::to_string(size_) + " bytes, more than " + std::to_string(maxBytes);
    return false;
  }
  into.resize(static_cast<std::size_t>(size_));
  std::size_t filled = 0;
  for (const auto& run : runs_) {
    std::string why;
    const std::span<std::uint8_t> part(into.data() + filled, static_cast<std::size_t>(run.length));
    if (!source_->readAt(run.offset, part, why)) {
      problem = source_->describe() + ": " + why;
      into.clear();
      return false;
    }
    filled += part.size();
  }
  return true;
}

}  // namespace orvane
