#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvane {

// The handheld databases the readers decode, each with its own decoder.
enum class BlackBerryDatabase {
  kAddressBook,
  kCallLog,
  kSms,
  kMms,
  kMemos,
  kCalendar,
  kContentStore,
};

// The databases an IPD file's name table may name. Names count exactly,
// case and spaces included: "Address Book" alone is another database.
std::optional<BlackBerryDatabase> ipdDatabaseNamed(std::string_view name);

// The per-database files of Windows backups know one name more: "Phone
// History", which holds call-log records.
std::optional<BlackBerryDatabase> winDatabaseNamed(std::string_view name);

// The progress number the readers post after each record: the share of
// the backup's bytes read so far, 0 to 100. Records are read in file order,
// so it never goes back, whichever databases they belong to.
int readPercent(std::uint64_t done, std::uint64_t total);

}  // namespace orvane
