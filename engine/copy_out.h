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

// One stretch of a found file on the device; a file joined from fragments
// has one per fragment, in order.
struct DeviceRun {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  friend bool operator==(const DeviceRun&, const DeviceRun&) = default;
};

// Reads the runs one after the other into `buffer`, which they fill exactly.
CopyResult readFromDevice(const std::string& deviceName, std::span<const DeviceRun> runs,
                          std::span<std::byte> buffer);

// Copies the runs of the device, one after the other, into a new file. The
// target path comes in a fixed buffer of `capacity` bytes: one that has no
// NUL within it is refused, never cut. An existing file is never replaced,
// and a copy that fails half way is removed.
CopyResult copyToNewFile(const char* targetPath, std::size_t capacity,
                         const std::string& deviceName, std::span<const DeviceRun> runs);

const char* describe(CopyResult result);

}  // namespace orvane::engine
