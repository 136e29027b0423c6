#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "core/content_ref.h"

namespace orvane {

// A backup file read front to back through a buffer of its own. The walks
// ask for the bytes of one record header or one field area at a time and
// get them as one contiguous run; reading happens only when the run is not
// buffered yet, a window at a time. Nothing is mapped, so a file that is
// shortened while it is read (another program, a pulled USB stick) ends the
// walk with a note instead of killing the process, and the memory held is
// the window, not the pages already walked.
class FileWindow {
 public:
  static constexpr std::size_t kDefaultWindowBytes = 128u << 10;

  // Nothing, and `problem` set to one line such as "cannot open: Permission
  // denied", when the file cannot be opened or is not a regular file. Nothing
  // is read yet. `keepAlive` is held by the file's content source (below).
  static std::unique_ptr<FileWindow> open(const std::filesystem::path& path, std::string& problem,
                                          std::size_t windowBytes = kDefaultWindowBytes,
                                          std::shared_ptr<const void> keepAlive = {});
  ~FileWindow();
  FileWindow(const FileWindow&) = delete;
  FileWindow& operator=(const FileWindow&) = delete;

  // The size the file had when it was opened: the walks never go past it.
  std::uint64_t size() const { return size_; }

  // The `count` bytes at `offset`, valid until the next fetch. Cut to the
  // size above; shorter still only when the file ended early or a read
  // failed, and then shortfall() says where. Runs longer than the window
  // grow it, never past what the file holds.
  std::span<const std::uint8_t> fetch(std::uint64_t offset, std::size_t count) {
    if (offset >= start_ && offset - start_ <= filled_ && count <= filled_ - (offset - start_)) {
      return {buffer_ + (offset - start_), count};
    }
    return refill(offset, count);
  }

  // One line saying where the last short fetch stopped and why.
  const std::string& shortfall() const { return shortfall_; }

  // The open file as a content source: records refer to their content in
  // it by runs, and it outlives the window (the descriptor stays open, the
  // buffer goes).
  std::shared_ptr<const ContentSource> contentSource() const { return file_; }

  // How many bytes the buffer holds room for now.
  std::size_t capacity() const { return capacity_; }

 private:
  FileWindow(std::shared_ptr<FileContentSource> file, std::size_t windowBytes);
  std::span<const std::uint8_t> refill(std::uint64_t offset, std::size_t count);
  void makeRoom(std::uint64_t offset, std::size_t count, std::size_t kept);

  std::shared_ptr<FileContentSource> file_;
  std::uint64_t size_;
  std::size_t windowBytes_;
  // pages of its own, not the heap: see makeRoom()
  std::uint8_t* buffer_ = nullptr;
  std::size_t capacity_ = 0;
  // the file offset of buffer_[0], and how many bytes from there are read
  std::uint64_t start_ = 0;
  std::size_t filled_ = 0;
  std::string shortfall_;
};

// The first bytes of a file (fewer when it is shorter); empty when it cannot
// be read.
std::string readFilePrefix(const std::filesystem::path& path, std::size_t count);

}  // namespace orvane
