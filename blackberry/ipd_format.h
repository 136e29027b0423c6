#pragma once

// Fixed facts of the IPD container shared by the readers and the archive
// form. All numbers in records are little-endian; only the database count
// in the file header is big-endian.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace orvane::ipd {

// Every IPD file, and every per-database file of a ".bbb" archive, starts
// with this text and a line feed.
inline constexpr std::string_view kHeaderText = "Inter@ctive Pager Backup/Restore File\n";
// The version byte follows the header text; the database count (BE) and a
// separator byte follow that.
inline constexpr std::size_t kDatabaseCountOffset = 39;
inline constexpr std::size_t kNameTableOffset = 42;

// Database index (2), record length (4), version (1), handle (2), unique id (4).
inline constexpr std::size_t kRecordHeaderSize = 13;
// The record length counts from the version byte: version, handle and
// unique id come before the field area.
inline constexpr std::uint32_t kRecordLengthBeforeFields = 7;
// Field length (2) and field type (1).
inline constexpr std::size_t kFieldHeaderSize = 3;

inline bool hasHeader(std::span<const std::uint8_t> file) {
  if (file.size() < kHeaderText.size()) return false;
  for (std::size_t i = 0; i < kHeaderText.size(); ++i) {
    if (file[i] != static_cast<std::uint8_t>(kHeaderText[i])) return false;
  }
  return true;
}

// A local file header, or the end record of an empty archive.
inline bool hasZipSignature(std::span<const std::uint8_t> file) {
  if (file.size() < 4 || file[0] != 'P' || file[1] != 'K') return false;
  return (file[2] == 3 && file[3] == 4) || (file[2] == 5 && file[3] == 6);
}

}  // namespace orvane::ipd
