#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "core/content_ref.h"

namespace orvane {

enum class ExistingFile { replace, keep };

// Writes `bytes` to a new file beside `path` and then renames it to `path`,
// so a reader never sees half a file and a failed write leaves nothing
// behind. With ExistingFile::keep a file already at `path` is never
// replaced: the write fails with `file_exists` instead. Answers the error,
// empty on success.
std::error_code writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                    ExistingFile existing);

// The outcome of copyFileAtomically: the error, and whether it came from
// the source (missing, unreadable, not a regular file) rather than from the
// target.
struct CopyResult {
  std::error_code error;
  bool sourceFailed = false;
};

// Copies the regular file `source` to `path` the way writeFileAtomically
// writes: through a temporary file beside `path`, streamed in pieces so that
// large media never sit in memory whole. The source is opened read-only and
// never changed; anything but a regular file (a folder, a FIFO that would
// block, a device) is refused.
CopyResult copyFileAtomically(const std::filesystem::path& source,
                              const std::filesystem::path& path, ExistingFile existing);

// Writes a record's content to `path` the way writeFileAtomically writes,
// reading it piece by piece from where it lies. When the content cannot be
// read whole (its source vanished or was shortened), nothing is left at
// `path`, `sourceProblem` says why in one line and the error is io_error.
std::error_code writeContentAtomically(const ContentRef& content, const std::filesystem::path& path,
                                       ExistingFile existing, std::string& sourceProblem);

// The error of a copy source that is not a regular file.
std::error_code notARegularFileError();

// Renames `from` to `to` unless `to` exists.
std::error_code renameWithoutReplacing(const std::filesystem::path& from,
                                       const std::filesystem::path& to);

}  // namespace orvane
