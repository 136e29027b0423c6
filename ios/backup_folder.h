#pragma once

// Opening files inside a device backup without ever leaving it. A backup
// folder comes from another machine or another user: any hashed file, and
// the two-digit subfolders of newer backups, may be symbolic links to
// /etc/passwd or to a picture elsewhere. Every file is therefore opened
// component by component from the backup folder's descriptor with
// O_NOFOLLOW, and fstat confirms that a regular file was opened. SQLite,
// libplist and the media probe see a private copy or bytes read through
// that descriptor, never a path that could be swapped for a link.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "core/unique_fd.h"

namespace orvane {

class BackupFile {
 public:
  enum class State { opened, missing, refused };

  BackupFile() = default;
  BackupFile(int fd, State state, std::uint64_t size) : fd_(fd), state_(state), size_(size) {}

  // Opens `relative` ("Manifest.db", "3d/3d0d7e5f...") inside `folder`.
  // The folder itself is the user's choice and may be reached through a
  // link; below it, a link at any component, or anything but a regular
  // file at the end, is refused with one line on the error stream.
  static BackupFile open(const std::filesystem::path& folder, std::string_view relative);
  // The same for a full path: a file directly in a backup folder or in
  // the subfolder named by its first two digits.
  static BackupFile open(const std::filesystem::path& file);

  State state() const { return state_; }
  bool opened() const { return state_ == State::opened; }
  int fd() const { return fd_.get(); }
  // Hands the descriptor over to the caller.
  int release() { return fd_.release(); }
  std::uint64_t size() const { return size_; }

  // Copies the whole file to a new file `target` (mode 0600; an existing
  // file of that name is replaced, a link there is not followed).
  bool copyTo(const std::filesystem::path& target, std::string& problem) const;
  // Up to `count` bytes from `offset`; fewer at the end of the file.
  std::string readAt(std::uint64_t offset, std::size_t count) const;

 private:
  UniqueFd fd_;
  State state_ = State::missing;
  std::uint64_t size_ = 0;
};

// The backup file of a hashed name: directly in the folder (older backups)
// or in the subfolder named by its first two digits (iOS 10 on). A link
// where the flat file would be is refused, not passed over.
struct HashedBackupFile {
  BackupFile file;
  std::string relative;  // where it was found; the subfolder form when missing
};
HashedBackupFile openHashedBackupFile(const std::filesystem::path& folder,
                                      std::string_view hashedName);

}  // namespace orvane
