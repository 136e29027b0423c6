// orvane-cli scan: the summary and the JSON lines, end to end (the export
// is the export safety suite's).

#include <gtest/gtest.h>

#include "cli/cli_runner.h"

namespace orvane {
namespace {

using testing::jsonLines;
using testing::runCli;
using testing::smallBackup;

// The summary and the JSON lines (one per record in posting order) of one
// small backup.
TEST(CliScan, SummaryAndJsonOfOneBackup) {
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
}

}  // namespace
}  // namespace orvane
