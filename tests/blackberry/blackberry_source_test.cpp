// Choosing the reader for a chosen file, and ".bbb" archives.

#include "blackberry/blackberry_source.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "bb_test_support.h"
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
  std::unique_ptr<SourceScan> scan(const std::filesystem::path& path) {
    auto result = std::make_unique<SourceScan>();
    ScanContext context{result->nc, result->lists, scanFolder->path(), scanFolder};
    result->outcome = makeBlackBerrySource()->scan(path, context);
    return result;
  }
  std::unique_ptr<SourceScan> scan(const std::string& name, const Bytes& bytes) {
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
      {locked, Status::kUnreadable, "cannot open: Permission denied"},
      {write("backup.ipd", IpdWriter().withoutHeader().database("Memos").record(0, {})),
       Status::kNotABackup, "not a BlackBerry backup (no IPD header)"}};
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
    EXPECT_EQ(result->collector.progress(), (std::vector<std::int64_t>{100}));
    contact = result->collector.records<PRBlackBerryContactNode>().at(0);
  }
  scanFolder.reset();  // the scan is over
  EXPECT_FALSE(std::filesystem::is_empty(scanPath));
  EXPECT_EQ(contentOf(contact->contactImageData), picture);
  contact.reset();
  EXPECT_FALSE(std::filesystem::exists(scanPath));
  EXPECT_EQ(fixtures::readFileBytes(archive), before);  // the archive is untouched
}

TEST_F(BlackBerrySourceTest, ArchiveWithoutRecordsLeavesNothingUnpacked) {
  const auto result =
      scan("backup.bbb", BbbWriter().entry("Databases/Databases.ipd", memoFile("x")).bytes());
  EXPECT_EQ(result->collector.records<PRBlackBerryNoteNode>().size(), 1u);
  result->collector.events.clear();
  // nothing but the folder's lock file
  for (const auto& entry : std::filesystem::directory_iterator(scanFolder->path())) {
    EXPECT_EQ(entry.path().filename(), TempFolder::kLockName);
  }
}

TEST_F(BlackBerrySourceTest, SingleIpdFileWinsOverPerDatabaseFiles) {
  const auto result = scan("backup.bbb", BbbWriter()
                                             .entry("Databases/1.dat", memoFile("memo"))
                                             .entry("Databases/Databases.ipd", contactIpd("Ann"))
                                             .bytes());
  EXPECT_EQ(result->collector.records<PRBlackBerryContactNode>().size(), 1u);
  EXPECT_TRUE(result->collector.records<PRBlackBerryNoteNode>().empty());
}

TEST_F(BlackBerrySourceTest, ArchiveWithPerDatabaseFilesWhateverItsName) {
  // Windows tools may write "\" between folder and file; the zip signature
  // decides, not the name
  const auto result = scan(
      "backup.ipd",
      BbbWriter()
          .entry("Manifest.xml", "<manifest/>")
          .entry("Databases/1.dat",
                 IpdWriter().database("Content Store").record(0, {Field::raw(7, Bytes(20, 7))}))
          .entry("Databases\\2.dat", memoFile("memo"))
          .bytes());
  EXPECT_TRUE(result->outcome.scanned());
  EXPECT_EQ(contentOf(result->collector.records<PRBlackBerryContentNode>().at(0)->contentData),
            Bytes(20, 7));
  EXPECT_EQ(result->collector.records<PRBlackBerryNoteNode>().size(), 1u);
  // the archive's second file ends the folder's bytes
  const auto progress = result->collector.progress();
  ASSERT_EQ(progress.size(), 2u);
  EXPECT_LT(progress[0], progress[1]);
  EXPECT_EQ(progress[1], 100);
  EXPECT_TRUE(result->lists.blackberryDatabaseArray.empty());
}

TEST_F(BlackBerrySourceTest, EntriesThatWouldLandOutsideAreRefused) {
  const auto result = scan("backup.bbb", BbbWriter()
                                             .entry("../evil", "x")
                                             .entry("Databases/../../evil", "x")
                                             .entry("Databases/..\\..\\evil", "x")
                                             .entry("/tmp/orvane-evil-absolute", "x")
                                             .entry("Databases/1.dat", memoFile("memo"))
                                             .bytes());
  EXPECT_FALSE(std::filesystem::exists(folder / "evil"));
  EXPECT_FALSE(std::filesystem::exists(scanFolder->path() / "evil"));
  EXPECT_FALSE(std::filesystem::exists("/tmp/orvane-evil-absolute"));
  EXPECT_EQ(result->collector.records<PRBlackBerryNoteNode>().size(), 1u);
}

TEST_F(BlackBerrySourceTest, NothingFromAnEarlierArchiveIsRead) {
  // the same scan folder for both, the first one's records still held: the
  // second archive holds only the per-database form and must not find the
  // first one's Databases.ipd
  const auto first =
      scan("first.bbb", BbbWriter().entry("Databases/Databases.ipd", contactIpd("Ann")).bytes());
  EXPECT_EQ(first->collector.records<PRBlackBerryContactNode>().size(), 1u);
  const auto second =
      scan("second.bbb", BbbWriter().entry("Databases/1.dat", memoFile("memo")).bytes());
  EXPECT_TRUE(second->collector.records<PRBlackBerryContactNode>().empty());
  EXPECT_EQ(second->collector.records<PRBlackBerryNoteNode>().size(), 1u);
}

TEST_F(BlackBerrySourceTest, ArchivesThatHoldNoBackupSayWhy) {
  Bytes cut = BbbWriter().entry("Databases/1.dat", memoFile("memo")).bytes();
  cut.resize(cut.size() - 10);
  const std::vector<std::pair<Bytes, std::string>> cases{
      {bytesOf("not a zip archive at all"), "not a readable zip archive: "},
      {cut, "not a readable zip archive: "},
      {BbbWriter().entry("Manifest.xml", "x").bytes(), "the archive holds no Databases folder"},
      {BbbWriter().folder("Databases/").bytes(), "the archive holds no Databases folder"},
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

}  // namespace
}  // namespace orvane::testing
