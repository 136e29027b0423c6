#pragma once

#include <string>
#include <vector>

#include "sample_files.h"

namespace orvane::engine::testing {

struct RarFile {
  std::string name;
  std::string content;  // stored as is
  bool large = false;   // version 4: with the high halves of the sizes
};
// A RAR 4 or RAR 5 archive of stored files. `locked` (version 5) puts an
// encryption header after the marker and noise with no zero byte after it.
Bytes rarArchive(int version, const std::vector<RarFile>& files, bool endBlock = true,
                 bool locked = false);

}  // namespace orvane::engine::testing
