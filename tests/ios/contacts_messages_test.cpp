#include <gtest/gtest.h>

#include "ios/backup_file_name.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

using fixtures::IosBackupWriter;
using fixtures::IosLayout;
using fixtures::IosMessage;
using fixtures::IosPerson;
using testing::Backup;
using testing::IosScanBench;

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
               .addresses = {"1 Road"},
               .otherValues = {{1, "ignored"}, {6, "ignored too"}}})
      .person({.last = "Cole"})
      .person({.first = "Zoë", .last = "Ångström"});
  backup.writer.write();

  IosScanBench bench;
  bench.scanner().scanContactThread(backup.folder);
  const auto contacts = bench.posted.all<PRContactNode>("ScanContactInfo");
  ASSERT_EQ(contacts.size(), 3u);
  EXPECT_EQ(contacts[0]->rowid, 1);
  EXPECT_EQ(contacts[0]->contactName, "Ann B Cole");
  EXPECT_EQ(contacts[0]->contactCompany, " Engineer Acme");
  EXPECT_EQ(contacts[0]->contactJobtitle, "");
  EXPECT_EQ(contacts[0]->contactPhone, " 555-1234 555-9876");
  EXPECT_EQ(contacts[0]->contactEmail, " ann@example.com");
  EXPECT_EQ(contacts[0]->contactHomepage, " ann.example.com");
  EXPECT_EQ(contacts[0]->contactAdress, " 1 Road");
  EXPECT_EQ(contacts[0]->contactNote, "met at fair");
  EXPECT_EQ(contacts[0]->contactBirthday, "378000000");
  EXPECT_FALSE(contacts[0]->imageData.has_value());
  EXPECT_EQ(contacts[1]->contactName, " Cole");
  EXPECT_EQ(contacts[2]->contactName, "Zoë Ångström");
  EXPECT_EQ(bench.posted.progress, std::vector<std::int64_t>{40});
  EXPECT_EQ(bench.lists.contactArray.size(), 3u);
}

TEST(Contacts, PicturesComeFromEitherPictureFileAndTheLastRowWins) {
  for (bool older : {false, true}) {
    Backup backup(IosLayout::ios5);
    if (older) backup.writer.olderPictureFile();
    backup.writer.person({.first = "Ann", .picture = std::vector<std::uint8_t>{1, 2}})
        .person({.first = "Bob"});
    backup.writer.write();
    IosScanBench bench;
    auto scanner = bench.scanner();
    scanner.scanContactThread(backup.folder);
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

// An iOS 5 database is read in its own layout whatever the iOS 6 flag says.
TEST(Messages, BeforeIos6FlagsMadridAndAttachmentPieces) {
  Backup backup(IosLayout::ios5);
  backup.writer.person({.first = "Ann", .phones = {"(555) 123-4567"}})
      .message({.text = "hello", .date = 1000000000, .address = "5551234567", .flags = 2})
      .message({.text = "sent", .date = 400000000, .address = "5550000", .flags = 3})
      .message({.text = "odd", .address = "5550000", .flags = 4})
      .message({.text = "also received", .address = "5550000", .flags = 22})
      .message({.text = "imsg",
                .date = 400000000,
                .address = "5550000",
                .flags = 2,
                .madrid = true,
                .madridHandle = "ann@example.com",
                .madridFlags = 16387,
                .attachmentInfo = {'a', 'b', 0, 'c', 'd', 0}});
  backup.writer.write();

  for (const std::uint8_t iOS6 : {std::uint8_t{0}, std::uint8_t{1}}) {
    IosScanBench bench;
    auto scanner = bench.scanner(iOS6);
    scanner.scanContactThread(backup.folder);
    scanner.scanMessageThread(backup.folder);
    const auto messages = bench.posted.all<PRMessageNode>("ScanMessageInfo");
    ASSERT_EQ(messages.size(), 5u) << int{iOS6};
    EXPECT_EQ(messages[0]->messageContent, "hello");
    EXPECT_EQ(messages[0]->messagePhone, "5551234567");
    EXPECT_EQ(messages[0]->messageName, "Ann");
    EXPECT_EQ(messages[0]->messageType, "Received");
    EXPECT_EQ(messages[0]->messageDate.substr(6, 4), "2001");
    EXPECT_EQ(messages[1]->messageType, "Send");
    // an SMS row of this layout counts from 1970, an iMessage row from 2001
    EXPECT_EQ(messages[1]->messageDate.substr(6, 4), "1982");
    EXPECT_EQ(messages[4]->messageDate.substr(6, 4), "2013");
    EXPECT_EQ(messages[1]->messageName, "");  // no contact has the number
    EXPECT_EQ(messages[2]->messageType, "unknown");
    EXPECT_EQ(messages[3]->messageType, "Received");
    EXPECT_EQ(messages[4]->bImessage, 1);
    EXPECT_EQ(messages[4]->messagePhone, "ann@example.com");
    EXPECT_EQ(messages[4]->messageType, "Send");
    EXPECT_EQ(messages[4]->messageContent, "abcd");
    EXPECT_EQ(bench.posted.progress, (std::vector<std::int64_t>{40, 50}));
  }
}

TEST(Messages, WithoutMadridColumnsTheOlderStatementIsRead) {
  Backup backup(IosLayout::ios5);
  backup.writer.messagesWithoutMadrid().message(
      {.text = "old", .date = 1000000000, .address = "555", .flags = 3});
  backup.writer.write();
  IosScanBench bench;
  bench.scanner(0).scanMessageThread(backup.folder);
  const auto messages = bench.posted.all<PRMessageNode>("ScanMessageInfo");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]->messageContent, "old");
  EXPECT_EQ(messages[0]->messagePhone, "555");
  EXPECT_EQ(messages[0]->messageType, "Send");
  EXPECT_EQ(messages[0]->bImessage, 0);
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
  const auto messages = bench.posted.all<PRMessageNode>("ScanMessageInfo");
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0]->messageType, "Send");
  EXPECT_EQ(messages[0]->messagePhone, "+15551234567");
  EXPECT_EQ(messages[0]->messageName, "Ann");
  EXPECT_EQ(messages[0]->messageDate.substr(6, 4), "2013");
  EXPECT_EQ(messages[1]->messageType, "Received");
  EXPECT_EQ(messages[1]->messageContent, "theirs");
  EXPECT_EQ(messages[2]->messageDate.substr(6, 4), "2020");
}

INSTANTIATE_TEST_SUITE_P(FlagOrLaterSystem, MessagesIos6Layout,
                         ::testing::Values(std::make_tuple(IosLayout::ios6, std::uint8_t{1}),
                                           std::make_tuple(IosLayout::current, std::uint8_t{0}),
                                           std::make_tuple(IosLayout::current, std::uint8_t{1})));

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
