#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace orvane {

// A backup file mapped read-only. The readers decode straight from the
// mapping, so a field costs no system call, and pages already walked can be
// handed back to keep memory near the size of what was decoded.
class MappedFile {
 public:
  // Nothing, and `problem` set to one line such as "cannot open: Permission
  // denied", when the file cannot be opened or is not a regular file.
  static std::unique_ptr<MappedFile> open(const std::filesystem::path& path, std::string& problem);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::span<const std::uint8_t> bytes() const { return {data_, size_}; }

  // Drops the resident pages more than a step behind `position` (a pointer
  // into bytes()); they are read again from the file should anyone touch
  // them later. Cheap enough to call for every record.
  void releaseBehind(const std::uint8_t* position);

 private:
  MappedFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t releasedUpTo_ = 0;
};

// The first bytes of a file (fewer when it is shorter); empty when it cannot
// be read.
std::string readFilePrefix(const std::filesystem::path& path, std::size_t count);

}  // namespace orvane
