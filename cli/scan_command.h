#pragma once

#include <optional>
#include <string>

#include "core/stop_signals.h"

namespace orvane::cli {

struct ScanOptions {
  std::string source;
  std::optional<std::string> exportFolder;
  bool json = false;
  // iconv's name of the 8-bit set of message texts; empty: the default
  std::string textCharset;
  // the first line of this file is the password of an encrypted backup
  std::optional<std::string> passwordFile;
  StopSignals* stopSignals = nullptr;  // Ctrl-C and SIGTERM stop the scan or export
};

// Exit status: 0 done (also when nothing was found), 2 when the source
// cannot be read or is of no kind this program reads, or the export folder
// is encrypted and no password was given or the password is wrong, or
// the export folder exists already or cannot be made (checked before the scan), 3 when the
// export could not write every record, 130 when Ctrl-C or SIGTERM stopped
// the scan or the export.
int runScan(const ScanOptions& options);

}  // namespace orvane::cli
