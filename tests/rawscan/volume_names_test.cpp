// Volume names from the block-device lister, and the lister's run.

#include "rawscan/volume_names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "fixtures/scratch_folder.h"
#include "rawscan/child_process.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;

// As lsblk 2.38 prints it: the named disk is taken among several; what is
// no listing gives no names.
TEST(LsblkListing, LabelsByPartitionNumberOfTheNamedDiskAndNoneFromWhatIsNoListing) {
  const std::string listing =
      R"({"blockdevices":[{"name":"sda","label":"SYS","children":[{"name":"sda1","label":"A"}]},)"
      R"({"name":"mmcblk0","label":null,"children":[{"name":"mmcblk0p1","label":"CARD"},)"
      R"({"name":"mmcblk0p2","label":"   "}]}]})";
  EXPECT_EQ(parseLsblkVolumeNames(listing, "/dev/mmcblk0"),
            (VolumeNames{{0, ""}, {1, "CARD"}, {2, "   "}}));
  for (const char* output : {"", "lsblk: /dev/sdb: not a block device", "{", "[]", "{}",
                             R"({"blockdevices": 3})", R"({"blockdevices": []})",
                             R"({"blockdevices": [7]})", R"({"blockdevices": [{"label":"X"}]})",
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

TEST(VolumeLister, AnImageFileIsNotListed) {
  fixtures::ScratchFolder folder;
  fixtures::writeFileText(folder / "card.img", std::string(4096, '\0'));
  EXPECT_EQ(runVolumeLister((folder / "card.img").string()), std::nullopt);
  EXPECT_EQ(runVolumeLister((folder / "missing").string()), std::nullopt);
}

TEST(ChildProcess, ArgumentsReachTheProgramUnchangedAndFailureOrOverlongOutputGiveNothing) {
  EXPECT_EQ(runProgramOutput({"/bin/echo", "a  b", "$HOME", "'q'", "; rm -rf x"}, 1024, 10s),
            "a  b $HOME 'q' ; rm -rf x\n");
  EXPECT_EQ(runProgramOutput({"/bin/false"}, 1024, 10s), std::nullopt);
  EXPECT_EQ(runProgramOutput({"/nonexistent/lister"}, 1024, 10s), std::nullopt);
  EXPECT_EQ(runProgramOutput({}, 1024, 10s), std::nullopt);
  // `yes` never ends by itself: it is stopped once it has said too much
  EXPECT_EQ(runProgramOutput({"/usr/bin/yes"}, 64 * 1024, 60s), std::nullopt);
}

}  // namespace
}  // namespace orvane
