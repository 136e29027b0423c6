#pragma once

// Copies a file found on a card or disk out to a new file. The raw scan
// provides it (through the engine that found the file); export asks it for
// every ticked found file.

#include <filesystem>
#include <string>

#include "core/scan_list_node.h"

namespace orvane {

class FoundFileCopier {
 public:
  virtual ~FoundFileCopier() = default;
  // Writes the found file to `target`, which does not exist yet; false with
  // a one-line reason for the user when nothing usable was written.
  virtual bool copyFoundFile(const PRScanListNode& node, const std::filesystem::path& target,
                             std::string& problem) const = 0;
};

}  // namespace orvane
