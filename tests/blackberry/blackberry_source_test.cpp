// Choosing the reader for a chosen file, ".bbb" archives, the per-database
// files of Windows backups and the bundled sample backup.

#include "blackberry/blackberry_source.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "bb_test_support.h"
#include "blackberry/bbb_archive.h"
#include "blackberry/win_backup_reader.h"
#include "fixtures/bbb_writer.h"
#include "fixtures/scratch_folder.h"

namespace orvane::testing {
namespace {

using fixtures::BbbWriter;
using Status = ScanOutcome::Status;

Bytes memoFile(const std::string& title) {
  return IpdWriter().database("Memos").record(0, {Field(1, title)});
}

Bytes contactIpd(const std::string& name) {
  return IpdWriter()
      .database("Options")
      .database("Address Book - All")
      .record(1, {Field(32, name)});
}

class BlackBerrySourceTest : public ::testing::Test {
 protected:
  fixtures::ScratchFolder folder;
  std::shared_ptr<const TempFolder> scanFolder = std::make_shared<const TempFolder>();

  std::filesystem::path write(const std::string& name, const Bytes& bytes) {
    fixtures::writeFileBytes(folder / name, bytes);
    return folder / name;
  }
  std::unique_ptr<Scan> scan(const std::filesystem::path& path) {
    return scanSource(path, scanFolder);
  }
  std::unique_ptr<Scan> scan(const std::string& name, const Bytes& bytes) {
    return scan(write(name, bytes));
  }
};

TEST_F(BlackBerrySourceTest, AcceptsByExtensionInAnyCaseOrByContent) {
  const auto source = makeBlackBerrySource();
  for (const char* name : {"a.ipd", "a.IPD", "a.bbb", "a.BBB", "a.bBb"}) {
    EXPECT_TRUE(source->accepts(folder / name)) << name;  // even before it exists
  }
  EXPECT_TRUE(source->accepts(write("ipd.bin", memoFile("x"))));
  EXPECT_TRUE(source->accepts(
      write("zip.bin", BbbWriter().entry("Databases/1.dat", memoFile("x")).bytes())));
  EXPECT_FALSE(source->accepts(write("notes.txt", bytesOf("just some text, long enough to test"))));
  EXPECT_FALSE(source->accepts(folder / "missing.txt"));
}

TEST_F(BlackBerrySourceTest, FilesThatCannotBeReadSayWhy) {
  std::filesystem::create_directory(folder / "folder.ipd");
  const auto locked = write("locked.ipd", memoFile("x"));
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  const std::vector<std::tuple<std::filesystem::path, Status, std::string>> cases{
      {folder / "missing.ipd", Status::kUnreadable, "cannot open: No such file or directory"},
      {folder / "folder.ipd", Status::kUnreadable, "cannot read: Is a directory"},
      {locked, Status::kUnreadable, "cannot open: Permission denied"}};
  for (const auto& [path, status, reason] : cases) {
    if (path == locked && ::geteuid() == 0) continue;  // permissions do not bind root
    const auto result = scan(path);
    EXPECT_EQ(result->outcome.status, status) << path;
    EXPECT_EQ(result->outcome.reason, reason);
    EXPECT_TRUE(result->collector.events.empty());
  }
}

// Records of an archive refer to its unpacked copy in the scan's folder:
// readable after the scan, gone from the disk once the records are.
TEST_F(BlackBerrySourceTest, UnpackedCopyLivesAsLongAsTheRecordsReferToIt) {
  const Bytes picture(3000, 0xD8);
  const auto archive =
      write("backup.BBB", BbbWriter()
                              .folder("Databases/")
                              .entry("Databases/Databases.ipd",
                                     IpdWriter()
                                         .database("Address Book - All")
                                         .record(0, {Field(32, "Ann"), Field::raw(77, picture)}))
                              .bytes());
  const Bytes before = fixtures::readFileBytes(archive);
  const std::filesystem::path scanPath = scanFolder->path();
  std::shared_ptr<PRBlackBerryContactNode> contact;
  {
    const auto result = scan(archive);
    EXPECT_TRUE(result->outcome.scanned());
    contact = result->collector.records<PRBlackBerryContactNode>().at(0);
  }
  scanFolder.reset();  // the scan is over
  EXPECT_FALSE(std::filesystem::is_empty(scanPath));
  EXPECT_EQ(contentOf(contact->contactImageData), picture);
  contact.reset();
  EXPECT_FALSE(std::filesystem::exists(scanPath));
  EXPECT_EQ(fixtures::readFileBytes(archive), before);  // the archive is untouched
}

// The single IPD file wins over per-database files of the same archive, and
// nothing is read from an earlier archive unpacked into the same folder
// (whose records are still held); once no record refers to them, nothing
// unpacked is left.
TEST_F(BlackBerrySourceTest, OnlyTheArchivesOwnIpdFileWinsOverPerDatabaseFiles) {
  const auto first = scan("first.bbb", BbbWriter()
                                           .entry("Databases/1.dat", memoFile("memo"))
                                           .entry("Databases/Databases.ipd", contactIpd("Ann"))
                                           .bytes());
  EXPECT_EQ(first->collector.records<PRBlackBerryContactNode>().size(), 1u);
  EXPECT_TRUE(first->collector.records<PRBlackBerryNoteNode>().empty());
  const auto second =
      scan("second.bbb", BbbWriter().entry("Databases/1.dat", memoFile("memo")).bytes());
  EXPECT_TRUE(second->collector.records<PRBlackBerryContactNode>().empty());
  EXPECT_EQ(second->collector.records<PRBlackBerryNoteNode>().size(), 1u);
  first->collector.events.clear();
  second->collector.events.clear();
  for (const auto& entry : std::filesystem::directory_iterator(scanFolder->path())) {
    EXPECT_EQ(entry.path().filename(), TempFolder::kLockName);
  }
}

// Windows tools may write "\" between folder and file; the zip signature
// decides, not the name; entries that would land outside are refused.
TEST_F(BlackBerrySourceTest, ArchiveWithPerDatabaseFilesWhateverItsName) {
  const auto result = scan(
      "backup.ipd",
      BbbWriter()
          .entry("Manifest.xml", "<manifest/>")
          .entry("../evil", "x")
          .entry("Databases/../../evil", "x")
          .entry("Databases/..\\..\\evil", "x")
          .entry("/tmp/orvane-evil-absolute", "x")
          .entry("Databases/1.dat",
                 IpdWriter().database("Content Store").record(0, {Field::raw(7, Bytes(20, 7))}))
          .entry("Databases\\2.dat", memoFile("memo"))
          .bytes());
  EXPECT_TRUE(result->outcome.scanned());
  EXPECT_EQ(contentOf(result->collector.records<PRBlackBerryContentNode>().at(0)->contentData),
            Bytes(20, 7));
  EXPECT_EQ(result->collector.records<PRBlackBerryNoteNode>().size(), 1u);
  EXPECT_TRUE(result->lists.blackberryDatabaseArray.empty());
  EXPECT_FALSE(std::filesystem::exists(folder / "evil"));
  EXPECT_FALSE(std::filesystem::exists(scanFolder->path() / "evil"));
  EXPECT_FALSE(std::filesystem::exists("/tmp/orvane-evil-absolute"));
}

TEST_F(BlackBerrySourceTest, ArchivesThatHoldNoBackupSayWhy) {
  Bytes cut = BbbWriter().entry("Databases/1.dat", memoFile("memo")).bytes();
  cut.resize(cut.size() - 10);
  const std::vector<std::pair<Bytes, std::string>> cases{
      {bytesOf("not a zip archive at all"), "not a readable zip archive: "},
      {cut, "not a readable zip archive: "},
      {BbbWriter().entry("Manifest.xml", "x").bytes(), "the archive holds no Databases folder"},
      {BbbWriter().entry("Databases/1.dat", "garbage").bytes(),
       "no database file in the archive has the IPD header"},
      {BbbWriter().entry("Databases/Databases.ipd", "garbage").bytes(),
       "Databases.ipd in the archive has no IPD header"}};
  for (const auto& [bytes, why] : cases) {
    const auto result = scan("case.bbb", bytes);
    EXPECT_EQ(result->outcome.status, Status::kNotABackup);
    EXPECT_EQ(result->outcome.reason.rfind("not a BlackBerry backup (" + why, 0), 0u)
        << result->outcome.reason;
    EXPECT_TRUE(result->collector.events.empty());
  }
}

// A per-database file: the IPD layout with one database.
Bytes databaseFile(const std::string& name, const std::vector<std::vector<Field>>& records) {
  IpdWriter file;
  file.database(name);
  for (const auto& fields : records) file.record(0, fields);
  return file;
}

struct WinScan : Scan {
  WinBackupReader reader{nc};
};

// Files are read in number order, each with its database's decoder and a
// progress through the folder's bytes after each record; hidden entries, files without the header,
// folders and databases that are not decoded give nothing.
TEST(WinBackupReader, ReadsEachFileInNumberOrderSkippingWhatIsNoDatabase) {
  const fixtures::ScratchFolder folder;
  fixtures::writeFileBytes(folder / "10.dat", databaseFile("Memos", {{Field(1, "ten")}}));
  fixtures::writeFileBytes(
      folder / "1.dat",
      databaseFile("Address Book - All", {{Field(32, "Ann")}, {Field(32, "Bob")}}));
  fixtures::writeFileBytes(folder / "2.dat", databaseFile("SMS Messages", {{Field(4, "hello")}}));
  fixtures::writeFileBytes(folder / ".DS_Store", databaseFile("Memos", {{Field(1, "hidden")}}));
  fixtures::writeFileBytes(folder / "3.dat", IpdWriter().headerText("").database("Memos").record(
                                                 0, {Field(1, "no header")}));
  fixtures::writeFileBytes(folder / "4.dat", databaseFile("Tasks", {{Field(1, "task")}}));
  std::filesystem::create_directory(folder / "6.dat");
  WinScan scan;
  // the task file is a database file, only not one that is decoded
  EXPECT_EQ(scan.reader.scanBlackBerryWinBackUpThread(folder.path()), 4u);
  EXPECT_EQ(scan.collector.names(),
            (std::vector<std::string>{"BlacBerryContactInfo", "BlackBerryRawRecoveryProgress",
                                      "BlacBerryContactInfo", "BlackBerryRawRecoveryProgress",
                                      "BlackBerrySMSMessageInfo", "BlackBerryRawRecoveryProgress",
                                      "BlackBerryNoteInfo", "BlackBerryRawRecoveryProgress"}));
  const auto progress = scan.collector.progress();
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_LT(progress.front(), 100);
  EXPECT_EQ(progress.back(), 100);
  EXPECT_EQ(scan.collector.records<PRBlackBerryNoteNode>().at(0)->noteTittle, "ten");
}

// Records belong to the file's database whatever their index ("Phone
// History" holds calls); damage keeps the records before it and is noted.
TEST(WinBackupReader, RecordsBelongToTheFilesDatabaseAndDamageKeepsEarlierOnes) {
  WinScan scan;
  EXPECT_TRUE(scan.reader.scanDatabaseBytes(IpdWriter()
                                                .database("Phone History")
                                                .record(7, {Field(12, "+1555"), Field::raw(2, {1})})
                                                .record(0, {Field(12, "+1666")})
                                                .bytes()));
  const auto calls = scan.collector.records<PRBlackBerryCallNode>();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0]->CallNumber, "+1555");
  EXPECT_EQ(calls[0]->CallType, "Send");

  EXPECT_TRUE(scan.reader.scanDatabaseBytes(IpdWriter()
                                                .database("Memos")
                                                .record(0, {Field(1, "kept")})
                                                .record(0, {Field(1, "bad")}, 2)
                                                .bytes()));
  EXPECT_EQ(scan.collector.records<PRBlackBerryNoteNode>().size(), 1u);
  ASSERT_EQ(scan.reader.damageNotes().size(), 1u);
  // a name that runs past the end of the file
  Bytes cut = IpdWriter().database("Memos").bytes();
  cut.resize(46);
  EXPECT_TRUE(scan.reader.scanDatabaseBytes(cut));
  EXPECT_EQ(scan.reader.damageNotes().size(), 2u);
}

// The central-directory entries of an archive, by their offsets in it.
std::vector<std::size_t> directoryEntries(const Bytes& zip) {
  std::vector<std::size_t> found;
  for (std::size_t at = 0; at + 46 <= zip.size(); ++at) {
    if (zip[at] == 0x50 && zip[at + 1] == 0x4B && zip[at + 2] == 1 && zip[at + 3] == 2)
      found.push_back(at);
  }
  return found;
}

Bytes databases(std::size_t count, const Bytes& first, const Bytes& others) {
  BbbWriter writer;
  for (std::size_t i = 1; i <= count; ++i)
    writer.entry("Databases/" + std::to_string(i) + ".dat", i == 1 ? first : others);
  return writer.bytes();
}

// Every entry after the first names the first one's stream.
Bytes oneStreamNamedByAll() {
  Bytes zip = databases(3, Bytes(100000, 0), {'x'});
  const auto entries = directoryEntries(zip);
  for (std::size_t i = 1; i < entries.size(); ++i) {
    std::memcpy(&zip[entries[i] + 10], &zip[entries[0] + 10], 18);  // method to sizes
    std::memcpy(&zip[entries[i] + 42], &zip[entries[0] + 42], 4);   // local header offset
  }
  return zip;
}

Bytes declaring(Bytes zip, std::uint32_t declaredBytes) {
  for (std::size_t at : directoryEntries(zip)) {
    for (int i = 0; i < 4; ++i)
      zip[at + 24 + i] = static_cast<std::uint8_t>(declaredBytes >> (8 * i));
  }
  return zip;
}

TEST(HostileArchive, UnpackingIsBoundedByWhatTheArchiveDeclares) {
  constexpr auto kNoCap = std::numeric_limits<std::uint64_t>::max();
  const auto scanFolder = std::make_shared<const TempFolder>();
  const Bytes manyHuge = declaring(databases(1000, {'x'}, {'x'}), 0xFFFFFFFE);
  const struct {
    const char* name;
    Bytes zip;
    std::uint64_t cap;
    std::string problem;  // its start; empty when the archive is unpacked
    std::string note;
    std::uintmax_t unpackedBytes;
  } cases[] = {
      {"one stream named by every entry", oneStreamNamedByAll(), kNoCap,
       "refused: the archive entries \"Databases/1.dat\" and \"Databases/2.dat\" share their "
       "bytes",
       "", 0},
      {"declared beyond the cap", manyHuge, 64ull << 30,
       "refused: the archive's databases declare 4294967294000 bytes, more than the "
       "68719476736 unpacked at most",
       "", 0},
      {"declared beyond the free space", manyHuge, kNoCap,
       "not enough free space in " + scanFolder->path().string() +
           " to unpack the archive: 4294967294000 bytes needed, ",
       "", 0},
      {"yields more than it declares", declaring(databases(1, Bytes(5000, 'A'), {}), 1000), kNoCap,
       "",
       "archive entry \"Databases/1.dat\" yields more bytes than the 1000 it declares; cut there",
       1000},
      {"zeros packed a thousandfold", databases(1, Bytes(8u << 20, 0), {}), 64ull << 30, "", "",
       8u << 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BbbArchive archive(scanFolder);
    archive.maxUnpackedBytes = c.cap;
    bool perDatabase = false;
    std::string problem;
    const auto target = archive.checkTheBackUpFile(c.zip, perDatabase, problem);
    EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem);
    EXPECT_EQ(target.has_value(), c.problem.empty());
    EXPECT_EQ(archive.notes(),
              c.note.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.note});
    if (target) {
      EXPECT_EQ(std::filesystem::file_size(*target / "1.dat"), c.unpackedBytes);
    }
  }
}

// The ".bbb" form, read by the per-database reader, gives the same records
// as the single file, field by field (each kind's page is the window test's).
TEST(SampleBackup, BothFormsHoldTheSameRecords) {
  const auto scanFolder = std::make_shared<const TempFolder>();
  const std::filesystem::path samples = std::filesystem::path(ORVANE_SOURCE_DIR) / "samples";
  const auto ipd = scanSource(samples / "sample.ipd", scanFolder);
  const auto bbb = scanSource(samples / "sample.bbb", scanFolder);
  ASSERT_TRUE(ipd->outcome.scanned()) << ipd->outcome.reason;
  ASSERT_TRUE(bbb->outcome.scanned()) << bbb->outcome.reason;
  EXPECT_EQ(ipd->lists.blackberryDatabaseArray.size(), 8u);
  EXPECT_TRUE(bbb->lists.blackberryDatabaseArray.empty());

  const auto fromIpd = ipd->collector.records<PRRecord>();
  const auto fromBbb = bbb->collector.records<PRRecord>();
  ASSERT_EQ(fromIpd.size(), 17u);
  ASSERT_EQ(fromBbb.size(), fromIpd.size());
  for (std::size_t i = 0; i < fromIpd.size(); ++i) {
    EXPECT_EQ(dumpRecord(*fromIpd[i]), dumpRecord(*fromBbb[i]));
  }
}

}  // namespace
}  // namespace orvane::testing
