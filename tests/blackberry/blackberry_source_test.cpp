// Choosing the reader for a chosen file, and ".bbb" archives.

#include "blackberry/blackberry_source.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "bb_test_support.h"
#include "blackberry/bbb_archive.h"
#include "fixtures/bbb_writer.h"
#include "fixtures/scratch_folder.h"

namespace orvane::testing {
namespace {

using fixtures::BbbWriter;
using Status = ScanOutcome::Status;

struct SourceScan {
  NotificationCenter nc;
  PerScanLists lists;
  EventCollector collector{nc};
  ScanOutcome outcome;
};

std::unique_ptr<SourceScan> scanWithSource(const std::filesystem::path& path,
                                           const std::filesystem::path& scanFolder) {
  auto scan = std::make_unique<SourceScan>();
  ScanContext context{scan->nc, scan->lists, scanFolder};
  scan->outcome = makeBlackBerrySource()->scan(path, context);
  return scan;
}

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
  std::filesystem::path scanFolder = folder / "scan";
  void SetUp() override { std::filesystem::create_directory(scanFolder); }

  std::filesystem::path write(const std::string& name, const Bytes& bytes) {
    fixtures::writeFileBytes(folder / name, bytes);
    return folder / name;
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

TEST_F(BlackBerrySourceTest, IpdFileGoesToTheIpdReader) {
  const auto scan = scanWithSource(write("backup.ipd", contactIpd("Ann")), scanFolder);
  EXPECT_TRUE(scan->outcome.scanned());
  EXPECT_EQ(scan->lists.blackberryDatabaseArray.size(), 2u);
  EXPECT_EQ(scan->collector.records<PRBlackBerryContactNode>().at(0)->contactName, "Ann ");
}

TEST_F(BlackBerrySourceTest, FileThatCannotBeReadSaysWhy) {
  auto scan = scanWithSource(folder / "missing.ipd", scanFolder);
  EXPECT_EQ(scan->outcome.status, Status::kUnreadable);
  EXPECT_EQ(scan->outcome.reason, "cannot open: No such file or directory");

  std::filesystem::create_directory(folder / "folder.ipd");
  scan = scanWithSource(folder / "folder.ipd", scanFolder);
  EXPECT_EQ(scan->outcome.status, Status::kUnreadable);
  EXPECT_EQ(scan->outcome.reason, "cannot read: Is a directory");
}

TEST_F(BlackBerrySourceTest, FileWithoutReadPermissionSaysSo) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  const auto locked = write("locked.ipd", memoFile("x"));
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  const auto scan = scanWithSource(locked, scanFolder);
  EXPECT_EQ(scan->outcome.status, Status::kUnreadable);
  EXPECT_EQ(scan->outcome.reason, "cannot open: Permission denied");
}

TEST_F(BlackBerrySourceTest, FileWithoutTheHeaderIsNotABackup) {
  const auto scan = scanWithSource(
      write("backup.ipd", IpdWriter().withoutHeader().database("Memos").record(0, {})), scanFolder);
  EXPECT_EQ(scan->outcome.status, Status::kNotABackup);
  EXPECT_EQ(scan->outcome.reason, "not a BlackBerry backup (no IPD header)");
  EXPECT_TRUE(scan->collector.events.empty());
}

TEST_F(BlackBerrySourceTest, ArchiveWithTheSingleIpdFile) {
  const auto archive = write(
      "backup.BBB",
      BbbWriter().folder("Databases/").entry("Databases/Databases.ipd", contactIpd("Ann")).bytes());
  const Bytes before = fixtures::readFileBytes(archive);
  const auto scan = scanWithSource(archive, scanFolder);
  EXPECT_TRUE(scan->outcome.scanned());
  EXPECT_EQ(scan->collector.records<PRBlackBerryContactNode>().size(), 1u);
  EXPECT_EQ(scan->collector.progress(), (std::vector<std::int64_t>{20}));
  // the archive is untouched and nothing unpacked stays behind
  EXPECT_EQ(fixtures::readFileBytes(archive), before);
  EXPECT_TRUE(std::filesystem::is_empty(scanFolder));
}

TEST_F(BlackBerrySourceTest, SingleIpdFileWinsOverPerDatabaseFiles) {
  const auto scan =
      scanWithSource(write("backup.bbb", BbbWriter()
                                             .entry("Databases/1.dat", memoFile("memo"))
                                             .entry("Databases/Databases.ipd", contactIpd("Ann"))
                                             .bytes()),
                     scanFolder);
  EXPECT_EQ(scan->collector.records<PRBlackBerryContactNode>().size(), 1u);
  EXPECT_TRUE(scan->collector.records<PRBlackBerryNoteNode>().empty());
}

TEST_F(BlackBerrySourceTest, ArchiveWithPerDatabaseFiles) {
  // Windows tools may write "\" between folder and file
  const auto scan = scanWithSource(
      write("backup.bbb",
            BbbWriter()
                .entry("Manifest.xml", "<manifest/>")
                .entry("Databases/1.dat",
                       IpdWriter().database("Address Book - All").record(0, {Field(32, "Ann")}))
                .entry("Databases\\2.dat", memoFile("memo"))
                .bytes()),
      scanFolder);
  EXPECT_TRUE(scan->outcome.scanned());
  EXPECT_EQ(scan->collector.records<PRBlackBerryContactNode>().size(), 1u);
  EXPECT_EQ(scan->collector.records<PRBlackBerryNoteNode>().size(), 1u);
  EXPECT_EQ(scan->collector.progress(), (std::vector<std::int64_t>{60, 60}));
  EXPECT_TRUE(scan->lists.blackberryDatabaseArray.empty());
}

TEST_F(BlackBerrySourceTest, ArchiveIsRecognisedByItsSignatureWhateverItsName) {
  const auto scan = scanWithSource(
      write("backup.ipd", BbbWriter().entry("Databases/1.dat", memoFile("memo")).bytes()),
      scanFolder);
  EXPECT_EQ(scan->collector.records<PRBlackBerryNoteNode>().size(), 1u);
}

TEST_F(BlackBerrySourceTest, EntriesThatWouldLandOutsideAreRefused) {
  const std::filesystem::path outside = folder / "evil";
  const auto scan =
      scanWithSource(write("backup.bbb", BbbWriter()
                                             .entry("../evil", "x")
                                             .entry("Databases/../../evil", "x")
                                             .entry("Databases/..\\..\\evil", "x")
                                             .entry("/tmp/orvane-evil-absolute", "x")
                                             .entry("Databases/1.dat", memoFile("memo"))
                                             .bytes()),
                     scanFolder);
  EXPECT_FALSE(std::filesystem::exists(outside));
  EXPECT_FALSE(std::filesystem::exists(scanFolder / "evil"));
  EXPECT_FALSE(std::filesystem::exists("/tmp/orvane-evil-absolute"));
  EXPECT_EQ(scan->collector.records<PRBlackBerryNoteNode>().size(), 1u);
}

TEST_F(BlackBerrySourceTest, NothingFromAnEarlierArchiveIsRead) {
  // the same scan folder for both: the second archive holds only the
  // per-database form and must not find the first one's Databases.ipd
  auto scan = scanWithSource(
      write("first.bbb", BbbWriter().entry("Databases/Databases.ipd", contactIpd("Ann")).bytes()),
      scanFolder);
  EXPECT_EQ(scan->collector.records<PRBlackBerryContactNode>().size(), 1u);
  scan = scanWithSource(
      write("second.bbb", BbbWriter().entry("Databases/1.dat", memoFile("memo")).bytes()),
      scanFolder);
  EXPECT_TRUE(scan->collector.records<PRBlackBerryContactNode>().empty());
  EXPECT_EQ(scan->collector.records<PRBlackBerryNoteNode>().size(), 1u);

  // and an archive with no databases finds none either
  scan = scanWithSource(write("third.bbb", BbbWriter().entry("Manifest.xml", "x").bytes()),
                        scanFolder);
  EXPECT_EQ(scan->outcome.reason,
            "not a BlackBerry backup (the archive holds no Databases folder)");
  EXPECT_TRUE(scan->collector.events.empty());
}

TEST_F(BlackBerrySourceTest, ArchivesThatHoldNoBackupSayWhy) {
  auto scan = scanWithSource(write("text.bbb", bytesOf("not a zip archive at all")), scanFolder);
  EXPECT_EQ(scan->outcome.status, Status::kNotABackup);
  EXPECT_EQ(scan->outcome.reason.rfind("not a BlackBerry backup (not a readable zip archive: ", 0),
            0u)
      << scan->outcome.reason;

  Bytes cut = BbbWriter().entry("Databases/1.dat", memoFile("memo")).bytes();
  cut.resize(cut.size() - 10);
  scan = scanWithSource(write("cut.bbb", cut), scanFolder);
  EXPECT_EQ(scan->outcome.status, Status::kNotABackup);

  scan = scanWithSource(write("empty.bbb", BbbWriter().folder("Databases/").bytes()), scanFolder);
  EXPECT_EQ(scan->outcome.reason,
            "not a BlackBerry backup (the archive holds no Databases folder)");

  scan = scanWithSource(
      write("noheader.bbb", BbbWriter().entry("Databases/1.dat", "garbage").bytes()), scanFolder);
  EXPECT_EQ(scan->outcome.reason,
            "not a BlackBerry backup (no database file in the archive has the IPD header)");

  scan = scanWithSource(
      write("noheader2.bbb", BbbWriter().entry("Databases/Databases.ipd", "garbage").bytes()),
      scanFolder);
  EXPECT_EQ(scan->outcome.reason,
            "not a BlackBerry backup (Databases.ipd in the archive has no IPD header)");
}

TEST_F(BlackBerrySourceTest, BackupLargerThanTheReadWindowIsReadWhole) {
  // over 1 MiB of memos, then a record of 2 MB: far past the first window
  IpdWriter ipd;
  ipd.database("Memos").database("Content Store");
  for (int i = 0; i < 3000; ++i) {
    ipd.record(0, {Field(1, "memo " + std::to_string(i)), Field(2, std::string(400, 'x'))});
  }
  std::vector<Field> pieces{Field(1, "/store/big.bin")};
  for (int i = 0; i < 40; ++i)
    pieces.push_back(Field::raw(7, Bytes(50000, static_cast<std::uint8_t>(i))));
  ipd.record(1, pieces).record(0, {Field(1, "last")});
  const auto scan = scanWithSource(write("big.ipd", ipd), scanFolder);
  EXPECT_TRUE(scan->outcome.scanned());
  const auto memos = scan->collector.records<PRBlackBerryNoteNode>();
  ASSERT_EQ(memos.size(), 3001u);
  EXPECT_EQ(memos[2999]->noteTittle, "memo 2999");
  EXPECT_EQ(memos[3000]->noteTittle, "last");
  const auto files = scan->collector.records<PRBlackBerryContentNode>();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0]->fileSize, 2000000u);
}

TEST_F(BlackBerrySourceTest, ArchiveIsUnpackedFromItsPathAsFromMemory) {
  const Bytes zip = BbbWriter()
                        .entry("Databases/1.dat", memoFile("memo"))
                        .entry("Databases/Databases.ipd", contactIpd("Ann"))
                        .bytes();
  const auto path = write("backup.bbb", zip);
  bool perDatabase = true;
  std::string problem;
  BbbArchive fromPath(scanFolder);
  const auto target = fromPath.checkTheBackUpFile(path, perDatabase, problem);
  ASSERT_TRUE(target) << problem;
  EXPECT_FALSE(perDatabase);
  EXPECT_EQ(target->filename(), "Databases.ipd");
  EXPECT_EQ(fixtures::readFileBytes(*target), contactIpd("Ann"));

  BbbArchive fromMemory(scanFolder);
  const auto same = fromMemory.checkTheBackUpFile(zip, perDatabase, problem);
  ASSERT_TRUE(same) << problem;
  EXPECT_NE(same->parent_path(), target->parent_path());
  EXPECT_EQ(fixtures::readFileBytes(*same), fixtures::readFileBytes(*target));

  BbbArchive missing(scanFolder);
  EXPECT_FALSE(missing.checkTheBackUpFile(folder / "missing.bbb", perDatabase, problem));
  EXPECT_EQ(problem.rfind("not a readable zip archive: ", 0), 0u) << problem;
}

}  // namespace
}  // namespace orvane::testing
