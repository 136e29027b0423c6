#pragma once

// One row of a device database with its cells found by column name, so that
// a row maps to its record the same way whether it was read by a statement
// or carved from free pages. Names compare without regard to case.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orvane {

class SqliteStatement;

class DbRow {
 public:
  virtual ~DbRow() = default;
  virtual bool has(std::string_view column) const = 0;
  // nothing for a missing column or a null or empty cell
  virtual std::optional<std::string> text(std::string_view column) const = 0;
  // the cell's leading decimal number (a fraction is cut off)
  virtual std::optional<std::int64_t> decimal(std::string_view column) const = 0;
  virtual std::span<const std::uint8_t> blob(std::string_view column) const = 0;
};

// The current row of a statement.
class StatementRow final : public DbRow {
 public:
  explicit StatementRow(const SqliteStatement& rows) : rows_(rows) {}
  bool has(std::string_view column) const override;
  std::optional<std::string> text(std::string_view column) const override;
  std::optional<std::int64_t> decimal(std::string_view column) const override;
  std::span<const std::uint8_t> blob(std::string_view column) const override;

 private:
  const SqliteStatement& rows_;
};

// Another row read under the names a mapping knows: with the pair
// {"address", "ZADDRESS"}, "address" reads ZADDRESS. The live readers say
// the same with "as" in their statements.
class RenamedRow final : public DbRow {
 public:
  struct Name {
    std::string_view as;
    std::string_view column;
  };
  RenamedRow(const DbRow& row, std::span<const Name> names) : row_(row), names_(names) {}
  bool has(std::string_view column) const override { return row_.has(columnOf(column)); }
  std::optional<std::string> text(std::string_view column) const override {
    return row_.text(columnOf(column));
  }
  std::optional<std::int64_t> decimal(std::string_view column) const override {
    return row_.decimal(columnOf(column));
  }
  std::span<const std::uint8_t> blob(std::string_view column) const override {
    return row_.blob(columnOf(column));
  }

 private:
  std::string_view columnOf(std::string_view name) const;

  const DbRow& row_;
  std::span<const Name> names_;
};

}  // namespace orvane
