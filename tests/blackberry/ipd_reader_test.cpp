// The IPD container: header, name table, record walk, routing, stop, and
// reading through a window buffer: runs at any offset, cut to the file, and
// a file that ends early while it is read.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>

#include "bb_test_support.h"
#include "blackberry/file_window.h"
#include "fixtures/scratch_folder.h"

namespace orvane::testing {
namespace {

using Status = ScanOutcome::Status;

// The name length may count the NUL.
TEST(IpdReader, NameLengthsCountingTheNul) {
  const auto counted =
      scanIpd(IpdWriter().countNulInNameLength().database("Memos").record(0, {Field(1, "Title")}));
  EXPECT_EQ(counted->lists.blackberryDatabaseArray[0]->databaseName, "Memos");
  EXPECT_EQ(counted->collector.records<PRBlackBerryNoteNode>().size(), 1u);
}

// Progress follows each record, as the share of the file read whatever the
// database; the last database's records are read too (every kind's routing
// is the sample backup's test).
TEST(IpdReader, RoutesByIndexAndPostsProgressAfterEachRecord) {
  const auto scan = scanIpd(IpdWriter()
                                .database("Address Book - All")
                                .database("Memos")
                                .record(0, {Field(32, "Ann")})
                                .record(1, {})
                                .record(0, {Field(32, "Bob")}));
  EXPECT_EQ(scan->collector.names(),
            (std::vector<std::string>{"BlacBerryContactInfo", "BlackBerryRawRecoveryProgress",
                                      "BlackBerryNoteInfo", "BlackBerryRawRecoveryProgress",
                                      "BlacBerryContactInfo", "BlackBerryRawRecoveryProgress"}));
  const auto progress = scan->collector.progress();
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_LT(progress.front(), progress.back());
  EXPECT_EQ(progress.back(), 100);
}

// The name table goes into the database list; records of databases that
// are not read are stepped over, a record of 7 bytes (no fields) too.
TEST(IpdReader, StepsOverDatabasesItDoesNotKnow) {
  // names count exactly; "Phone History" is only read in Windows backups
  const auto scan = scanIpd(IpdWriter()
                                .database("Address Book")
                                .database("Phone History")
                                .database("memos")
                                .database("Memos")
                                .record(0, {Field(32, "Ann")})
                                .record(1, {Field(12, "+1555")})
                                .record(2, {Field(1, "lower")})
                                .record(0, {}, 7)
                                .record(9, {Field(1, "no such index")})
                                .record(3, {Field(1, "kept")}));
  EXPECT_TRUE(scan->outcome.scanned());
  ASSERT_EQ(scan->lists.blackberryDatabaseArray.size(), 4u);
  EXPECT_EQ(scan->lists.blackberryDatabaseArray[3]->databaseName, "Memos");
  EXPECT_EQ(scan->collector.names(),
            (std::vector<std::string>{"BlackBerryNoteInfo", "BlackBerryRawRecoveryProgress"}));
  EXPECT_EQ(scan->collector.records<PRBlackBerryNoteNode>()[0]->noteTittle, "kept");
  EXPECT_FALSE(scan->reader.damage().any());
}

TEST(IpdReader, RefusesAFileWithoutTheHeaderText) {
  // the header text ends in a line feed, not a blank
  const auto scan = scanIpd(IpdWriter()
                                .headerText("Inter@ctive Pager Backup/Restore File ")
                                .database("Memos")
                                .record(0, {Field(1, "x")}));
  EXPECT_EQ(scan->outcome.status, Status::kNotABackup);
  EXPECT_EQ(scan->outcome.reason, "not a BlackBerry backup (no IPD header)");
  EXPECT_TRUE(scan->collector.events.empty());
  EXPECT_TRUE(scan->lists.blackberryDatabaseArray.empty());
  const Bytes shortFile(fixtures::kIpdHeaderText.begin(), fixtures::kIpdHeaderText.end());
  EXPECT_EQ(scanIpd(shortFile)->outcome.reason,
            "not a BlackBerry backup (the file ends inside the IPD header)");
}

// Damage ends the walk; the records before it are kept and the damage
// named.
TEST(IpdReaderDamage, TheWalkEndsAtDamageKeepingTheRecordsBeforeIt) {
  const auto memos = [] {
    return std::move(IpdWriter().database("Memos").record(0, {Field(1, "kept")}));
  };
  const struct {
    const char* what;
    IpdWriter ipd;
    std::size_t kept;
    std::string damage;
  } cases[] = {
      {"length 6", memos().record(0, {Field(1, "x")}, 6).record(0, {Field(1, "after")}), 1,
       "impossible length"},
      {"cut record header", memos().rawBytes({0, 0, 9, 0, 0}), 1, "cut off"},
      // the second name claims more bytes than the file has
      {"cut name table", IpdWriter().database("Memos").databaseCount(3).rawBytes({0xFF, 0x7F, 'x'}),
       0, "name table"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto scan = scanIpd(c.ipd);
    EXPECT_TRUE(scan->outcome.scanned());
    EXPECT_EQ(scan->lists.blackberryDatabaseArray.size(), 1u);
    const auto kept = scan->collector.records<PRBlackBerryNoteNode>();
    ASSERT_EQ(kept.size(), c.kept);
    for (const auto& memo : kept) EXPECT_EQ(memo->noteTittle, "kept");
    EXPECT_NE(scan->reader.damage().text.find(c.damage), std::string::npos);
  }
}

TEST(IpdReaderDamage, RecordLongerThanTheFileIsReadToTheEnd) {
  // 0xFFFFFFFF is negative when read signed; it must neither go backwards
  // nor allocate for the length it claims
  for (std::uint32_t claimed : {0xFFFFFFFFu, 0x80000000u, 5000u}) {
    const Bytes file = IpdWriter()
                           .database("Content Store")
                           .record(0, {Field::raw(7, Bytes(20, 1))})
                           .record(0, {Field::raw(7, Bytes(30, 2))}, claimed);
    const auto scan = scanIpd(file);
    const auto files = scan->collector.records<PRBlackBerryContentNode>();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(contentOf(files[1]->contentData), Bytes(30, 2));
    EXPECT_EQ(scan->reader.bbOffSet, file.size());
    EXPECT_NE(scan->reader.damage().text.find("claims"), std::string::npos);
  }
}

// Stop, as the app's button or Ctrl-C sets it, ends the walk before the
// next record; what was posted stays.
TEST(IpdReader, StopEndsTheWalkBeforeTheNextRecord) {
  IpdWriter writer;
  writer.database("Memos");
  for (int i = 0; i < 5; ++i) writer.record(0, {Field(1, "title"), Field(2, "body")});
  NotificationCenter nc;
  PerScanLists lists;
  std::atomic<bool> stop{false};
  int memos = 0;
  nc.addObserver(events::BlackBerryNoteInfo, [&](const EventObject&) {
    if (++memos == 2) stop = true;
  });
  IpdReader reader(nc, lists);
  reader.stopFlag = &stop;
  reader.scanBytes(writer.bytes());
  EXPECT_EQ(memos, 2);
  EXPECT_FALSE(reader.damage().any());
}

// --- the window a backup is read through ---

Bytes numbered(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

Bytes asBytes(std::span<const std::uint8_t> run) { return Bytes(run.begin(), run.end()); }

Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t count) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

// Exact runs at every window size are the windowed scan's test below.
TEST(FileWindow, RunsAreCutToTheFileAndNeverOutgrowIt) {
  const fixtures::ScratchFolder folder;
  const Bytes content = numbered(1000);
  fixtures::writeFileBytes(folder / "backup.ipd", content);
  std::string problem;
  const auto window = FileWindow::open(folder / "backup.ipd", problem, 64);
  ASSERT_NE(window, nullptr) << problem;
  EXPECT_EQ(asBytes(window->fetch(990, 100)), slice(content, 990, 10));
  EXPECT_TRUE(window->fetch(1000, 5).empty());
  EXPECT_TRUE(window->fetch(5000, 5).empty());
  // a length claimed by the file is no reason to allocate more than it holds
  EXPECT_EQ(window->fetch(100, 0xFFFFFFFFu).size(), 900u);
  EXPECT_LE(window->capacity(), 900u);
  EXPECT_TRUE(window->shortfall().empty());
}

// A FIFO with no writer must not hold the scan up (missing files and
// folders are the source tests').
TEST(FileWindow, AFifoIsRefusedAtOnce) {
  const fixtures::ScratchFolder folder;
  std::string problem;
  const auto fifo = folder / "fifo.ipd";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(FileWindow::open(fifo, problem), nullptr);
  EXPECT_EQ(problem, "cannot read: not a regular file");
  EXPECT_EQ(readFilePrefix(fifo, 4), "");
}

// Everything a scan posted, in order: event names and records field by
// field (progress counts the file's size as it was opened).
std::string everythingPosted(const EventCollector& collector) {
  std::string out;
  for (const auto& event : collector.events) {
    out += event.name + "\n";
    if (const auto* record = std::get_if<RecordPtr>(&event.object)) out += dumpRecord(**record);
  }
  return out;
}

// Records of every size around the small windows below: one of 7 bytes,
// one far longer than most windows, short text records between.
IpdWriter mixedBackup() {
  const Bytes piece = numbered(300);
  return IpdWriter()
      .database("Address Book - All")
      .database("Memos")
      .database("Content Store")
      .database("SMS Messages")
      .record(0, {Field(32, "Ann"), Field(32, "Lee"), Field(1, "ann@example.com")})
      .record(1, {Field(1, "short")})
      .record(2, {Field(1, "/store/a.bin"), Field::raw(7, piece), Field::raw(7, piece)})
      .record(3, {Field::raw(1, {1, 0, 0, 0}), Field::skip4(2, "+1555"), Field(4, "see you")})
      .record(1, {})
      .record(1, {Field(1, std::string(100, 'm'))});
}

// Scans the file through a window of this size; `afterOpening` runs between
// opening the file and reading it.
std::unique_ptr<IpdScan> scanThroughWindow(const std::filesystem::path& path,
                                           std::size_t windowBytes,
                                           const std::function<void()>& afterOpening = {}) {
  std::string problem;
  const auto window = FileWindow::open(path, problem, windowBytes);
  if (!window) throw std::runtime_error(problem);
  if (afterOpening) afterOpening();
  auto scan = std::make_unique<IpdScan>();
  scan->outcome = scan->reader.scanFile(*window);
  return scan;
}

TEST(IpdReaderWindow, ScanThroughAnyWindowMatchesTheScanInMemory) {
  const fixtures::ScratchFolder folder;
  const Bytes bytes = mixedBackup();
  fixtures::writeFileBytes(folder / "backup.ipd", bytes);
  const auto inMemory = scanIpd(bytes);
  ASSERT_EQ(inMemory->collector.records<PRRecord>().size(), 6u);
  // smaller than a record header, one byte either side of it, records
  // straddling every boundary, and the whole file in one window
  for (std::size_t windowBytes : {1u, 12u, 13u, 14u, 20u, 64u, 257u, 1u << 20}) {
    const auto scan = scanThroughWindow(folder / "backup.ipd", windowBytes);
    EXPECT_TRUE(scan->outcome.scanned());
    EXPECT_EQ(everythingPosted(scan->collector), everythingPosted(inMemory->collector))
        << "window of " << windowBytes << " bytes";
    EXPECT_EQ(scan->lists.blackberryDatabaseArray.size(), 4u);
    EXPECT_EQ(scan->reader.bbOffSet, bytes.size());
    EXPECT_FALSE(scan->reader.damage().any());
  }
}

TEST(IpdReaderWindow, FileShortenedWhileScanningKeepsTheRecordsBeforeTheCut) {
  IpdWriter writer;
  writer.database("Memos");
  for (int i = 1; i <= 5; ++i) writer.record(0, {Field(1, "memo " + std::to_string(i))});
  const Bytes bytes = writer;
  // each record: header 13, field header 3, "memo N" and its NUL
  const std::size_t recordBytes = 23;
  const std::size_t fourth = bytes.size() - 2 * recordBytes;
  struct Cut {
    std::size_t at;
    std::string damage;
    std::string lastMemo;  // the title of the last memo posted
  };
  const Cut cuts[] = {
      {45, "the database name table ends early at offset 42", ""},
      {fourth + 5, "the file ended at offset " + std::to_string(fourth + 5) + " while being read",
       "memo 3"},
      {fourth + 19, "the file ended at offset " + std::to_string(fourth + 19) + " while being read",
       "mem"},
  };
  const fixtures::ScratchFolder folder;
  const auto path = folder / "shrinking.ipd";
  for (const auto& cut : cuts) {
    fixtures::writeFileBytes(path, bytes);
    const auto scan = scanThroughWindow(
        path, 32, [&] { ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(cut.at)), 0); });
    EXPECT_TRUE(scan->outcome.scanned());
    EXPECT_EQ(scan->reader.damage().text, cut.damage);
    // the same records as a file that was that short all along: whole ones
    // before the cut, and what was read of the one it fell in
    const auto shortAllAlong = scanIpd(slice(bytes, 0, cut.at));
    EXPECT_EQ(everythingPosted(scan->collector), everythingPosted(shortAllAlong->collector))
        << "cut at " << cut.at;
    const auto memos = scan->collector.records<PRBlackBerryNoteNode>();
    EXPECT_EQ(memos.empty() ? "" : memos.back()->noteTittle, cut.lastMemo);
  }
}

}  // namespace
}  // namespace orvane::testing
