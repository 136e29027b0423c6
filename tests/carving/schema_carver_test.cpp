// Rows found by a table's own shape, on databases the SQLite library wrote:
// what a header may look like, where deleted rows lie (a free block that
// took the cell's first bytes, the gap, a freelist page, the log only),
// and what is refused.

#include "carving/schema_carver.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "carving/carved_table.h"
#include "carving/table_shape.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "fixtures/scratch_folder.h"

namespace orvane::carving {
namespace {

void exec(sqlite3* db, const std::string& sql) {
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
}

// A database written by `setup` then `change` (secure deletion off); in
// log form only `change` goes to the log.
struct Written {
  std::vector<std::uint8_t> main;
  std::vector<std::uint8_t> log;
};

Written writeDatabase(const fixtures::ScratchFolder& scratch, const std::string& setup,
                      const std::string& change, bool log) {
  const std::filesystem::path path = scratch / "t.db";
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  exec(db, "PRAGMA secure_delete=OFF; PRAGMA page_size=1024;");
  if (log) {
    exec(db, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
    int unused = 0;
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, &unused);
  }
  exec(db, setup);
  if (log) sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  exec(db, change);
  sqlite3_close(db);
  Written written{fixtures::readFileBytes(path), {}};
  if (log) written.log = fixtures::readFileBytes(path.string() + "-wal");
  return written;
}

constexpr const char* kTable =
    "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT NOT NULL, note VARCHAR(80), n INTEGER);";

// "rowid|name|n" of each row the shape search hands over ("-" for a key
// the free-block header took)
std::multiset<std::string> carve(const Written& written) {
  fixtures::ScratchFolder scratch;
  auto copy = PrivateCopy::fromBytes(written.main, written.log, scratch.path());
  EXPECT_TRUE(copy.has_value());
  std::multiset<std::string> found;
  if (!copy) return found;
  const TableLayout layout = layoutOf(*copy, "t");
  SeenRows seen;
  NotificationCenter nc;
  PerScanLists lists;
  ScanContext ctx(nc, lists, scratch.path());
  carveTables(*copy,
              {{{&layout, {}, {}},
                [&](CarvedRow row) {
                  if (!seen.firstTime(row)) return;
                  found.insert((row.rowid() ? std::to_string(*row.rowid()) : "-") + "|" +
                               row.text("name").value_or("") + "|" +
                               row.text("n").value_or("NULL"));
                }}},
              ctx);
  return found;
}

std::string rows(int from, int to, int noteLength) {
  std::string sql;
  for (int i = from; i <= to; ++i) {
    sql += "INSERT INTO t (id, name, note, n) VALUES (" + std::to_string(i) + ", 'row" +
           std::to_string(i) + "', '" + std::string(static_cast<std::size_t>(noteLength), 'x') +
           "', " + std::to_string(i * 1000) + ");";
  }
  return sql;
}

TEST(TableShape, HeadersFollowTheDeclaredColumns) {
  fixtures::ScratchFolder scratch;
  const auto written =
      writeDatabase(scratch,
                    std::string(kTable) +
                        "CREATE TABLE odd (a INT PRIMARY KEY, c);"
                        "CREATE TABLE keyed (k TEXT PRIMARY KEY, v) WITHOUT ROWID;",
                    "", false);
  auto copy = PrivateCopy::fromBytes(written.main, {}, scratch / "private");
  ASSERT_TRUE(copy);
  // serial types 0 NULL, 1 integer, 7 REAL, 9 one, 10 reserved, 12 blob, 13 text
  const struct {
    const char* table;
    std::size_t column;
    std::string types;
  } cases[] = {
      {"t", 0, "0 "},                // the rowid alias is NULL
      {"t", 1, "12 13 "},            // TEXT NOT NULL
      {"t", 2, "0 12 13 "},          // VARCHAR
      {"t", 3, "0 1 7 9 "},          // INTEGER
      {"odd", 0, "0 1 7 9 "},        // INT PRIMARY KEY is no alias
      {"odd", 1, "0 1 7 9 12 13 "},  // untyped
  };
  for (const auto& c : cases) {
    const auto shape = shapeOf(*copy, c.table);
    ASSERT_TRUE(shape) << c.table;
    std::string types;
    for (const int type : {0, 1, 7, 9, 10, 12, 13}) {
      if (shape->allows(c.column, static_cast<std::uint64_t>(type)))
        types += std::to_string(type) + " ";
    }
    EXPECT_EQ(types, c.types) << c.table << " column " << c.column;
  }
  // a header-size byte, the alias, two texts of up to nine bytes, an integer
  EXPECT_EQ(shapeOf(*copy, "t")->maxHeaderSize(), 21u);
  EXPECT_FALSE(shapeOf(*copy, "keyed"));
  EXPECT_FALSE(shapeOf(*copy, "absent"));
}

TEST(SchemaCarving, DeletedRowsWhereverTheirBytesRemain) {
  struct Case {
    const char* what;
    std::string setup;
    std::string change;
    bool log;
    std::multiset<std::string> expected;
  };
  const std::vector<Case> cases = {
      // the newest cell lies at the content's start: freeing it widens the
      // gap; a free-block header still takes its first bytes
      {"gap", rows(1, 5, 40), "DELETE FROM t WHERE id = 5;", false, {"-|row5|5000"}},
      // a free block's header takes the cell's length, key and header size
      {"free block", rows(1, 5, 40), "DELETE FROM t WHERE id = 3;", false, {"-|row3|3000"}},
      // the main file never held the row
      {"log only",
       rows(1, 5, 40),
       "INSERT INTO t VALUES (6, 'row6', 'y', 6000); DELETE FROM t WHERE id = 6;",
       true,
       {"6|row6|6000"}},
      // in the main file the row is a live cell; the log deleted it
      {"deleted in the log", rows(1, 5, 40), "DELETE FROM t WHERE id = 2;", true, {"2|row2|2000"}},
      // text that is no UTF-8 is no row of this table
      {"not UTF-8",
       rows(1, 3, 40) + "INSERT INTO t VALUES (4, CAST(x'C328' AS TEXT), 'z', 4);",
       "DELETE FROM t WHERE id = 4;",
       false,
       {}},
  };
  for (const Case& c : cases) {
    fixtures::ScratchFolder scratch;
    EXPECT_EQ(carve(writeDatabase(scratch, kTable + c.setup, c.change, c.log)), c.expected)
        << c.what;
  }
}

TEST(SchemaCarving, RowsOnFreelistPages) {
  fixtures::ScratchFolder scratch;
  // about four rows to a 1024-byte page: deleting the first hundred frees
  // whole leaf pages, which keep their cells on the freelist
  const auto found = carve(
      writeDatabase(scratch, kTable + rows(1, 120, 200), "DELETE FROM t WHERE id <= 100;", false));
  std::set<int> ids;
  for (const std::string& row : found) {
    int id = 0;
    int n = 0;
    ASSERT_EQ(std::sscanf(row.substr(row.find('|') + 1).c_str(), "row%d|%d", &id, &n), 2) << row;
    EXPECT_TRUE(id <= 100 && n == id * 1000) << row;
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), found.size()) << "a row came twice";
  // every row whose bytes remain: the balancing that followed the deletion
  // reused the space of five (rows 2 to 4 lie in the root page, which
  // turned interior when the table grew a level)
  EXPECT_EQ(ids.size(), 95u);
}

// An old copy of a live record is passed over; an older version of a row
// that differs only in the middle (where the hash does not look) is not.
TEST(LiveRecords, OnlyAByteForByteCopyIsLive) {
  std::vector<std::uint8_t> live(400, 'a');
  std::vector<std::uint8_t> sameEnds = live;
  sameEnds[200] = 'b';
  std::vector<std::uint8_t> shorter(live.begin(), live.end() - 1);
  std::vector<LiveRecord> records;
  records.push_back({recordHash(live), live});

  const std::vector<std::uint8_t> copy = live;
  EXPECT_TRUE(isLiveRecord(records, copy));
  EXPECT_FALSE(isLiveRecord(records, sameEnds));
  EXPECT_FALSE(isLiveRecord(records, shorter));
}

}  // namespace
}  // namespace orvane::carving
