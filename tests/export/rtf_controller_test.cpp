#include "export/rtf_controller.h"

#include <gtest/gtest.h>

#include "export_test_support.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

using fixtures::readFileText;
using fixtures::ScratchFolder;
using fixtures::writeFileText;
using testing::namesIn;
using Names = std::vector<std::string>;

TEST(RtfController, NoEntriesWriteAnEmptyFileUnderTheFinalName) {
  ScratchFolder folder;
  PRRtfController rtf;
  ASSERT_TRUE(rtf.writeRtfInPath(folder.path(), "Contact"));
  EXPECT_EQ(namesIn(folder.path()), (Names{"Contacts.txt"}));
  EXPECT_EQ(readFileText(folder / "Contacts.txt"), "");
}

TEST(RtfController, EveryEntryIsFollowedByAnEmptyLine) {
  ScratchFolder folder;
  PRRtfController rtf;
  rtf.addRtfContent("A");
  rtf.addRtfContent("B");
  ASSERT_TRUE(rtf.writeRtfInPath(folder.path(), "Message"));
  EXPECT_EQ(readFileText(folder / "Messages.txt"), "A\n\nB\n\n");
}

TEST(RtfController, FileTypesMapToTheirFinalNames) {
  EXPECT_EQ(PRRtfController::finalFileName("Contact"), "Contacts.txt");
  EXPECT_EQ(PRRtfController::finalFileName("Message"), "Messages.txt");
  EXPECT_EQ(PRRtfController::finalFileName("CallHistory"), "CallHistory.txt");
  EXPECT_EQ(PRRtfController::finalFileName("Note"), "Notes.txt");
  EXPECT_EQ(PRRtfController::finalFileName("BookMark"), "BookMark.txt");
  EXPECT_EQ(PRRtfController::finalFileName("Calendar&Reminder"), "Calendar&Reminder.txt");
  EXPECT_EQ(PRRtfController::finalFileName("MMS"), "TXT.txt");
  EXPECT_EQ(PRRtfController::finalFileName("contact"), "TXT.txt");
}

TEST(RtfController, AnUnknownFileTypeStaysTxt) {
  ScratchFolder folder;
  PRRtfController rtf;
  rtf.addRtfContent("x");
  ASSERT_TRUE(rtf.writeRtfInPath(folder.path(), "MMS"));
  EXPECT_EQ(namesIn(folder.path()), (Names{"TXT.txt"}));
  EXPECT_EQ(readFileText(folder / "TXT.txt"), "x\n\n");
}

// An MMS attachment may carry the report's name: neither the final name
// nor the intermediate one may replace it.
TEST(RtfController, AnExistingFinalFileIsKeptAndTheReportTakesTheNextFreeName) {
  ScratchFolder folder;
  writeFileText(folder / "Messages.txt", "attachment");
  PRRtfController rtf;
  rtf.addRtfContent("A");
  ASSERT_TRUE(rtf.writeRtfInPath(folder.path(), "Message"));
  EXPECT_EQ(namesIn(folder.path()), (Names{"Messages (2).txt", "Messages.txt"}));
  EXPECT_EQ(readFileText(folder / "Messages.txt"), "attachment");
  EXPECT_EQ(readFileText(folder / "Messages (2).txt"), "A\n\n");
}

TEST(RtfController, AnExistingTxtFileIsKept) {
  ScratchFolder folder;
  writeFileText(folder / "TXT.txt", "attachment");
  PRRtfController rtf;
  rtf.addRtfContent("A");
  ASSERT_TRUE(rtf.writeRtfInPath(folder.path(), "Message"));
  EXPECT_EQ(namesIn(folder.path()), (Names{"Messages.txt", "TXT.txt"}));
  EXPECT_EQ(readFileText(folder / "TXT.txt"), "attachment");
  EXPECT_EQ(readFileText(folder / "Messages.txt"), "A\n\n");
}

TEST(RtfController, AFailedWriteIsReportedAndLeavesNothing) {
  ScratchFolder folder;
  PRRtfController rtf;
  std::string problem;
  EXPECT_FALSE(rtf.writeRtfInPath(folder / "missing", "Contact", &problem));
  EXPECT_NE(problem.find("missing/TXT.txt"), std::string::npos) << problem;
  EXPECT_TRUE(namesIn(folder.path()).empty());
}

}  // namespace
}  // namespace orvane
