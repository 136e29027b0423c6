#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orvane::engine {

enum class CopyResult {
  copied,
  pathTooLong,
  cannotOpenSource,
  targetExists,
  cannotWrite,
  shortRead
};

// Reads `buffer.size()` bytes at `offset` of the device into `buffer`.
CopyResult readFromDevice(const std::string& deviceName, std::uint64_t offset,
                          std::span<std::byte> buffer);

// Copies `length` bytes at `offset` of the device into a new file. The
// target path comes in a fixed buffer of `capacity` bytes: one that has no
// NUL within it is refused, never cut. An existing file is never replaced,
// and a copy that fails half way is removed.
CopyResult copyToNewFile(const char* targetPath, std::size_t capacity,
                         const std::string& deviceName, std::uint64_t offset, std::uint64_t length);

const char* describe(CopyResult result);

}  // namespace orvane::engine
