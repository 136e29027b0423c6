// The command-line contract: exit statuses and the one-line reasons; the
// summary and --text-charset of a scan, end to end (the export is the export
// safety suite's).

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "cli/cli_runner.h"
#include "fixtures/ipd_writer.h"

namespace orvane {
namespace {

using testing::lineCount;
using testing::runCli;

// Wrong usage exits 1; a source that cannot be scanned exits 2 with one
// line on the error stream that names it (or says why), and nothing on the
// output.
TEST(CliUsage, ExitStatusesAndReasons) {
  fixtures::ScratchFolder folder;
  const std::string dir = folder.path().string();
  for (const char* name : {"notes.ipd", "notes.BBB", "notes.txt", "locked.ipd"}) {
    fixtures::writeFileText(folder / name, "just some text, not a backup\n");
  }
  std::filesystem::permissions(folder / "locked.ipd", std::filesystem::perms::none);
  fixtures::writeFileBytes(folder / "zeros.img", std::vector<std::uint8_t>(1 << 20));
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string named;
  };
  std::vector<Case> cases = {
      {{}, 1, ""},
      {{"scan", "a.ipd", "--no-such-option"}, 1, ""},
      {{"--help"}, 0, ""},
      {{"scan", "card.img", "--partition", "1"}, 1, ""},  // only with --raw
      {{"scan", "--raw", "card.img", "--partition", "0"}, 1, ""},
      {{"scan", "/nonexistent/Bold 9700.bbb"}, 2, "/nonexistent/Bold 9700.bbb"},
      {{"backups", "--root", "/nonexistent/Backup"}, 2, "/nonexistent/Backup"},
      {{"scan", dir + "/notes.ipd"}, 2, "notes.ipd"},
      {{"scan", dir + "/notes.BBB"}, 2, "notes.BBB"},
      {{"scan", dir + "/notes.txt"}, 2, "notes.txt"},
      {{"scan", dir}, 2, "not a device backup"},  // a folder is taken for a device backup
      {{"scan", "--raw", dir + "/no-card.img"}, 2, "no such disk or disk image"},
      {{"scan", "--raw", dir}, 2, "is a folder"},
      {{"scan", "--raw", dir + "/zeros.img", "--partition", "1"}, 2, "it has no partition table"},
      {{"disks", dir + "/missing.img"}, 2, "missing.img"},
  };
  if (::geteuid() != 0) cases.push_back({{"scan", dir + "/locked.ipd"}, 2, "locked.ipd"});
  for (const Case& c : cases) {
    const auto result = runCli(c.arguments);
    const std::string call = c.arguments.empty() ? "(none)" : c.arguments.back();
    EXPECT_EQ(result.status, c.status) << call << " " << result.err;
    if (c.status != 2) continue;
    EXPECT_EQ(lineCount(result.err), 1) << result.err;
    EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

using fixtures::Field;
using fixtures::IpdWriter;
using testing::smallBackup;

TEST(CliScan, SummaryOfOneBackup) {
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
  // Windows-1252 unless another set is named
  const auto plain = runCli({"scan", "--json", backup.string()});
  const auto greek = runCli({"scan", "--json", backup.string(), "--text-charset", "ISO-8859-7"});
  ASSERT_EQ(std::make_pair(plain.status, greek.status), std::make_pair(0, 0))
      << plain.err << greek.err;
  // one record, so one JSON line each
  EXPECT_EQ(nlohmann::json::parse(plain.out)["contentText"], "ãåéÜ");
  EXPECT_EQ(nlohmann::json::parse(greek.out)["contentText"], "γειά");
  const auto refused = runCli({"scan", backup.string(), "--text-charset", "NO-SUCH-SET"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
}

}  // namespace
}  // namespace orvane
