#include "blackberry/blackberry_databases.h"

#include <array>

namespace orvane {

namespace {

struct NamedDatabase {
  std::string_view name;
  BlackBerryDatabase database;
};

constexpr std::array<NamedDatabase, 7> kIpdDatabases{{
    {"Phone Call Logs", BlackBerryDatabase::kCallLog},
    {"Address Book - All", BlackBerryDatabase::kAddressBook},
    {"SMS Messages", BlackBerryDatabase::kSms},
    {"MMS Messages", BlackBerryDatabase::kMms},
    {"Memos", BlackBerryDatabase::kMemos},
    {"Calendar - All", BlackBerryDatabase::kCalendar},
    {"Content Store", BlackBerryDatabase::kContentStore},
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

int readPercent(std::uint64_t done, std::uint64_t total) {
  if (total == 0 || done >= total) return 100;
  // done < total: the product cannot overflow for any file under 2^57 bytes
  return static_cast<int>(done * 100 / total);
}

}  // namespace orvane
