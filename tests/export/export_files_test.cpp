// The files an export writes: vCards and copies (text reports are the
// recovery run suite's).

#include <gtest/gtest.h>

#include "export/atomic_file.h"
#include "export/vcf_controller.h"
#include "export_test_support.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

using fixtures::readFileText;
using fixtures::ScratchFolder;
using fixtures::writeFileText;
using testing::Names;
using testing::namesIn;

// The card of a contact without any value and without a picture.
constexpr const char* kEmptyCard =
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "N:\r\n"
    "FN:\r\n"
    "ORG:\r\n"
    "TITLE:\r\n"
    "EMAIL;INTERNET;EMAIL;PREF:\r\n"
    "item1.ADR;type=ADR;type=pref:;;    \r\n"
    "TEL;HOME:\r\n"
    "TEL;WORK:\r\n"
    "TEL;CELL:\r\n"
    "item1.URL;type=pref:\r\n"
    "item1.PIN;type=pref:\r\n"
    "item1.BIRTHDAY;type=pref:\r\n"
    "item1.NOTE;type=pref:\r\n"
    "END:VCARD";

TEST(VcfController, EveryFieldLandsInItsLine) {
  EXPECT_EQ(PRVCFController::cardText(testing::everyFieldContact()),
            "BEGIN:VCARD\r\n"
            "VERSION:3.0\r\n"
            "N:Smith John \r\n"
            "FN:Smith John \r\n"
            "ORG:Acme\r\n"
            "TITLE:Eng\r\n"
            "EMAIL;INTERNET;EMAIL;PREF:e@x\r\n"
            "item1.ADR;type=ADR;type=pref:;;Main St  Town Prov Land 12345\r\n"
            "TEL;HOME:1 \r\n"
            "TEL;WORK:2 \r\n"
            "TEL;CELL:3 \r\n"
            "item1.URL;type=pref:w.com\r\n"
            "item1.PIN;type=pref:PIN\r\n"
            "item1.BIRTHDAY;type=pref:B\r\n"
            "item1.NOTE;type=pref:N\r\n"
            "END:VCARD");
}

TEST(VcfController, EmptyContactAndDisplayNameFallingBackToTheCompany) {
  PRBlackBerryContactNode contact;
  EXPECT_EQ(PRVCFController::cardText(contact), kEmptyCard);
  contact.companyName = "Acme";
  contact.titleName = "Boss";
  EXPECT_NE(
      PRVCFController::cardText(contact).find("\r\nN:\r\nFN:Acme\r\nORG:Acme\r\nTITLE:Boss\r\n"),
      std::string::npos);
}

TEST(VcfController, ValuesAreEscaped) {
  PRBlackBerryContactNode contact;
  contact.contactName = "Smith, John";
  contact.companyName = "A;B";
  contact.address = "Flat 2; 1 Main St";
  contact.city = "Spring,field";
  // CR LF is one break, LF CR are two; a backslash is doubled
  contact.note = "one\r\ntwo\n\r3\r4\\";
  const std::string card = PRVCFController::cardText(contact);
  EXPECT_NE(card.find("\r\nN:Smith\\, John\r\nFN:Smith\\, John\r\nORG:A\\;B\r\n"),
            std::string::npos)
      << card;
  // each address part is escaped on its own; the blanks between them stay
  EXPECT_NE(
      card.find("\r\nitem1.ADR;type=ADR;type=pref:;;Flat 2\\; 1 Main St Spring\\,field   \r\n"),
      std::string::npos)
      << card;
  EXPECT_NE(card.find("\r\nitem1.NOTE;type=pref:one\\ntwo\\n\\n3\\n4\\\\\r\nEND:VCARD"),
            std::string::npos)
      << card;
}

TEST(VcfController, PhotoIsBase64OnOneLineBeforeTheEnd) {
  PRBlackBerryContactNode contact;
  contact.contactImageData = testing::contentRef({0xFF, 0xD8, 0xFF, 0xE0});
  EXPECT_TRUE(PRVCFController::cardText(contact).ends_with(
      "item1.NOTE;type=pref:\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4A==\r\nEND:VCARD"));

  // no bytes, no picture; a picture the backup no longer holds is left out
  // and says why
  contact.contactImageData = testing::contentRef({});
  EXPECT_EQ(PRVCFController::cardText(contact), kEmptyCard);
  contact.contactImageData = ContentRef(contact.contactImageData.source(), {ContentRun{0, 10}});
  std::string problem;
  EXPECT_EQ(PRVCFController::cardText(contact, &problem), kEmptyCard);
  EXPECT_EQ(problem, "test content: the content ended at offset 0");
}

TEST(VcfController, CreatFileNeverReplacesAFileAndReportsAFailedWrite) {
  ScratchFolder folder;
  PRVCFController vcf;
  ASSERT_TRUE(vcf.creatFile(PRBlackBerryContactNode{}, folder / "card.vcf"));
  EXPECT_EQ(readFileText(folder / "card.vcf"), kEmptyCard);
  writeFileText(folder / "card.vcf", "another run's card");

  std::error_code error;
  EXPECT_FALSE(vcf.creatFile(PRBlackBerryContactNode{}, folder / "card.vcf", &error));
  EXPECT_EQ(error, std::errc::file_exists);
  EXPECT_EQ(readFileText(folder / "card.vcf"), "another run's card");
  EXPECT_FALSE(vcf.creatFile(PRBlackBerryContactNode{}, folder / "missing" / "card.vcf", &error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
  EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"card.vcf"});
}

// --- copies ---

// A target already there is kept and no temporary is left; a failure says
// whether the source or the target side failed (the recovery run words
// its problem line by that; unreadable sources are the iOS export's test).
TEST(AtomicCopy, AnExistingTargetIsKeptAndFailuresSayWhichSideFailed) {
  fixtures::ScratchFolder scratch;
  writeFileText(scratch / "source", "new");
  writeFileText(scratch / "target", "old");

  const CopyResult kept =
      copyFileAtomically(scratch / "source", scratch / "target", ExistingFile::keep);
  EXPECT_EQ(kept.error, std::errc::file_exists);
  EXPECT_FALSE(kept.sourceFailed);
  EXPECT_EQ(readFileText(scratch / "target"), "old");

  const CopyResult noFolder =
      copyFileAtomically(scratch / "source", scratch / "absent/copy", ExistingFile::keep);
  EXPECT_EQ(noFolder.error, std::errc::no_such_file_or_directory);
  EXPECT_FALSE(noFolder.sourceFailed);
  EXPECT_EQ(namesIn(scratch.path()), (Names{"source", "target"}));
}

}  // namespace
}  // namespace orvane
