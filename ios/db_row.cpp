#include "ios/db_row.h"

#include <algorithm>
#include <cctype>

#include "ios/sqlite_access.h"

namespace orvane {

bool StatementRow::has(std::string_view column) const { return rows_.columnIndex(column) >= 0; }

std::optional<std::string> StatementRow::text(std::string_view column) const {
  return rows_.text(rows_.columnIndex(column));
}

std::optional<std::int64_t> StatementRow::decimal(std::string_view column) const {
  return rows_.decimal(rows_.columnIndex(column));
}

std::span<const std::uint8_t> StatementRow::blob(std::string_view column) const {
  return rows_.blob(rows_.columnIndex(column));
}

}  // namespace orvane

namespace orvane {

std::string_view RenamedRow::columnOf(std::string_view name) const {
  for (const Name& renamed : names_) {
    if (renamed.as.size() == name.size() &&
        std::equal(name.begin(), name.end(), renamed.as.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        })) {
      return renamed.column;
    }
  }
  return name;
}

}  // namespace orvane
