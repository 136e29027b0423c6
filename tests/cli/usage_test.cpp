// The command-line contract: exit statuses and the one-line reasons.

#include <gtest/gtest.h>
#include <unistd.h>

#include "cli/cli_runner.h"

namespace orvane {
namespace {

using testing::lineCount;
using testing::runCli;

// Wrong usage exits 1; a source that cannot be scanned exits 2 with one
// line on the error stream that names it, and nothing on the output.
TEST(CliUsage, ExitStatusesAndReasons) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    const char* named;
  };
  const Case cases[] = {
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
  };
  for (const Case& c : cases) {
    const auto result = runCli(c.arguments);
    const std::string call = c.arguments.empty() ? "(none)" : c.arguments.front();
    EXPECT_EQ(result.status, c.status) << call << " " << result.err;
    if (c.status != 2) continue;
    EXPECT_EQ(lineCount(result.err), 1) << result.err;
    EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

TEST(CliUsage, WhatIsNoBackupExitsTwoWithOneLineNamingIt) {
  fixtures::ScratchFolder folder;
  for (const char* name : {"notes.ipd", "notes.BBB", "notes.txt"}) {
    fixtures::writeFileText(folder / name, "just some text, not a backup\n");
    const auto result = runCli({"scan", (folder / name).string()});
    EXPECT_EQ(result.status, 2) << name;
    EXPECT_EQ(lineCount(result.err), 1) << name << ": " << result.err;
    EXPECT_NE(result.err.find(name), std::string::npos) << result.err;
  }
  // a folder is taken for a device backup
  const auto result = runCli({"scan", folder.path().string()});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(lineCount(result.err), 1) << result.err;
  EXPECT_NE(result.err.find("not a device backup"), std::string::npos) << result.err;
}

TEST(CliUsage, UnreadableSourceExitsTwo) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  fixtures::ScratchFolder folder;
  fixtures::writeFileText(folder / "locked.ipd", "x");
  std::filesystem::permissions(folder / "locked.ipd", std::filesystem::perms::none);
  const auto result = runCli({"scan", (folder / "locked.ipd").string()});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(lineCount(result.err), 1);
}

}  // namespace
}  // namespace orvane
