#pragma once

// One row of the disk and partition chooser: a disk with its partitions as
// children, or one partition.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine_abi.h"

namespace orvane {

struct PRDiskInfoNode {
  // The engine's records; the engine keeps them for the life of the library.
  list_disk_struct* pSys_Disk = nullptr;          // disk rows
  list_part_struct* pSys_Part = nullptr;          // partition rows
  std::string diskdev = "Untitled";               // the disk's device name, on partition rows too
  std::string partitionName = "UnKnowPartition";  // the row's title
  std::string partitionSizeString = "0KB";        // not filled by the chooser
  std::optional<std::string> partitionType;       // file-system type of a partition row
  std::string partitionIcon;                      // picture name ("partitionImg")
  std::uint8_t isLeaf = 1;
  std::vector<std::shared_ptr<PRDiskInfoNode>> children;
  // The partition number handed to the scan; BB_WHOLE_DISK on disk rows.
  std::int32_t deviceIndex = -1;
  std::uint8_t bDiskFlag = 0;
};

using DiskRow = std::shared_ptr<PRDiskInfoNode>;

}  // namespace orvane
