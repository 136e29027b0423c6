#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// Where bulk content (a stored file, an attachment, a picture) lies: a file
// of the backup, an unpacked copy of one, a decrypting view of one. Records
// never copy such content; they name the source and the runs in it, and the
// bytes are read when they are previewed, exported or printed.
//
// Reads are positioned and share no state, so one source may be read from
// several threads at once (the preview and an export). A source may do more
// than read: a view of an encrypted backup file decrypts the blocks a read
// touches (in CBC each block starts from the cipher block before it), and
// a file joined from fragments is one reference with a run per fragment.
class ContentSource {
 public:
  virtual ~ContentSource() = default;

  // Fills `into` with the bytes at `offset`. False, with `problem` set to one
  // line ("the file ended at offset 4096"), when not all of them could be
  // read: the source vanished, was shortened or cannot be read.
  virtual bool readAt(std::uint64_t offset, std::span<std::uint8_t> into,
                      std::string& problem) const = 0;

  // What the source is, for messages: usually a file name.
  virtual std::string describe() const = 0;
};

// A file read with pread() on a descriptor kept open for as long as anything
// refers to the source, so a file renamed or removed after the scan still
// gives what the scan saw; a file shortened since gives a problem line.
class FileContentSource final : public ContentSource {
 public:
  // Nothing, with `problem` set to one line ("cannot open: Permission
  // denied"), when `path` cannot be opened or is not a regular file.
  // `keepAlive` is held as long as the source (the folder an unpacked copy
  // lies in).
  static std::shared_ptr<FileContentSource> open(const std::filesystem::path& path,
                                                 std::string& problem,
                                                 std::shared_ptr<const void> keepAlive = {});
  ~FileContentSource() override;
  FileContentSource(const FileContentSource&) = delete;
  FileContentSource& operator=(const FileContentSource&) = delete;

  bool readAt(std::uint64_t offset, std::span<std::uint8_t> into,
              std::string& problem) const override;
  std::string describe() const override { return path_.filename().string(); }

  // The size the file had when it was opened.
  std::uint64_t sizeAtOpen() const { return sizeAtOpen_; }
  // Reads what it can at `offset` (a walk's window fill): the count read,
  // or -1 with errno set.
  long readSome(std::uint64_t offset, std::span<std::uint8_t> into) const;
  int descriptor() const { return fd_; }

 private:
  FileContentSource(int fd, std::uint64_t size, std::filesystem::path path,
                    std::shared_ptr<const void> keepAlive);

  int fd_;
  std::uint64_t sizeAtOpen_;
  std::filesystem::path path_;
  std::shared_ptr<const void> keepAlive_;
};

// Bytes held in memory (an input handed over whole, tests).
class BytesContentSource final : public ContentSource {
 public:
  BytesContentSource(std::vector<std::uint8_t> bytes, std::string name)
      : bytes_(std::move(bytes)), name_(std::move(name)) {}

  bool readAt(std::uint64_t offset, std::span<std::uint8_t> into,
              std::string& problem) const override;
  std::string describe() const override { return name_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::string name_;
};

// One stretch of content in its source.
struct ContentRun {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;

  friend bool operator==(const ContentRun&, const ContentRun&) = default;
};

// A record's bulk content: the runs, in order, that joined make it up. A
// reference without a source is absent ("none"), which differs from one
// that is present and empty.
class ContentRef {
 public:
  ContentRef() = default;
  explicit ContentRef(std::shared_ptr<const ContentSource> source,
                      std::vector<ContentRun> runs = {})
      : source_(std::move(source)), runs_(std::move(runs)) {
    for (const auto& run : runs_) size_ += run.length;
  }

  bool has_value() const { return source_ != nullptr; }
  explicit operator bool() const { return has_value(); }
  // Bytes in all runs; 0 when absent.
  std::uint64_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const std::shared_ptr<const ContentSource>& source() const { return source_; }
  const std::vector<ContentRun>& runs() const { return runs_; }

  // Appends a run; an absent reference must be given its source first.
  void append(ContentRun run) {
    runs_.push_back(run);
    size_ += run.length;
  }
  void reset() { *this = ContentRef(); }

  // Hands the content to `sink` front to back in pieces of at most
  // `pieceBytes`; the sink answers false to stop early. False, with
  // `problem` set to one line naming the source, when a piece could not be
  // read or the sink stopped; an absent reference gives nothing and true.
  bool stream(const std::function<bool(std::span<const std::uint8_t>)>& sink, std::string& problem,
              std::size_t pieceBytes = kStreamPieceBytes) const;

  // The whole content into `into`. False, with `problem` set, when it cannot
  // be read or is larger than `maxBytes` (then nothing is allocated).
  bool readAll(std::vector<std::uint8_t>& into, std::string& problem,
               std::uint64_t maxBytes = UINT64_MAX) const;

  static constexpr std::size_t kStreamPieceBytes = 1u << 20;

 private:
  std::shared_ptr<const ContentSource> source_;
  std::vector<ContentRun> runs_;
  std::uint64_t size_ = 0;
};

}  // namespace orvane
