#include <gtest/gtest.h>

#include "ios/backup_file_name.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

using fixtures::IosLayout;
using testing::Backup;
using testing::IosScanBench;
using testing::row;
using testing::rows;

TEST(Contacts, NamesCompaniesAndMultiValuesJoinWithLeadingSpaces) {
  Backup backup(IosLayout::ios5);
  backup.writer
      .person({.first = "Ann",
               .middle = "B",
               .last = "Cole",
               .jobTitle = "Engineer",
               .organization = "Acme",
               .note = "met at fair",
               .birthday = "378000000",
               .phones = {"555-1234", "555-9876"},
               .emails = {"ann@example.com"},
               .homePages = {"ann.example.com"},
               .addresses = {{.street = "1 Road"}},
               .otherValues = {{1, "ignored"}, {6, "ignored too"}}})
      .person({.last = "Cole"})
      .person({.first = "Zoë", .last = "Ångström"});
  backup.writer.write();

  IosScanBench bench;
  bench.scanner().scanContactThread(backup.folder);
  EXPECT_EQ(rows<PRContactNode>(bench.posted, "ScanContactInfo",
                                [](const PRContactNode& c) {
                                  return row(c.rowid, c.contactName, c.contactCompany,
                                             c.contactJobtitle, c.contactPhone, c.contactEmail,
                                             c.contactHomepage, c.contactAdress, c.contactNote,
                                             c.contactBirthday, c.imageData.has_value());
                                }),
            // the job title joins the company text and is kept on its own too
            (std::vector<std::string>{"1|Ann B Cole| Engineer Acme|Engineer| 555-1234 555-9876| "
                                      "ann@example.com| "
                                      "ann.example.com| 1 Road|met at fair|378000000|0",
                                      "2| Cole|||||||||0", "3|Zoë Ångström|||||||||0"}));
  EXPECT_EQ(bench.posted.progress, std::vector<std::int64_t>{40});
  EXPECT_EQ(bench.lists.contactArray.size(), 3u);
}

TEST(Contacts, PicturesComeFromEitherPictureFile) {
  for (bool older : {false, true}) {
    Backup backup(IosLayout::ios5);
    if (older) backup.writer.olderPictureFile();
    backup.writer.person({.first = "Ann", .picture = std::vector<std::uint8_t>{1, 2}})
        .person({.first = "Bob"});
    backup.writer.write();
    IosScanBench bench;
    bench.scanner().scanContactThread(backup.folder);
    const auto contacts = bench.posted.all<PRContactNode>("ScanContactInfo");
    ASSERT_EQ(contacts.size(), 2u);
    ASSERT_TRUE(contacts[0]->imageData.has_value()) << older;
    EXPECT_EQ(*contacts[0]->imageData, (Bytes{1, 2}));
    EXPECT_FALSE(contacts[1]->imageData.has_value());
  }
}

TEST(Contacts, MissingAddressBookPostsNothingAndForeignFilePostsOnlyProgress) {
  Backup backup(IosLayout::ios5);
  backup.writer.write();
  IosScanBench bench;
  bench.scanner().scanContactThread(backup.folder);
  EXPECT_TRUE(bench.posted.names.empty());

  backup.writer.rawFile(backup_names::kAddressBook, {'n', 'o', 't', ' ', 's', 'q', 'l'});
  bench.scanner().scanContactThread(backup.folder);
  EXPECT_EQ(bench.posted.names, std::vector<std::string>{"ScanProgressInfo"});
}

// text, phone, contact name, type, year, iMessage
std::vector<std::string> messageRows(const testing::Posted& posted) {
  return rows<PRMessageNode>(posted, "ScanMessageInfo", [](const PRMessageNode& m) {
    return row(m.messageContent, m.messagePhone, m.messageName, m.messageType,
               m.messageDate.substr(6, 4), int{m.bImessage});
  });
}

// A database before iOS 6 is read in its own layout whatever the iOS 6
// flag says: with madrid columns (iOS 5) or without them (iOS 4).
TEST(Messages, BeforeIos6FlagsMadridAndAttachmentPieces) {
  for (const IosLayout layout : {IosLayout::ios4, IosLayout::ios5}) {
    Backup backup(layout);
    backup.writer.person({.first = "Ann", .phones = {"(555) 123-4567"}})
        .message({.text = "hello", .date = 1000000000, .address = "5551234567", .flags = 2})
        .message({.text = "sent", .date = 400000000, .address = "5550000", .flags = 3})
        .message({.text = "odd", .date = 400000000, .address = "5550000", .flags = 4})
        .message({.text = "also received", .date = 400000000, .address = "5550000", .flags = 22});
    std::vector<std::string> expected = {"hello|5551234567|Ann|Received|2001|0",
                                         "sent|5550000||Send|1982|0", "odd|5550000||unknown|1982|0",
                                         "also received|5550000||Received|1982|0"};
    if (layout == IosLayout::ios5) {
      backup.writer.message({.text = "imsg",
                             .date = 400000000,
                             .address = "ann@example.com",
                             .iMessage = true,
                             .madridFlags = 16387,
                             .attachmentInfo = {'a', 'b', 0, 'c', 'd', 0}});
      expected.push_back("abcd|ann@example.com||Send|2013|1");
    }
    backup.writer.write();

    for (const std::uint8_t iOS6 : {std::uint8_t{0}, std::uint8_t{1}}) {
      IosScanBench bench;
      auto scanner = bench.scanner(iOS6);
      scanner.scanContactThread(backup.folder);
      scanner.scanMessageThread(backup.folder);
      // an SMS row of this layout counts from 1970, an iMessage row from 2001
      EXPECT_EQ(messageRows(bench.posted), expected) << int{iOS6};
      EXPECT_EQ(bench.posted.progress, (std::vector<std::int64_t>{40, 50}));
    }
  }
}

// The iOS 6 layout is read whatever the flag says: later systems keep it.
class MessagesIos6Layout : public ::testing::TestWithParam<std::tuple<IosLayout, std::uint8_t>> {};

TEST_P(MessagesIos6Layout, HandleAndIsFromMe) {
  Backup backup(std::get<0>(GetParam()));
  backup.writer.person({.first = "Ann", .phones = {"+1 555 123 4567"}})
      .message({.text = "mine", .date = 400000000, .address = "+15551234567", .fromMe = true})
      .message({.text = "theirs", .date = 400000000, .address = "+15551234567"})
      // nanoseconds since 2001, as from iOS 11 on
      .message({.text = "new", .date = 600000000LL * 1000000000LL, .address = "+1999"});
  backup.writer.write();
  IosScanBench bench;
  auto scanner = bench.scanner(std::get<1>(GetParam()));
  scanner.scanContactThread(backup.folder);
  scanner.scanMessageThread(backup.folder);
  EXPECT_EQ(messageRows(bench.posted),
            (std::vector<std::string>{"mine|+15551234567|Ann|Send|2013|0",
                                      "theirs|+15551234567|Ann|Received|2013|0",
                                      "new|+1999||Received|2020|0"}));
}

INSTANTIATE_TEST_SUITE_P(FlagOrLaterSystem, MessagesIos6Layout,
                         ::testing::Values(std::make_tuple(IosLayout::ios6, std::uint8_t{1}),
                                           std::make_tuple(IosLayout::ios17, std::uint8_t{0}),
                                           std::make_tuple(IosLayout::ios17, std::uint8_t{1})));

TEST(Messages, MissingDatabasePostsNothing) {
  Backup backup(IosLayout::ios6);
  backup.writer.write();
  IosScanBench bench;
  bench.scanner(1).scanMessageThread(backup.folder);
  bench.scanner(1).scanMessageThread("");
  EXPECT_TRUE(bench.posted.names.empty());
}

}  // namespace
}  // namespace orvane
