#pragma once

#include <filesystem>
#include <system_error>

namespace orvane {

// Makes the export folder, with any missing parents, and fails with
// `file_exists` when the folder (or anything else under that name) is
// already there: the last step is one mkdir, so of two runs naming the same
// new folder only one gets it, and nothing already in a folder is ever
// written over.
std::error_code makeExportFolder(const std::filesystem::path& folder);

}  // namespace orvane
