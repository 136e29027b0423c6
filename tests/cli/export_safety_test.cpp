// orvane-cli scan --export: what it refuses before scanning, and that its
// exit status and last line tell the truth about what was written.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "cli/cli_runner.h"
#include "fixtures/card_image.h"
#include "fixtures/ios_backup_writer.h"
#include "fixtures/media_files.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::runCli;

// A folder whose path is so long that the category folders fit under the
// system's path limit and no file inside them does.
fs::path nearThePathLimit(const fs::path& root) {
  fs::path folder = root;
  while (folder.string().size() < 4070 - 200) folder /= std::string(200, 'd');
  folder /= std::string(4070 - folder.string().size() - 1, 'e');
  return folder;
}

TEST(CliExportSafety, ExitStatusAndLastLineTellWhatWasWritten) {
  fixtures::ScratchFolder scratch;
  const fs::path backup = scratch / "backup.ipd";
  testing::smallBackup().writeTo(backup);
  fs::create_directories(scratch / "taken");
  fixtures::writeFileText(scratch / "file", "x");
  // named like a backup and accepted by name, but no backup inside
  fixtures::writeFileText(scratch / "broken.ipd", "not a backup at all");
  struct Case {
    const char* name;
    fs::path exportFolder;
    int status;
    std::string outStart;  // the start of standard output
    std::string errPart;   // found in standard error
    fs::path source = {};  // the backup when empty
  };
  const fs::path deep = nearThePathLimit(scratch / "deep");
  const Case cases[] = {
      {"written", scratch / "new/out", 0,
       "Exported 4 records to " + (scratch / "new/out").string() + "\n", ""},
      {"taken", scratch / "taken", 2, "", "already exists; name a new folder"},
      {"under a file", scratch / "file/out", 2, "", "the export folder cannot be made: "},
      {"nothing fits", deep, 3,
       "Exported 0 of 4 records; 4 could not be written (first: could not write " +
           (deep / "Contact/Ann.vcf").string() + ": File name too long)\n",
       "could not write "},
      {"scan fails", scratch / "failed", 2, "", "broken.ipd", scratch / "broken.ipd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path source = c.source.empty() ? backup : c.source;
    const auto result = runCli({"scan", source.string(), "--export", c.exportFolder.string()});
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(result.out.rfind(c.outStart, 0), 0u) << result.out;
    EXPECT_NE(result.err.find(c.errPart), std::string::npos) << result.err;
    // refused before the scan: no summary was printed
    if (c.status == 2) {
      EXPECT_EQ(result.out, "");
    }
  }
  EXPECT_EQ(fixtures::readFileText(scratch / "file"), "x");
  EXPECT_TRUE(fs::is_empty(scratch / "taken"));
  EXPECT_TRUE(fs::exists(scratch / "new/out/Contact/Ann.vcf"));
  EXPECT_FALSE(fs::exists(scratch / "failed"));  // made for the scan that failed, then removed
}

TEST(CliExportSafety, NoExportIntoTheBackupBeingScanned) {
  fixtures::ScratchFolder scratch;
  const fs::path backup = scratch / "BACKUP";
  fixtures::IosBackupWriter device(backup, fixtures::IosLayout::ios17);
  device.note({.title = "Groceries", .body = "milk"});
  device.write();
  fs::create_directory_symlink(backup, scratch / "link");
  testing::smallBackup().writeTo(scratch / "bold.ipd");
  struct Case {
    fs::path source;
    fs::path exportFolder;
    int status;
  };
  const Case cases[] = {
      {backup, backup / "rescued", 2},
      {backup, backup / "a/b/../rescued", 2},
      {backup, scratch / "link/rescued", 2},  // the same folder by another name
      {scratch / "link", backup / "rescued", 2},
      {backup, scratch / "BACKUP-rescued", 0},  // a sibling with a longer name
      {scratch / "bold.ipd", scratch / "bold.ipd", 2},
      {scratch / "bold.ipd", scratch / "beside", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source.string() + " -> " + c.exportFolder.string());
    const auto result = runCli({"scan", c.source.string(), "--export", c.exportFolder.string()});
    EXPECT_EQ(result.status, c.status) << result.err;
    if (c.status == 2) {
      EXPECT_EQ(result.out, "");
      EXPECT_FALSE(fs::exists(backup / "rescued"));
      EXPECT_FALSE(fs::exists(backup / "a"));
    }
  }
}

// Starts orvane-cli with TMPDIR pointing at `temp`, sends SIGINT once
// `ready` holds (never, if it ends first) and answers the raw wait status.
int interruptedRun(const std::vector<std::string>& arguments, const fs::path& temp,
                   const fs::path& output, const std::function<bool()>& ready) {
  // env runs the program in its own process, which the signal reaches
  std::vector<std::string> argv{"env", "TMPDIR=" + temp.string(), ORVANE_CLI_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const pid_t child = fixtures::startProgram(argv, output.string());
  EXPECT_GT(child, 0);
  int status = 0;
  bool sent = false;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (!sent && ready()) sent = ::kill(child, SIGINT) == 0;
    ::usleep(200);
  }
  return status;
}

TEST(CliExportSafety, CtrlCLeavesNoHalfFileAndNoPrivateFolder) {
  fixtures::ScratchFolder scratch;
  const fs::path temp = scratch / "tmp";
  fs::create_directory(temp);
  // a card of many pictures, so that the signal finds the export busy
  const std::vector<std::uint8_t> jpeg = fixtures::tinyJpegBytes();
  std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> pictures;
  for (std::uint64_t at = 0; at + 4096 <= (8u << 20); at += 4096) pictures.emplace_back(at, jpeg);
  fixtures::writeRawCard(scratch / "card.img", 8 << 20, pictures);
  testing::smallBackup().writeTo(scratch / "bold.ipd");
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::function<bool()> ready;
  };
  const fs::path out = scratch / "out";
  const Case cases[] = {
      {"raw export",
       {"scan", "--raw", (scratch / "card.img").string(), "--export", out.string()},
       [&] { return fs::exists(out / "Image"); }},
      {"backup scan",
       {"scan", (scratch / "bold.ipd").string(), "--export", out.string()},
       [&] { return !fs::is_empty(temp); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(out);
    const int status = interruptedRun(c.arguments, temp, scratch / "output", c.ready);
    const std::string output = fixtures::readFileText(scratch / "output");
    // handled, not killed: 130 when stopped, 0 when it was done before
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_TRUE(WEXITSTATUS(status) == 130 || WEXITSTATUS(status) == 0) << output;
    if (fs::exists(out)) {
      for (const std::string& name : fixtures::treeOf(out)) {
        EXPECT_FALSE(name.ends_with(".part")) << name;
      }
      if (fs::exists(out / "Image")) {
        for (const auto& entry : fs::directory_iterator(out / "Image")) {
          EXPECT_EQ(fixtures::readFileBytes(entry.path()), jpeg) << entry.path();
        }
      }
    }
    EXPECT_TRUE(fs::is_empty(temp)) << fixtures::treeOf(temp).front();
  }
}

}  // namespace
}  // namespace orvane
