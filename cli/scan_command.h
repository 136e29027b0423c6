#pragma once

#include <optional>
#include <string>

namespace orvane::cli {

struct ScanOptions {
  std::string source;
  std::optional<std::string> exportFolder;
  bool json = false;
  // iconv's name of the 8-bit set of message texts; empty: the default
  std::string textCharset;
};

// Exit status: 0 done (also when nothing was found), 2 when the source
// cannot be read or is of no kind this program reads, or the export cannot
// start.
int runScan(const ScanOptions& options);

}  // namespace orvane::cli
