// The disk and partition chooser's model: which disks are offered, the
// rows' titles and fields, volume names, and the current disk.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/app_delegate.h"
#include "core/main_thread_dispatcher.h"
#include "fake_engine.h"
#include "rawscan/block_devices.h"
#include "rawscan/child_process.h"
#include "rawscan/disk_file_controller.h"
#include "rawscan/disk_table.h"
#include "rawscan/volume_names.h"

namespace orvane {
namespace {

using testing::FakeEngine;
using testing::FakePartition;

std::string lsblkListing(const std::string& disk, const std::string& partitions) {
  return R"({"blockdevices": [{"name":")" + disk + R"(", "label":null, "children": [)" +
         partitions + "]}]}";
}

// The tree as lines: disk rows by title, partition rows indented with
// number, title and type.
std::vector<std::string> treeLines(const PRDiskFileController& chooser) {
  std::vector<std::string> lines;
  for (const DiskRow& disk : chooser.content()) {
    lines.push_back(disk->partitionName);
    for (const DiskRow& part : disk->children) {
      lines.push_back("  " + std::to_string(part->deviceIndex) + " " + part->partitionName + " [" +
                      part->partitionType.value_or("-") + "]");
    }
  }
  return lines;
}

class DiskChooserTest : public ::testing::Test {
 protected:
  void SetUp() override { rawEngine.useEngineTable(&engine.table); }

  // A chooser that takes /dev/vda for the system disk too and whose volume
  // names come from `listings`.
  PRDiskFileController chooser() {
    return PRDiskFileController(
        rawEngine,
        [this](const std::string& device) -> std::optional<std::string> {
          const auto found = listings.find(device);
          if (found == listings.end()) return std::nullopt;
          return found->second;
        },
        [](const std::string& device, std::uint64_t sizeBytes) {
          return device == "/dev/vda" || PRDiskFileController::isMachineDisk(device, sizeBytes);
        });
  }

  RawEngine rawEngine;
  FakeEngine engine;
  std::map<std::string, std::string> listings;
};

struct TreeCase {
  const char* what;
  std::vector<std::tuple<std::string, std::uint64_t, std::vector<FakePartition>>> disks;
  std::map<std::string, std::string> listings;
  std::vector<std::string> tree;
};

// The system disk is /dev/vda.
TEST_F(DiskChooserTest, TreeOfDisksPartitionsAndVolumeNames) {
  const TreeCase cases[] = {
      // blank labels and a partition the lister does not name are "NO NAME";
      // a real label is kept as it is, blanks included
      {"the system disk listed first is left out",
       {{"/dev/vda", 256000000000, {{1, "ext4"}}},
        {"/dev/sdb", 2000000000, {{1, "vfat"}, {2, std::nullopt}, {3, "ntfs"}, {4, "xfs"}}}},
       {{"/dev/sdb", lsblkListing("sdb", R"({"name":"sdb1","label":"CANON_DC"},)"
                                         R"({"name":"sdb2","label":null},)"
                                         R"({"name":"sdb3","label":"   "},)"
                                         R"({"name":"sdb4","label":" MY CARD "})")}},
       {"/dev/sdb (2.00G)", "  1 CANON_DC [vfat]", "  2 NO NAME [-]", "  3 NO NAME [ntfs]",
        "  4  MY CARD  [xfs]"}},
      // sizes count all 64 bits: 31.91 GB is not its low 32 bits
      {"a card listed first is kept",
       {{"/dev/orvane-test-card", 31914983424, {{1, "exfat"}}}},
       {},
       {"/dev/orvane-test-card (31.91G)", "  1 NO NAME [exfat]"}},
      {"the engine's size-zero stand-in for the system disk is left out",
       {{"/dev/root", 0, {}}, {"/dev/orvane-test-card", 2000000000, {}}},
       {},
       {"/dev/orvane-test-card (2.00G)"}},
      {"disks keep their own volume names",
       {{"/dev/vda", 1, {}},
        {"/dev/disk1", 1000, {{1, "vfat"}}},
        {"/dev/disk11", 2000000000000, {{1, "vfat"}}}},
       {{"/dev/disk1", lsblkListing("disk1", R"({"name":"disk1p1","label":"ONE"})")},
        {"/dev/disk11", lsblkListing("disk11", R"({"name":"disk11p1","label":"ELEVEN"})")}},
       {"/dev/disk1 (1.00K)", "  1 ONE [vfat]", "/dev/disk11 (2.00T)", "  1 ELEVEN [vfat]"}},
  };
  for (const TreeCase& c : cases) {
    FakeEngine fresh;
    rawEngine.useEngineTable(&fresh.table);
    for (const auto& [name, size, partitions] : c.disks) fresh.addDisk(name, size, partitions);
    listings = c.listings;
    PRDiskFileController disks = chooser();
    disks.reload();
    EXPECT_EQ(treeLines(disks), c.tree) << c.what;
  }
}

TEST_F(DiskChooserTest, TheDiskHoldingTheRunningSystemIsTheMachinesOwn) {
  std::optional<std::string> systemDisk;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/block", error)) {
    const std::string device = "/dev/" + entry.path().filename().string();
    if (holdsRootFileSystem(device)) systemDisk = device;
  }
  if (!systemDisk) GTEST_SKIP() << "\"/\" is on no block device of this machine";
  engine.addDisk(*systemDisk, 256000000000);
  engine.addDisk("/dev/orvane-test-card", 2000000000);
  PRDiskFileController disks(rawEngine, nullptr);
  disks.reload();
  EXPECT_EQ(treeLines(disks), (std::vector<std::string>{"/dev/orvane-test-card (2.00G)"}));
}

TEST_F(DiskChooserTest, AtMostTwentySixDisksAreTakenWithTheirEngineRecords) {
  engine.addDisk("/dev/sdb", 2000000000, {{3, "vfat"}});
  for (int i = 1; i < 30; ++i) engine.addDisk("/dev/sd" + std::to_string(i), 1000);
  PRDiskFileController disks = chooser();
  disks.reload();
  EXPECT_EQ(DiskTable::entries()[25], engine.disk(25));
  ASSERT_EQ(disks.content().size(), 26u);
  const PRDiskInfoNode& card = *disks.content()[0];
  EXPECT_EQ(card.pSys_Disk, engine.disk(0));
  EXPECT_EQ(card.deviceIndex, BB_WHOLE_DISK);
  EXPECT_NE(card.children.at(0)->pSys_Part, nullptr);
}

TEST_F(DiskChooserTest, WithoutAnEngineTheTreeIsEmpty) {
  engine.addDisk("/dev/vda", 1);
  engine.addDisk("/dev/sdb", 1000);
  PRDiskFileController disks = chooser();
  disks.reload();
  ASSERT_EQ(disks.content().size(), 1u);

  // no entry of the earlier listing is left behind for a scan to use
  rawEngine.useEngineTable(nullptr);
  disks.reload();
  EXPECT_TRUE(disks.content().empty());
  EXPECT_EQ(DiskTable::entries()[0], nullptr);
}

// Volume names from the block-device lister, and the lister's run.
using namespace std::chrono_literals;

// What is no listing gives no names; labels go only to partitions of the
// named disk.
TEST(LsblkListing, NoNamesFromWhatIsNoListingAndNoneForOtherDevices) {
  for (const char* output :
       {"", "lsblk: /dev/sdb: not a block device", "{", R"({"blockdevices": [7]})",
        R"({"blockdevices": [{"name":"sdb","children":{"name":"sdb1"}}]})",
        "{\"blockdevices\": [{\"name\":\"sdb\",\"label\":\"\xff\"}]}"}) {
    const VolumeNames names = parseLsblkVolumeNames(output, "/dev/sdb");
    EXPECT_TRUE(names.size() <= 1 && (names.empty() || names.begin()->first == 0)) << output;
  }
  // children that are not partitions of the disk are passed over
  const std::string others =
      R"({"blockdevices":[{"name":"sdb","children":[{"name":"md0"},{"label":"X"},5,)"
      R"({"name":"sdb","label":"D"},{"name":"sdc1","label":"C"},{"name":"sdbx","label":"X"},)"
      R"({"name":"sdb0","label":"Z"},{"name":"sdb99999999999","label":"B"},)"
      R"({"name":"sdb1","label":7},{"name":"sdb3","label":"OK"},{"name":"sdb12","label":"T"}]}]})";
  EXPECT_EQ(parseLsblkVolumeNames(others, "/dev/sdb"),
            (VolumeNames{{0, ""}, {1, ""}, {3, "OK"}, {12, "T"}}));
}

TEST(ChildProcess, ArgumentsReachTheProgramUnchangedAndFailureOrOverlongOutputGiveNothing) {
  EXPECT_EQ(runProgramOutput({"/bin/echo", "a  b", "$HOME", "'q'", "; rm -rf x"}, 1024, 10s),
            "a  b $HOME 'q' ; rm -rf x\n");
  EXPECT_EQ(runProgramOutput({"/bin/false"}, 1024, 10s), std::nullopt);
  EXPECT_EQ(runProgramOutput({"/nonexistent/lister"}, 1024, 10s), std::nullopt);
  // `yes` never ends by itself: it is stopped once it has said too much
  EXPECT_EQ(runProgramOutput({"/usr/bin/yes"}, 64 * 1024, 60s), std::nullopt);
}

}  // namespace
}  // namespace orvane
