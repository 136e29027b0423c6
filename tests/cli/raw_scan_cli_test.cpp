// orvane-cli scan --raw and orvane-cli disks, end to end with the real
// engine on card images made of known files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>

#include "cli/cli_runner.h"
#include "core/conversions.h"
#include "fixtures/bbb_writer.h"
#include "fixtures/card_image.h"
#include "fixtures/media_files.h"
#include "rawscan/block_devices.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::CliResult;
using testing::lineCount;
using testing::runCli;

constexpr std::uint64_t kSector = 512;

class CliRawScanTest : public ::testing::Test {
 protected:
  // 2 MiB of zeros with one MBR partition over the second MiB: a PNG, two
  // JPEGs, a WAV and a zip before it, a JPEG and a WAV inside it.
  fs::path card() {
    const fs::path path = folder / "card.img";
    fixtures::writeRawCard(path, 2 << 20,
                           {{8 * kSector, png},
                            {128 * kSector, jpeg},
                            {256 * kSector, wav},
                            {384 * kSector, jpeg},
                            {512 * kSector, zip},
                            {(2048 + 64) * kSector, jpeg},
                            {(2048 + 128) * kSector, wav}},
                           true);
    return path;
  }

  std::vector<std::uint8_t> png = fixtures::tinyPngBytes();
  std::vector<std::uint8_t> jpeg = fixtures::tinyJpegBytes();
  std::vector<std::uint8_t> wav = fixtures::tinyWavBytes();
  std::vector<std::uint8_t> zip =
      fixtures::BbbWriter().entry("notes/trip.txt", std::string(300, 'x')).bytes();
  fixtures::ScratchFolder folder;
};

TEST_F(CliRawScanTest, SummaryJsonAndExportListAndCopyEveryFoundFile) {
  const auto result = runCli({"scan", "--raw", card().string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "Image          4\n"
            "Video          0\n"
            "Audio          2\n"
            "Document       0\n"
            "Archive        1\n"
            "Total          7\n");
  EXPECT_EQ(result.err, "");

  const auto json = runCli({"scan", "--raw", card().string(), "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(lineCount(json.out), 7);
  EXPECT_EQ(json.out.substr(0, json.out.find('\n')),
            R"({"class":"PRScanListNode","nodeName":"f8.png","nodeSizeString":")" +
                FieldConversions::size_to_unit(png.size()) + R"(","fileSizeNumber":)" +
                std::to_string(png.size()) +
                R"(,"fileType":"Image","createTime":null,"modifyTime":null,"validaty":null,)"
                R"("bDeleted":null,"bMarked":0,"bSelected":0,"file_start":4096})");

  const fs::path out = folder / "Rescued";
  const auto exported = runCli({"scan", "--raw", card().string(), "--export", out.string()});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out, "Exported 7 records to " + out.string() + "\n");
  EXPECT_EQ(
      fixtures::treeOf(out),
      (std::vector<std::string>{"Archive", "Archive/f512.zip", "Audio", "Audio/f2176.wav",
                                "Audio/f256.wav", "Document", "Image", "Image/f128.jpg",
                                "Image/f2112.jpg", "Image/f384.jpg", "Image/f8.png", "Video"}));
  EXPECT_EQ(fixtures::readFileBytes(out / "Archive/f512.zip"), zip);
}

TEST_F(CliRawScanTest, APartitionIsListedAndScannedAlone) {
  const fs::path image = card();
  const auto disks = runCli({"disks", image.string()});
  ASSERT_EQ(disks.status, 0) << disks.err;
  EXPECT_NE(disks.out.find(image.string() + " (2.10M)\n  partition 1: NO NAME\n"),
            std::string::npos)
      << disks.out;

  const auto first = runCli({"scan", "--raw", image.string(), "--partition", "1", "--json"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(lineCount(first.out), 2);
  EXPECT_NE(first.out.find("\"nodeName\":\"f2112.jpg\""), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("\"nodeName\":\"f2176.wav\""), std::string::npos) << first.out;

  const auto missing = runCli({"scan", "--raw", image.string(), "--partition", "3"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err,
            "orvane-cli: " + image.string() + ": has no partition 3 (its partitions: 1)\n");
}

// The whole disk that holds `path`, as "/dev/NAME", when it is one.
std::optional<std::string> diskHolding(const fs::path& path) {
  const auto storage = storageDeviceOf(path);
  if (!storage) return std::nullopt;
  for (const dev_t disk : wholeDisksUnder(*storage)) {
    std::error_code error;
    const fs::path sysfs = fs::canonical(
        "/sys/dev/block/" + std::to_string(major(disk)) + ":" + std::to_string(minor(disk)), error);
    if (error) continue;
    const std::string device = "/dev/" + sysfs.filename().string();
    struct stat info {};
    if (::stat(device.c_str(), &info) == 0 && S_ISBLK(info.st_mode) && info.st_rdev == disk) {
      return device;
    }
  }
  return std::nullopt;
}

// An image file and a disk this user may not read each say what to do; a
// case that cannot be set up here (root without setpriv, a readable disk)
// is passed over.
TEST_F(CliRawScanTest, ASourceWithoutAccessSaysWhatToDo) {
  const fs::path locked = card();
  fs::permissions(locked, fs::perms::none);
  fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
  std::vector<std::pair<std::string, std::string>> cases = {
      {locked.string(),
       "make the image file readable for this user or run as a user who can read it"}};
  if (const auto disk = diskHolding(folder.path())) {
    cases.emplace_back(*disk,
                       "run with access to the disk, e.g. as root or a member of the disk "
                       "group");
  }
  for (const auto& [source, advice] : cases) {
    CliResult denied;
    // as the user "nobody" when root can become it, for what such a user sees
    if (::geteuid() == 0 && ::access("/usr/bin/setpriv", X_OK) == 0) {
      denied = runCli({"scan", "--raw", source},
                      "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ");
    } else if (::access(source.c_str(), R_OK) != 0) {
      denied = runCli({"scan", "--raw", source});
    } else {
      continue;
    }
    EXPECT_EQ(denied.status, 2) << source;
    EXPECT_EQ(denied.err, "orvane-cli: " + source + ": permission denied; " + advice + "\n");
  }
}

TEST_F(CliRawScanTest, ExportOntoTheDiskBeingScannedIsRefused) {
  const auto disk = diskHolding(folder.path());
  if (!disk) GTEST_SKIP() << "the scratch folder is on no block device of this machine";
  const fs::path out = folder / "deeper" / "Rescued";
  const auto result = runCli({"scan", "--raw", *disk, "--export", out.string()});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, "orvane-cli: " + out.string() + ": is on the disk being scanned (" + *disk +
                            "); writing there could overwrite the files being rescued: export "
                            "to another disk\n");
  EXPECT_FALSE(fs::exists(folder / "deeper"));
}

TEST_F(CliRawScanTest, AnEngineThatCannotBeLoadedIsSaid) {
  const fs::path notAnEngine = folder / "bblib.so";
  fixtures::writeFileText(notAnEngine, "not a library\n");
  const fs::path image = card();
  ::setenv("ORVANE_ENGINE", notAnEngine.c_str(), 1);
  const auto scan = runCli({"scan", "--raw", image.string()});
  const auto disks = runCli({"disks"});
  ::unsetenv("ORVANE_ENGINE");
  EXPECT_EQ(scan.status, 2);
  EXPECT_NE(scan.err.find("the recovery engine bblib.so could not be loaded"), std::string::npos)
      << scan.err;
  EXPECT_EQ(scan.out, "");
  EXPECT_EQ(disks.status, 2);
}

}  // namespace
}  // namespace orvane
