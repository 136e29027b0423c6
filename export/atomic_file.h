#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace orvane {

enum class ExistingFile { replace, keep };

// Writes `bytes` to a new file beside `path` and then renames it to `path`,
// so a reader never sees half a file and a failed write leaves nothing
// behind. With ExistingFile::keep a file already at `path` is never
// replaced: the write fails with `file_exists` instead. Answers the error,
// empty on success.
std::error_code writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                    ExistingFile existing);

// Renames `from` to `to` unless `to` exists.
std::error_code renameWithoutReplacing(const std::filesystem::path& from,
                                       const std::filesystem::path& to);

}  // namespace orvane
