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

// True when `folder` would lie inside the scanned `source` or be the source
// itself: a backup folder is compared with every parent of the folder,
// after links are resolved and again by device and inode (a second mount or
// another name of the same folder); a backup file is only the file itself,
// so a folder beside it is fine.
bool exportFolderInsideSource(const std::filesystem::path& folder,
                              const std::filesystem::path& source);

}  // namespace orvane
