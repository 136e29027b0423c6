#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "core/app_delegate.h"
#include "core/stop_signals.h"
#include "rawscan/disk_file_controller.h"

namespace orvane::cli {

struct RawScanOptions {
  std::string device;  // a disk ("/dev/sdb") or a disk image file
  std::optional<std::int32_t> partition;
  std::optional<std::string> exportFolder;
  bool json = false;
  StopSignals* stopSignals = nullptr;  // Ctrl-C and SIGTERM stop the scan or export
};

// Scans a memory card, another disk or a disk image for deleted files.
// Exit status: 0 done (also when nothing was found), 2 when the device or
// image cannot be read, the engine cannot be loaded, or the export folder
// cannot be used (exists, cannot be made, lies on the card), 3 when the
// export could not write every found file, 130 when Ctrl-C or SIGTERM
// stopped the scan or the export.
int runRawScan(const RawScanOptions& options);

// Why a device or disk image could not be opened, and what to do, in one
// line, from the error number of the failed open.
std::string unreadableDeviceReason(int errorNumber, bool isImageFile);

// The rule that keeps exports off the card being rescued: a block device's
// export folder may not be on any file system of the same physical disk;
// a disk image is a file, and writing beside it never changes its bytes.
bool exportWouldWriteToSource(const std::filesystem::path& exportFolder, const std::string& device);

// Loads the recovery engine; says why and answers false when it cannot.
bool loadEngine(RawEngine& engine);

// Adds a disk image file to the chooser's listing; says why and answers
// false when it cannot. `imagePath` is absolute, as the listing names it.
bool addDiskImage(PRDiskFileController& chooser, const std::string& imagePath);

}  // namespace orvane::cli
