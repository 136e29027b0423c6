// orvane-cli scan: the summary, the JSON lines and --text-charset, end to
// end (the export is the export safety suite's).

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "fixtures/ipd_writer.h"

namespace orvane {
namespace {

using fixtures::Field;
using fixtures::IpdWriter;
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
  // a picture field holding the text "" stored with its NUL: one zero byte
  EXPECT_EQ(lines[2]["contactImageData"], "AA==");
  EXPECT_EQ(lines[3]["class"], "PRBlackBerryNoteNode");
}

// --text-charset reaches the message decoder; a name iconv does not know is
// a usage error.
TEST(CliTextCharset, NamedSetDecodesEightBitTextsAndUnknownSetIsRefused) {
  fixtures::ScratchFolder folder;
  const auto backup = folder / "greek.ipd";
  // "γειά" in ISO-8859-7, an eight-bit message
  IpdWriter()
      .database("SMS Messages")
      .record(0, {Field::smsMetadata(0, 0, 0, 1), Field::skip4(2, "+30210"),
                  Field::raw(4, {0xE3, 0xE5, 0xE9, 0xDC, 0x00})})
      .writeTo(backup);
  const struct {
    std::vector<std::string> options;
    std::string text;
  } cases[] = {{{}, "ãåéÜ"}, {{"--text-charset", "ISO-8859-7"}, "γειά"}};
  for (const auto& c : cases) {
    std::vector<std::string> arguments{"scan", "--json", backup.string()};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const auto result = runCli(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(jsonLines(result.out).at(0)["contentText"], c.text);
  }
  const auto refused = runCli({"scan", backup.string(), "--text-charset", "NO-SUCH-SET"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
}

}  // namespace
}  // namespace orvane
