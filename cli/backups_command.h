#pragma once

#include <optional>
#include <string>

namespace orvane::cli {

// Lists the device backups under `root` (default: the current user's iTunes
// backup folder), one line each. Exit status 2 when a named root is missing.
int runBackups(const std::optional<std::string>& root);

}  // namespace orvane::cli
