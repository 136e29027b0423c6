// The text reports (what a whole export writes is the recovery run suite's).

#include "export/rtf_controller.h"

#include <gtest/gtest.h>

#include "export_test_support.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

using fixtures::readFileText;
using fixtures::ScratchFolder;
using fixtures::writeFileText;
using testing::Names;
using testing::namesIn;

// An MMS attachment may carry the report's final or intermediate name: the
// report replaces neither and takes the next free name.
TEST(RtfController, ExistingFilesAreKept) {
  ScratchFolder folder;
  writeFileText(folder / "Messages.txt", "attachment");
  writeFileText(folder / "TXT.txt", "other attachment");
  PRRtfController rtf;
  rtf.addRtfContent("A");
  rtf.addRtfContent("B");
  ASSERT_TRUE(rtf.writeRtfInPath(folder.path(), "Message"));
  EXPECT_EQ(namesIn(folder.path()), (Names{"Messages (2).txt", "Messages.txt", "TXT.txt"}));
  EXPECT_EQ(readFileText(folder / "Messages.txt"), "attachment");
  EXPECT_EQ(readFileText(folder / "TXT.txt"), "other attachment");
  EXPECT_EQ(readFileText(folder / "Messages (2).txt"), "A\n\nB\n\n");
}

// A type without a report name of its own (names differ by letter case)
// stays "TXT.txt"; a failed write names that file and leaves nothing.
TEST(RtfController, UnknownTypesStayTxtAndAFailedWriteLeavesNothing) {
  EXPECT_EQ(PRRtfController::finalFileName("contact"), "TXT.txt");
  ScratchFolder folder;
  PRRtfController rtf;
  rtf.addRtfContent("x");
  std::string problem;
  EXPECT_FALSE(rtf.writeRtfInPath(folder / "missing", "Contact", &problem));
  EXPECT_NE(problem.find("missing/TXT.txt"), std::string::npos) << problem;
  EXPECT_TRUE(namesIn(folder.path()).empty());
  ASSERT_TRUE(rtf.writeRtfInPath(folder.path(), "MMS"));
  EXPECT_EQ(namesIn(folder.path()), (Names{"TXT.txt"}));
  EXPECT_EQ(readFileText(folder / "TXT.txt"), "x\n\n");
}

}  // namespace
}  // namespace orvane
