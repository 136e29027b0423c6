#pragma once

// The "Manifest.mbdb" manifest of older device backups: a 6-byte magic and
// then one record per backed-up file, all integers big-endian.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace orvane {

// One manifest record: where the file was on the device and where its
// copy lies in the backup folder.
struct PRTreeDirNode {
  std::string fileDomain;
  std::string filePath;
  std::string fileKey;  // full path of the backup file
};

// Bytes read one after another, from memory or from a file.
class MbdbByteSource {
 public:
  virtual ~MbdbByteSource() = default;
  // Reads up to `count` bytes; answers how many were read.
  virtual std::size_t read(std::uint8_t* out, std::size_t count) = 0;
  virtual std::uint64_t position() const = 0;
  virtual std::uint64_t size() const = 0;
};

class MbdbReader {
 public:
  // A record as stored: the domain and path bytes exactly, for naming.
  struct RawRecord {
    std::string domain;
    std::string path;
    // in encrypted backups: four bytes, then the file's wrapped key
    std::string encryptionKey;
    std::uint64_t size = 0;
    std::uint8_t protectionClass = 0;
    std::uint16_t mode = 0;  // the file type in the top four bits
  };
  using RecordHandler = std::function<void(const RawRecord&, std::uint64_t position)>;

  explicit MbdbReader(MbdbByteSource& source) : source_(source) {}

  // Walks every record after checking the magic; answers false when the
  // magic is wrong or missing. A record cut short by the end of the data is
  // handed over when its domain and path are whole, and ends the walk.
  bool walk(const RecordHandler& onRecord);

  // Reads one string into `text`: 0, or -1 when it is absent (length FFFF)
  // or empty, `text` then unchanged. A string cut short also answers -1.
  int getS(std::string& text);
  // Skips one string; -1 when absent, empty or cut short.
  int seekData();
  bool truncated() const { return truncated_; }

  // Uppercase hexadecimal pairs of `bytes`.
  static std::string toHex(std::span<const std::uint8_t> bytes);

 private:
  bool readExactly(std::uint8_t* out, std::size_t count);
  bool skip(std::size_t count);
  bool readLength(std::uint16_t& length);

  MbdbByteSource& source_;
  bool truncated_ = false;
};

class MbdbMemorySource final : public MbdbByteSource {
 public:
  explicit MbdbMemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t read(std::uint8_t* out, std::size_t count) override;
  std::uint64_t position() const override { return offset_; }
  std::uint64_t size() const override { return bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t offset_ = 0;
};

class BackupFile;

// Reads a manifest file through the C library's buffering, read-only.
class MbdbFileSource final : public MbdbByteSource {
 public:
  // Takes over the file's descriptor.
  explicit MbdbFileSource(BackupFile file);
  ~MbdbFileSource() override;
  MbdbFileSource(const MbdbFileSource&) = delete;
  MbdbFileSource& operator=(const MbdbFileSource&) = delete;

  bool isOpen() const { return file_ != nullptr; }
  std::size_t read(std::uint8_t* out, std::size_t count) override;
  std::uint64_t position() const override { return offset_; }
  std::uint64_t size() const override { return size_; }

 private:
  std::FILE* file_ = nullptr;
  std::uint64_t offset_ = 0;
  std::uint64_t size_ = 0;
};

// Every record of a manifest held in memory; the fuzzing entry point.
std::size_t walkMbdbBytes(std::span<const std::uint8_t> bytes,
                          const MbdbReader::RecordHandler& onRecord);

}  // namespace orvane
