#pragma once

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

// The progress number the IPD reader posts after each record of a database.
int ipdProgressFor(BlackBerryDatabase database);

// The Windows reader posts the same number after every record.
inline constexpr int kWinBackupProgress = 60;

}  // namespace orvane
