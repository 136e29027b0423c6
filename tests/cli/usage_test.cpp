// The command-line contract: exit statuses and the one-line reasons.

#include <gtest/gtest.h>
#include <unistd.h>

#include "cli/cli_runner.h"

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
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string named;
  };
  std::vector<Case> cases = {
      {{}, 1, ""},
      {{"scan"}, 1, ""},
      {{"scan", "a.ipd", "--no-such-option"}, 1, ""},
      {{"frobnicate"}, 1, ""},
      {{"--help"}, 0, ""},
      {{"scan", "card.img", "--partition", "1"}, 1, ""},  // only with --raw
      {{"scan", "--raw", "card.img", "--partition", "0"}, 1, ""},
      {{"scan", "--raw", "card.img", "--partition", "one"}, 1, ""},
      {{"scan", "--raw"}, 1, ""},
      {{"scan", "/nonexistent/Bold 9700.bbb"}, 2, "/nonexistent/Bold 9700.bbb"},
      {{"backups", "--root", "/nonexistent/Backup"}, 2, "/nonexistent/Backup"},
      {{"scan", dir + "/notes.ipd"}, 2, "notes.ipd"},
      {{"scan", dir + "/notes.BBB"}, 2, "notes.BBB"},
      {{"scan", dir + "/notes.txt"}, 2, "notes.txt"},
      {{"scan", dir}, 2, "not a device backup"},  // a folder is taken for a device backup
      {{"scan", "--raw", dir + "/no-card.img"}, 2, "no such disk or disk image"},
      {{"scan", "--raw", dir}, 2, "is a folder"},
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

}  // namespace
}  // namespace orvane
