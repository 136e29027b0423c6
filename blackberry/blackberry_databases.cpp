#include "blackberry/blackberry_databases.h"

#include <array>

namespace orvane {

namespace {

struct NamedDatabase {
  std::string_view name;
  BlackBerryDatabase database;
  int progress;
};

constexpr std::array<NamedDatabase, 7> kIpdDatabases{{
    {"Phone Call Logs", BlackBerryDatabase::kCallLog, 95},
    {"Address Book - All", BlackBerryDatabase::kAddressBook, 20},
    {"SMS Messages", BlackBerryDatabase::kSms, 40},
    {"MMS Messages", BlackBerryDatabase::kMms, 80},
    {"Memos", BlackBerryDatabase::kMemos, 90},
    {"Calendar - All", BlackBerryDatabase::kCalendar, 60},
    {"Content Store", BlackBerryDatabase::kContentStore, 70},
}};

}  // namespace

std::optional<BlackBerryDatabase> ipdDatabaseNamed(std::string_view name) {
  for (const auto& known : kIpdDatabases) {
    if (known.name == name) return known.database;
  }
  return std::nullopt;
}

std::optional<BlackBerryDatabase> winDatabaseNamed(std::string_view name) {
  if (name == "Phone History") return BlackBerryDatabase::kCallLog;
  return ipdDatabaseNamed(name);
}

int ipdProgressFor(BlackBerryDatabase database) {
  for (const auto& known : kIpdDatabases) {
    if (known.database == database) return known.progress;
  }
  return 0;
}

}  // namespace orvane
