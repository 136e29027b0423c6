#pragma once

// The disks the chooser listed last, kept for the scan, the preview and the
// recovery, which find the chosen disk in it by name.

#include <array>
#include <cstddef>
#include <string_view>

#include "engine/engine_abi.h"
#include "rawscan/raw_engine.h"

namespace orvane {

inline constexpr std::size_t kDiskTableSize = 26;
using DiskTableEntries = std::array<list_disk_struct*, kDiskTableSize>;

// One table for the process, as there is one engine; safe from any thread.
class DiskTable {
 public:
  static DiskTableEntries entries();
  static void replace(const DiskTableEntries& entries);
};

// The first disk of the table whose device name (engine slot 2) is
// `diskName`, byte for byte; none when no disk matches or the engine cannot
// name disks.
list_disk_struct* findDisk(const RawEngine& engine, std::string_view diskName);

}  // namespace orvane
