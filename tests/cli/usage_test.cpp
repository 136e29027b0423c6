// The command-line contract: exit statuses and the one-line reasons.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "cli/cli_runner.h"

namespace orvane {
namespace {

using testing::runCli;

int lineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliUsage, WrongUsageExitsOne) {
  EXPECT_EQ(runCli({}).status, 1);
  EXPECT_EQ(runCli({"scan"}).status, 1);
  EXPECT_EQ(runCli({"scan", "a.ipd", "--no-such-option"}).status, 1);
  EXPECT_EQ(runCli({"frobnicate"}).status, 1);
}

TEST(CliUsage, HelpExitsZero) { EXPECT_EQ(runCli({"--help"}).status, 0); }

TEST(CliUsage, MissingSourceExitsTwoWithOneLineNamingIt) {
  const auto result = runCli({"scan", "/nonexistent/Bold 9700.bbb"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(lineCount(result.err), 1);
  EXPECT_NE(result.err.find("/nonexistent/Bold 9700.bbb"), std::string::npos);
  EXPECT_TRUE(result.out.empty());
}

TEST(CliUsage, FileThatIsNoBackupExitsTwo) {
  fixtures::ScratchFolder folder;
  for (const char* name : {"notes.ipd", "notes.BBB", "notes.txt"}) {
    fixtures::writeFileText(folder / name, "just some text, not a backup\n");
    const auto result = runCli({"scan", (folder / name).string()});
    EXPECT_EQ(result.status, 2) << name;
    EXPECT_EQ(lineCount(result.err), 1) << name << ": " << result.err;
    EXPECT_NE(result.err.find(name), std::string::npos) << result.err;
  }
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
