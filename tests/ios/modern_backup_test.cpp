// A generated backup of today's layout (iOS 17) read by the whole device
// scan: every category's records with their fields, true calendar dates,
// and the UTC instants the JSON carries.

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "../cli/cli_runner.h"
#include "../core/time_zone_test.h"
#include "export/vcf_controller.h"
#include "fixtures/modern_backup_writer.h"
#include "ios/ios_device_controller.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

using fixtures::ModernBackupWriter;
using fixtures::ModernCall;
using fixtures::ModernMessage;
using fixtures::ModernNote;

constexpr std::int64_t kNanos = 1000000000;

std::int64_t nanos2001(int year, int month, int day, int hour, int minute) {
  return static_cast<std::int64_t>(ModernBackupWriter::since2001(year, month, day, hour, minute)) *
         kNanos;
}

void writeModernBackup(const std::filesystem::path& folder) {
  ModernBackupWriter backup(folder);
  backup.person(
      {.first = "Ann",
       .last = "Lee",
       .phones = {"+1 (555) 010-0100"},
       .addresses = {{.street = "1 Main St",
                      .city = "Springfield",
                      .state = "IL",
                      .zip = "62701",
                      .country = "United States",
                      .countryCode = "us"},
                     {.label = "Lake house", .street = "9 Shore Rd; Unit 2", .city = "Duluth"}}});
  backup
      .message({.text = "see you at 8",
                .handle = "+15550100100",
                .date = nanos2001(2023, 10, 3, 14, 5),
                .fromMe = true,
                .service = "SMS"})
      .message({.attributedBody = ModernBackupWriter::attributedBody(std::string(300, 'w'), 2),
                .handle = "+15550100100",
                .date = nanos2001(2024, 2, 29, 23, 59)})
      .message({.attributedBody = {0x04, 0x0b, 's', 't'},
                .handle = "a@example.com",
                .date = nanos2001(2021, 1, 1, 0, 0)});
  const auto since = ModernBackupWriter::since2001;
  backup
      .call({.address = "+15550100100",
             .date = since(2023, 10, 3, 9, 30, 0),
             .duration = 754.6,
             .originated = true})
      .call({.address = "+15550100100",
             .date = since(2024, 6, 1, 18, 0, 0),
             .answered = false,
             .callType = 8})
      .call({.address = "5550199", .date = since(2025, 12, 31, 23, 0, 0), .originated = true})
      .call({.address = "5550199",
             .date = since(2022, 5, 5, 5, 5, 0),
             .duration = 7300,
             .callType = 16});
  backup
      .note({.title = "Shopping",
             .text = "milk\neggs",
             .created = since(2023, 1, 2, 3, 4, 0),
             .modified = since(2023, 11, 20, 8, 15, 0)})
      .note({.title = "Bank",
             .text = "1234",
             .modified = since(2024, 3, 1, 12, 0, 0),
             .locked = true})
      .note({.title = "Old plan",
             .text = "gone",
             .modified = since(2022, 7, 4, 10, 0, 0),
             .deleted = true});
  backup.bookmark({.title = "Travel", .type = 1})
      .bookmark({.title = "Maps", .url = "https://maps.example.com/"});
  backup.write();
}

class ModernBackup : public testing::TimeZoneTest {
 protected:
  void SetUp() override {
    useZone("UTC");
    writeModernBackup(testing::backupIn(scratch_));
    bench_.scanWhole(testing::backupIn(scratch_));
  }
  fixtures::ScratchFolder scratch_;
  testing::IosScanBench bench_;
};

TEST_F(ModernBackup, MessagesFromTextOrAttributedBodyWithTrueDates) {
  const auto messages = bench_.posted.all<PRMessageNode>("ScanMessageInfo");
  ASSERT_EQ(messages.size(), 3u);
  struct Expected {
    std::string content, date, utc, type, phone, name;
    int iMessage;
  };
  const Expected expected[] = {
      {"see you at 8", "10-03-2023 14:05", "2023-10-03T14:05:00Z", "Send", "+15550100100",
       "Ann Lee", 0},
      {std::string(300, 'w'), "02-29-2024 23:59", "2024-02-29T23:59:00Z", "Received",
       "+15550100100", "Ann Lee", 1},
      // a body that does not parse leaves the message empty
      {"", "01-01-2021 00:00", "2021-01-01T00:00:00Z", "Received", "a@example.com", "", 1},
  };
  for (std::size_t i = 0; i < messages.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(messages[i]->messageContent, expected[i].content);
    EXPECT_EQ(messages[i]->messageDate, expected[i].date);
    EXPECT_EQ(messages[i]->messageDateUTC, expected[i].utc);
    EXPECT_EQ(messages[i]->messageType, expected[i].type);
    EXPECT_EQ(messages[i]->messagePhone, expected[i].phone);
    EXPECT_EQ(messages[i]->messageName, expected[i].name);
    EXPECT_EQ(messages[i]->bImessage, expected[i].iMessage);
  }
}

TEST_F(ModernBackup, CallsFromTheCoreDataStore) {
  const auto calls = bench_.posted.all<PRCallHistoryNode>("ScanCallHistoryInfo");
  ASSERT_EQ(calls.size(), 4u);
  struct Expected {
    std::string date, utc, type, duration, name;
    int seconds;
  };
  const Expected expected[] = {
      {"10-03-2023 09:30", "2023-10-03T09:30:00Z", "Outgoing", "12 minutes", "Ann Lee", 754},
      {"06-01-2024 18:00", "2024-06-01T18:00:00Z", "Incoming", "Missed", "Ann Lee", 0},
      {"12-31-2025 23:00", "2025-12-31T23:00:00Z", "Outgoing", "Cancelled", "", 0},
      {"05-05-2022 05:05", "2022-05-05T05:05:00Z", "Incoming", "2 hours", "", 7300},
  };
  for (std::size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(calls[i]->callDate, expected[i].date);
    EXPECT_EQ(calls[i]->callDateUTC, expected[i].utc);
    EXPECT_EQ(calls[i]->callType, expected[i].type);
    EXPECT_EQ(calls[i]->callDuration, expected[i].duration);
    EXPECT_EQ(calls[i]->callName, expected[i].name);
    EXPECT_EQ(calls[i]->callTime, expected[i].seconds);
  }
}

TEST_F(ModernBackup, NotesWithLockedAndDeletedOnes) {
  const auto notes = bench_.posted.all<PRNoteNode>("ScanNoteInfo");
  ASSERT_EQ(notes.size(), 3u);  // the folder row is no note
  struct Expected {
    std::string title, content, date;
    int deleted;
  };
  const Expected expected[] = {
      {"Shopping", "milk\neggs", "11-20-2023 08:15", 0},
      {"Bank", "(locked)", "03-01-2024 12:00", 0},
      {"Old plan", "gone", "07-04-2022 10:00", 1},
  };
  for (std::size_t i = 0; i < notes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(notes[i]->noteTitle, expected[i].title);
    EXPECT_EQ(notes[i]->noteContent, expected[i].content);
    EXPECT_EQ(notes[i]->noteDate, expected[i].date);
    EXPECT_EQ(notes[i]->bDeleted, expected[i].deleted);
  }
}

TEST_F(ModernBackup, AddressesInPartsAndInTheCard) {
  const auto contacts = bench_.posted.all<PRContactNode>("ScanContactInfo");
  ASSERT_EQ(contacts.size(), 1u);
  EXPECT_EQ(contacts[0]->contactName, "Ann Lee");
  EXPECT_EQ(contacts[0]->contactPhone, " +1 (555) 010-0100");
  EXPECT_EQ(contacts[0]->contactAdress,
            " 1 Main St Springfield IL 62701 United States 9 Shore Rd; Unit 2 Duluth");
  const std::string card = PRVCFController::cardText(*contacts[0]);
  EXPECT_NE(card.find("\r\nADR;TYPE=HOME:;;1 Main St;Springfield;IL;62701;United States\r\n"),
            std::string::npos)
      << card;
  EXPECT_NE(card.find("\r\nADR:;;9 Shore Rd\\; Unit 2;Duluth;;;\r\n"), std::string::npos) << card;
}

TEST_F(ModernBackup, BookmarkFoldersAreLeftOut) {
  std::vector<std::string> titles;
  for (const auto& mark : bench_.posted.all<PRBookMarkNode>("scanBookMarkInfo"))
    titles.push_back(mark->bookMarkTitle);
  // the user's bookmark, then the five that come with every scan
  const std::vector<std::string> expected = {
      "Maps", "Apple", "Yahoo", "Google", "iPhone User Guide", "iPhone Web Applications"};
  EXPECT_EQ(titles, expected);
}

TEST(ModernDeviceNames, IdentifiersOfEveryGeneration) {
  const std::map<std::string, std::string> names = {
      {"iPhone3,1", "Iphone 4"},
      {"iPhone5,2", "Iphone 5"},
      {"iPad3,4", "NewIpad"},
      {"iPhone6,1", "iPhone 5s"},
      {"iPhone10,6", "iPhone X"},
      {"iPhone14,2", "iPhone 13 Pro"},
      {"iPhone15,2", "iPhone 14 Pro"},
      {"iPhone17,5", "iPhone 16e"},
      {"iPad7,1", "iPad Pro (12.9-inch) (2nd generation)"},
      {"iPad7,11", "iPad (7th generation)"},
      {"iPad2,5", "iPad mini"},
      {"iPod9,1", "iPod touch (7th generation)"},
      {"iPhone99,1", "iPhone99,1"},
      {"AppleTV2,1", "AppleTV2,1"}};
  for (const auto& [identifier, name] : names) {
    EXPECT_EQ(PRIOSDeviceController::GetDevcieType(identifier), name) << identifier;
  }
}

TEST(ModernJson, DatesCarryTheirUtcInstant) {
  fixtures::ScratchFolder root;
  writeModernBackup(testing::backupIn(root));
  const auto result =
      testing::runCli({"scan", testing::backupIn(root).string(), "--json"}, "TZ=Asia/Tokyo ");
  ASSERT_EQ(result.status, 0) << result.err;
  std::istringstream lines(result.out);
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> dates;
  for (std::string line; std::getline(lines, line);) {
    const auto record = nlohmann::json::parse(line);
    for (const char* field : {"messageDate", "callDate", "noteDate"}) {
      if (record.contains(field)) {
        const auto& utc = record[std::string(field) + "UTC"];
        dates[field].emplace_back(record[field], utc.is_null() ? "null" : utc.get<std::string>());
      }
    }
  }
  ASSERT_EQ(dates["messageDate"].size(), 3u) << result.out;
  // local time of Tokyo beside the instant in UTC
  EXPECT_EQ(dates["messageDate"][0],
            std::make_pair(std::string("10-03-2023 23:05"), std::string("2023-10-03T14:05:00Z")));
  EXPECT_EQ(dates["callDate"].at(2),
            std::make_pair(std::string("01-01-2026 08:00"), std::string("2025-12-31T23:00:00Z")));
  EXPECT_EQ(dates["noteDate"].at(0),
            std::make_pair(std::string("11-20-2023 17:15"), std::string("2023-11-20T08:15:00Z")));
}

}  // namespace
}  // namespace orvane
