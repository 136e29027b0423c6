// orvane-cli scan: the summary, the JSON lines and the export, end to end.

#include <gtest/gtest.h>

#include "cli/cli_runner.h"

namespace orvane {
namespace {

using testing::jsonLines;
using testing::runCli;
using testing::smallBackup;

// The summary, the JSON lines (one per record in posting order) and the
// export into a new folder, from one small backup.
TEST(CliScan, SummaryJsonAndExportOfOneBackup) {
  fixtures::ScratchFolder folder;
  smallBackup().writeTo(folder / "Bold 9700 (2012-05-06).IPD");
  const auto result = runCli({"scan", (folder / "Bold 9700 (2012-05-06).IPD").string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "Photo&Video    0\n"
            "Contacts       2\n"
            "Messages       1\n"
            "Notes          1\n"
            "Call History   0\n"
            "Calendar       0\n"
            "MMS            0\n"
            "Total          4\n");

  const auto json = runCli({"scan", (folder / "Bold 9700 (2012-05-06).IPD").string(), "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const auto lines = jsonLines(json.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]["class"], "PRBlackBerryContactNode");
  EXPECT_EQ(lines[0]["contactName"], "Ann ");
  EXPECT_EQ(lines[0]["contactImageData"], nullptr);
  EXPECT_EQ(lines[1]["class"], "PRBlackBerrySMSMessageNode");
  EXPECT_EQ(lines[1]["contentText"], "Hi there");
  // a picture field holding the text "" stored with its NUL: one zero byte
  EXPECT_EQ(lines[2]["contactImageData"], "AA==");
  EXPECT_EQ(lines[3]["class"], "PRBlackBerryNoteNode");
  EXPECT_EQ(lines[3]["noteContent"], "milk, eggs");

  const auto target = folder / "Rescued" / "Orvane";
  const auto exported = runCli(
      {"scan", (folder / "Bold 9700 (2012-05-06).IPD").string(), "--export", target.string()});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out, "Exported 4 records to " + target.string() + "\n");
  EXPECT_TRUE(std::filesystem::exists(target / "Contact" / "Ann.vcf"));
  EXPECT_TRUE(std::filesystem::exists(target / "Contact" / "Smith.vcf"));
  EXPECT_EQ(fixtures::readFileText(target / "Note" / "Notes.txt"),
            "Title:Groceries  Note:milk, eggs  \n\n");
  EXPECT_EQ(fixtures::readFileText(target / "Message" / "Messages.txt"),
            "Phone:+15550101  type:  Content:Hi there  \n\n");
  for (const char* category : {"Content_Store", "Calendar&Reminder", "CallHistory", "MMSMessgae"}) {
    EXPECT_TRUE(std::filesystem::is_directory(target / category)) << category;
  }
}

TEST(CliScan, ExistingExportFolderIsRefusedAndLeftAlone) {
  fixtures::ScratchFolder folder;
  smallBackup().writeTo(folder / "b.ipd");
  std::filesystem::create_directory(folder / "out");
  fixtures::writeFileText(folder / "out" / "mine.txt", "keep me");
  const auto result =
      runCli({"scan", (folder / "b.ipd").string(), "--export", (folder / "out").string()});
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("already exists"), std::string::npos) << result.err;
  EXPECT_EQ(fixtures::readFileText(folder / "out" / "mine.txt"), "keep me");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "out"),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(CliScan, BundledSamplesHoldEveryCategory) {
  for (const char* sample : {"sample.ipd", "sample.bbb"}) {
    const auto result = runCli({"scan", std::string(ORVANE_SOURCE_DIR "/samples/") + sample});
    ASSERT_EQ(result.status, 0) << sample << ": " << result.err;
    EXPECT_EQ(result.out.find(" 0\n"), std::string::npos) << sample << ":\n" << result.out;
  }
}

}  // namespace
}  // namespace orvane
