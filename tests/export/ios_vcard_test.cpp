#include "export/ios_vcard.h"

#include <gtest/gtest.h>

#include "export/vcf_controller.h"

namespace orvane {
namespace {

using Values = std::vector<std::string>;

TEST(IosVcard, TwoPhonesAndAPictureGiveOneLineEach) {
  PRContactNode contact;
  contact.contactName = "Ann B Cole";
  contact.contactCompany = " Engineer Acme";
  contact.contactJobtitle = "Engineer";
  contact.contactPhone = " +1 (555) 123-4567 555-9876";
  contact.contactEmail = " ann@example.com ann.cole@work.example";
  contact.contactHomepage = " http://ann.example";
  contact.contactAdress = " 1 Main St";
  contact.contactBirthday = "-650894400";
  contact.contactNote = "met at the fair";
  contact.imageData = Bytes{0xFF, 0xD8, 0xFF, 0xE0};

  EXPECT_EQ(PRVCFController::cardText(contact),
            "BEGIN:VCARD\r\n"
            "VERSION:3.0\r\n"
            "N:Ann B Cole\r\n"
            "FN:Ann B Cole\r\n"
            "ORG:Engineer Acme\r\n"
            "TITLE:Engineer\r\n"
            "TEL:+1 (555) 123-4567\r\n"
            "TEL:555-9876\r\n"
            "EMAIL;TYPE=INTERNET:ann@example.com\r\n"
            "EMAIL;TYPE=INTERNET:ann.cole@work.example\r\n"
            "URL:http://ann.example\r\n"
            "ADR:;;1 Main St;;;;\r\n"
            "BDAY:1980-05-17\r\n"
            "NOTE:met at the fair\r\n"
            "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4A==\r\n"
            "END:VCARD");
}

TEST(IosVcard, AnEmptyContactKeepsOnlyTheLinesACardNeeds) {
  EXPECT_EQ(PRVCFController::cardText(PRContactNode{}),
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:\r\nFN:\r\nEND:VCARD");
}

TEST(IosVcard, ValuesAreEscapedAndAnUnreadableBirthdayGoesToTheNote) {
  PRContactNode contact;
  contact.contactCompany = " Smith, Jones; Partners";
  contact.contactAdress = " Flat 2; 1 Main St, Town";
  contact.contactBirthday = " May 17th ";
  contact.contactNote = "line 1\r\nline 2\\";
  contact.imageData = Bytes{};  // an empty picture is no picture

  EXPECT_EQ(PRVCFController::cardText(contact),
            "BEGIN:VCARD\r\n"
            "VERSION:3.0\r\n"
            "N:\r\n"
            "FN:Smith\\, Jones\\; Partners\r\n"
            "ORG:Smith\\, Jones\\; Partners\r\n"
            "ADR:;;Flat 2\\; 1 Main St\\, Town;;;;\r\n"
            "NOTE:line 1\\nline 2\\\\\\nBirthday: May 17th\r\n"
            "END:VCARD");

  contact.contactNote.clear();
  EXPECT_NE(PRVCFController::cardText(contact).find("\r\nNOTE:Birthday: May 17th\r\n"),
            std::string::npos);
}

TEST(IosVcard, ThePictureTypeFollowsItsSignature) {
  PRContactNode contact;
  contact.imageData = Bytes{0x89, 'P', 'N', 'G', '\r', '\n'};
  EXPECT_NE(PRVCFController::cardText(contact).find("\r\nPHOTO;ENCODING=b;TYPE=PNG:iVBORw0K\r\n"),
            std::string::npos);
}

TEST(IosVcard, PhoneListsAreRegroupedIntoNumbers) {
  const std::vector<std::pair<std::string, Values>> cases{
      {" (555) 123-4567 (555) 987-6543", {"(555) 123-4567", "(555) 987-6543"}},
      {" +44 20 7946 0958 +1 555 123 4567", {"+44 20 7946 0958", "+1 555 123 4567"}},
      {" 06 12 34 56 78 06 98 76 54 32", {"06 12 34 56 78", "06 98 76 54 32"}},
      {" 555-1234 ext 12", {"555-1234 ext 12"}},
      // the carver's name guess can leave a blank at the end
      {" 0171234567 ", {"0171234567"}},
  };
  for (const auto& [list, numbers] : cases) {
    EXPECT_EQ(splitPhoneNumbers(list), numbers) << '"' << list << '"';
  }
}

TEST(IosVcard, BirthdaysReadAsIsoDatesOrSecondsSince2001) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
      {" 1980-05-17T00:00:00Z", "1980-05-17"},
      {"1980-02-30", std::nullopt},
      {"-1", "2000-12-31"},
      {"494337600.25", "2016-08-31"},
      {"1e5", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"-300000000000", std::nullopt},
  };
  for (const auto& [stored, date] : cases) {
    EXPECT_EQ(birthdayAsIsoDate(stored), date) << '"' << stored << '"';
  }
}

}  // namespace
}  // namespace orvane
