#pragma once

// Deletes rows from a store of a backup that ModernBackupWriter wrote, as
// a device does with secure deletion off: the cells stay in the pages'
// free space. In log form the deletion goes to a write-ahead log kept as
// "<hashed name>-wal" beside the store, which the main file never sees.

#include <filesystem>
#include <string>
#include <string_view>

#include "carving/legacy_backup_writer.h"

namespace orvane::fixtures {

void deleteModernRows(const std::filesystem::path& folder, std::string_view domainPath,
                      const std::string& sql, Journal journal);

}  // namespace orvane::fixtures
