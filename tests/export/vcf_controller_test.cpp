#include "export/vcf_controller.h"

#include <gtest/gtest.h>

#include "export_test_support.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

using fixtures::readFileText;
using fixtures::ScratchFolder;
using fixtures::writeFileText;

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

TEST(VcfController, AnEmptyContactGivesEveryLineWithAnEmptyValue) {
  EXPECT_EQ(PRVCFController::cardText(PRBlackBerryContactNode{}), kEmptyCard);
}

TEST(VcfController, EveryFieldLandsInItsLine) {
  PRBlackBerryContactNode contact;
  contact.contactName = "Smith John ";
  contact.titleName = "Engineer";
  contact.companyName = "Acme";
  contact.email = "john@example.com";
  contact.address = "1 Main St";
  contact.city = "Springfield";
  contact.provice = "IL";
  contact.country = "USA";
  contact.postZcode = "62701";
  contact.homeCall = "555 ";
  contact.workCall = "556 ";
  contact.mobilCall = "557 ";
  contact.webSite = "http://example.com";
  contact.pinNumber = "2100000A";
  contact.brithday = "1970-01-01";
  contact.note = "met at the fair";
  EXPECT_EQ(PRVCFController::cardText(contact),
            "BEGIN:VCARD\r\n"
            "VERSION:3.0\r\n"
            "N:Smith John \r\n"
            "FN:Smith John \r\n"
            "ORG:Acme\r\n"
            "TITLE:Engineer\r\n"
            "EMAIL;INTERNET;EMAIL;PREF:john@example.com\r\n"
            "item1.ADR;type=ADR;type=pref:;;1 Main St Springfield IL USA 62701\r\n"
            "TEL;HOME:555 \r\n"
            "TEL;WORK:556 \r\n"
            "TEL;CELL:557 \r\n"
            "item1.URL;type=pref:http://example.com\r\n"
            "item1.PIN;type=pref:2100000A\r\n"
            "item1.BIRTHDAY;type=pref:1970-01-01\r\n"
            "item1.NOTE;type=pref:met at the fair\r\n"
            "END:VCARD");
}

TEST(VcfController, DisplayNameFallsBackToTheCompany) {
  PRBlackBerryContactNode contact;
  contact.companyName = "Acme";
  contact.titleName = "Boss";
  const std::string card = PRVCFController::cardText(contact);
  EXPECT_NE(card.find("\r\nN:\r\nFN:Acme\r\nORG:Acme\r\nTITLE:Boss\r\n"), std::string::npos)
      << card;
}

TEST(VcfController, ValuesAreEscaped) {
  EXPECT_EQ(PRVCFController::escapeValue(R"(a\b,c;d)"), R"(a\\b\,c\;d)");
  // CR LF is one break; LF CR are two
  EXPECT_EQ(PRVCFController::escapeValue("1\r\n2\n3\r4\n\r5"), R"(1\n2\n3\n4\n\n5)");
  EXPECT_EQ(PRVCFController::escapeValue("\xD0\x98\xD0\xB2"), "\xD0\x98\xD0\xB2");

  PRBlackBerryContactNode contact;
  contact.contactName = "Smith, John";
  contact.companyName = "A;B";
  contact.address = "Flat 2; 1 Main St";
  contact.city = "Spring,field";
  contact.note = "line one\r\nline two";
  const std::string card = PRVCFController::cardText(contact);
  EXPECT_NE(card.find("\r\nN:Smith\\, John\r\nFN:Smith\\, John\r\nORG:A\\;B\r\n"),
            std::string::npos)
      << card;
  // each address part is escaped on its own; the blanks between them stay
  EXPECT_NE(
      card.find("\r\nitem1.ADR;type=ADR;type=pref:;;Flat 2\\; 1 Main St Spring\\,field   \r\n"),
      std::string::npos)
      << card;
  EXPECT_NE(card.find("\r\nitem1.NOTE;type=pref:line one\\nline two\r\nEND:VCARD"),
            std::string::npos)
      << card;
}

TEST(VcfController, PhotoIsBase64OnOneLineBeforeTheEnd) {
  PRBlackBerryContactNode contact;
  contact.contactImageData = Bytes{0xFF, 0xD8, 0xFF};
  const std::string tail = "item1.NOTE;type=pref:\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/\r\nEND:VCARD";
  std::string card = PRVCFController::cardText(contact);
  ASSERT_GT(card.size(), tail.size());
  EXPECT_EQ(card.substr(card.size() - tail.size()), tail);

  contact.contactImageData = Bytes{0xFF, 0xD8, 0xFF, 0xE0};
  card = PRVCFController::cardText(contact);
  EXPECT_NE(card.find("\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4A==\r\nEND:VCARD"), std::string::npos)
      << card;

  // no bytes, no picture
  contact.contactImageData = Bytes{};
  EXPECT_EQ(PRVCFController::cardText(contact), kEmptyCard);
}

TEST(VcfController, CreatFileWritesTheCardAndReplacesAnOldOne) {
  ScratchFolder folder;
  writeFileText(folder / "card.vcf", "old card that is longer than the new one ...........");
  PRVCFController vcf;
  ASSERT_TRUE(vcf.creatFile(PRBlackBerryContactNode{}, folder / "card.vcf"));
  EXPECT_EQ(readFileText(folder / "card.vcf"), kEmptyCard);
  EXPECT_EQ(testing::namesIn(folder.path()), std::vector<std::string>{"card.vcf"});
}

TEST(VcfController, AFailedWriteIsReportedAndLeavesNothing) {
  ScratchFolder folder;
  PRVCFController vcf;
  std::error_code error;
  EXPECT_FALSE(vcf.creatFile(PRBlackBerryContactNode{}, folder / "missing" / "card.vcf", &error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
  EXPECT_FALSE(vcf.creatFile(PRBlackBerryContactNode{}, std::filesystem::path{}));
  EXPECT_TRUE(testing::namesIn(folder.path()).empty());
}

}  // namespace
}  // namespace orvane
