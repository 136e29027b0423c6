// A generated backup of today's layout (iOS 17) read by the whole device
// scan: every category's records with their fields, true calendar dates,
// and the UTC instants the JSON carries.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "../cli/cli_runner.h"
#include "../core/time_zone_test.h"
#include "export/vcf_controller.h"
#include "fixtures/ios_backup_writer.h"
#include "ios/attributed_body.h"
#include "ios/backup_file_name.h"
#include "ios/note_body.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

using fixtures::IosBackupWriter;
using fixtures::IosLayout;

// The seconds from 2001-01-01 UTC of a UTC calendar time.
double at(int y, unsigned mo, unsigned d, int h, int mi) {
  using namespace std::chrono;
  const auto time = sys_days{year{y} / month{mo} / day{d}} + hours{h} + minutes{mi};
  return static_cast<double>(duration_cast<seconds>(time.time_since_epoch()).count() - 978307200);
}

std::int64_t nanos2001(int y, unsigned mo, unsigned d, int h, int mi) {
  return static_cast<std::int64_t>(at(y, mo, d, h, mi)) * 1000000000;
}

void writeModernBackup(const std::filesystem::path& folder) {
  IosBackupWriter backup(folder, IosLayout::ios17);
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
                     {.street = "9 Shore Rd; Unit 2", .city = "Duluth", .label = "Lake"}}});
  backup.message({.text = "see you at 8",
                  .date = nanos2001(2023, 10, 3, 14, 5),
                  .address = "+15550100100",
                  .fromMe = true});
  backup.message({.date = nanos2001(2024, 2, 29, 23, 59),
                  .address = "+15550100100",
                  .iMessage = true,
                  .attributedBody = IosBackupWriter::attributedBody(std::string(300, 'w'), 2)});
  backup.message({.date = nanos2001(2021, 1, 1, 0, 0),
                  .address = "a@example.com",
                  .iMessage = true,
                  .attributedBody = {0x04, 0x0b, 's', 't'}});
  backup.call({.address = "+15550100100",
               .date = at(2023, 10, 3, 9, 30),
               .duration = 754.6,
               .originated = true});
  backup.call(
      {.address = "+15550100100", .date = at(2024, 6, 1, 18, 0), .answered = false, .callType = 8});
  backup.call({.address = "5550199", .date = at(2025, 12, 31, 23, 0), .originated = true});
  backup.call(
      {.address = "5550199", .date = at(2022, 5, 5, 5, 5), .duration = 7300, .callType = 16});
  backup.note({.title = "Shopping",
               .body = "milk\neggs",
               .modified = at(2023, 11, 20, 8, 15),
               .created = at(2023, 1, 2, 3, 4)});
  backup.note({.title = "Bank", .body = "1234", .modified = at(2024, 3, 1, 12, 0), .locked = true});
  backup.note(
      {.title = "Old plan", .body = "gone", .modified = at(2022, 7, 4, 10, 0), .deleted = true});
  backup.bookmark("Travel", "", 1).bookmark("Maps", "https://maps.example.com/");
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

TEST_F(ModernBackup, EveryCategoryWithItsFieldsTrueDatesAndAddresses) {
  using testing::row;
  using testing::rows;
  using Lines = std::vector<std::string>;
  const auto utc = [](const std::optional<std::string>& text) { return text.value_or("-"); };
  const auto& posted = bench_.posted;
  EXPECT_EQ(rows<PRMessageNode>(posted, "ScanMessageInfo",
                                [&](const PRMessageNode& m) {
                                  return row(m.messageContent, m.messageDate, utc(m.messageDateUTC),
                                             m.messageType, m.messagePhone, m.messageName,
                                             int{m.bImessage});
                                }),
            (Lines{"see you at 8|10-03-2023 14:05|2023-10-03T14:05:00Z|Send|+15550100100|Ann Lee|0",
                   // the text kept only in the attributedBody
                   std::string(300, 'w') +
                       "|02-29-2024 23:59|2024-02-29T23:59:00Z|Received|+15550100100|Ann Lee|1",
                   // a body that does not parse leaves the message empty
                   "|01-01-2021 00:00|2021-01-01T00:00:00Z|Received|a@example.com||1"}));

  EXPECT_EQ(rows<PRCallHistoryNode>(posted, "ScanCallHistoryInfo",
                                    [&](const PRCallHistoryNode& c) {
                                      return row(c.callDate, utc(c.callDateUTC), c.callType,
                                                 c.callDuration, c.callTime, c.callName);
                                    }),
            (Lines{"10-03-2023 09:30|2023-10-03T09:30:00Z|Outgoing|12 minutes|754|Ann Lee",
                   "06-01-2024 18:00|2024-06-01T18:00:00Z|Incoming|Missed|0|Ann Lee",
                   "12-31-2025 23:00|2025-12-31T23:00:00Z|Outgoing|Cancelled|0|",
                   "05-05-2022 05:05|2022-05-05T05:05:00Z|Incoming|2 hours|7300|"}));

  // the folder row of the notes table is no note
  EXPECT_EQ(rows<PRNoteNode>(posted, "ScanNoteInfo",
                             [&](const PRNoteNode& n) {
                               return row(n.noteTitle.value_or("-"), n.noteContent.value_or("-"),
                                          n.noteDate, utc(n.noteDateUTC), int{n.bDeleted});
                             }),
            (Lines{"Shopping|milk\neggs|11-20-2023 08:15|2023-11-20T08:15:00Z|0",
                   "Bank|(locked)|03-01-2024 12:00|2024-03-01T12:00:00Z|0",
                   "Old plan|gone|07-04-2022 10:00|2022-07-04T10:00:00Z|1"}));

  // the folders are left out; the five fixed bookmarks come with every scan
  EXPECT_EQ(
      rows<PRBookMarkNode>(posted, "scanBookMarkInfo",
                           [](const PRBookMarkNode& b) { return b.bookMarkTitle; }),
      (Lines{"Maps", "Apple", "Yahoo", "Google", "iPhone User Guide", "iPhone Web Applications"}));

  // addresses in parts, and in the card
  const auto contacts = posted.all<PRContactNode>("ScanContactInfo");
  ASSERT_EQ(contacts.size(), 1u);
  EXPECT_EQ(contacts[0]->contactName, "Ann Lee");
  EXPECT_EQ(contacts[0]->contactAdress,
            " 1 Main St Springfield IL 62701 United States 9 Shore Rd; Unit 2 Duluth");
  const std::string card = PRVCFController::cardText(*contacts[0]);
  EXPECT_NE(card.find("\r\nADR;TYPE=HOME:;;1 Main St;Springfield;IL;62701;United States\r\n"),
            std::string::npos)
      << card;
  // a label of the user's own gives no TYPE
  EXPECT_NE(card.find("\r\nADR:;;9 Shore Rd\\; Unit 2;Duluth;;;\r\n"), std::string::npos) << card;
}

TEST_F(ModernBackup, JsonDatesCarryTheirUtcInstant) {
  const auto result =
      testing::runCli({"scan", testing::backupIn(scratch_).string(), "--json"}, "TZ=Asia/Tokyo ");
  ASSERT_EQ(result.status, 0) << result.err;
  std::istringstream lines(result.out);
  std::vector<std::string> dates;
  for (std::string line; std::getline(lines, line);) {
    const auto record = nlohmann::json::parse(line);
    for (const std::string field : {"messageDate", "callDate", "noteDate"}) {
      if (record.contains(field))
        dates.push_back(record[field].get<std::string>() + " " + record[field + "UTC"].dump());
    }
  }
  // local time of Tokyo beside the instant in UTC
  for (const char* expected :
       {"10-03-2023 23:05 \"2023-10-03T14:05:00Z\"", "01-01-2026 08:00 \"2025-12-31T23:00:00Z\"",
        "11-20-2023 17:15 \"2023-11-20T08:15:00Z\""}) {
    EXPECT_NE(std::find(dates.begin(), dates.end(), expected), dates.end()) << expected;
  }
  EXPECT_EQ(dates.size(), 10u) << result.out;
}

// HEIC photos are pictures; files sent in messages are listed once, also
// when the manifest walk does not reach them; a file the manifest names but
// the folder lacks is counted, not listed.
TEST(ModernMedia, HeicAttachmentsAndMissingFiles) {
  testing::Backup modern(IosLayout::ios17);
  const auto& folder = modern.folder;
  auto& backup = modern.writer;
  const std::string sent = "Library/SMS/Attachments/ab/12/AB12/IMG_0002.HEIC";
  const std::string clip = "Library/SMS/Attachments/cd/34/CD34/clip.MOV";
  backup.message(
      {.text = "look", .address = "+15550100", .attachments = {"~/" + sent, "~/" + clip}});
  const std::vector<std::uint8_t> bytes(100, 7);
  backup.file("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.HEIC", bytes)
      .file("MediaDomain", sent, bytes)
      .file("MediaDomain", clip, bytes)
      .file("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0003.JPG", bytes);
  backup.write();
  // where a file lies: in the subfolder named by the first two digits of its hashed name
  const auto at = [&](const std::string& domain, const std::string& path) {
    const std::string name = *backupFileName(domain, path);
    return (folder / name.substr(0, 2) / name).string();
  };
  std::filesystem::remove(at("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0003.JPG"));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((folder / "Manifest.db").c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, ("delete from Files where relativePath = '" + clip + "'").c_str(), nullptr,
               nullptr, nullptr);
  sqlite3_close(db);

  testing::IosScanBench bench;
  const ScanOutcome outcome = bench.scanWhole(folder);
  EXPECT_EQ(outcome.missingFiles, 1u);
  std::vector<std::string> media;
  for (const auto& m : bench.posted.all<PRPhotoAndVideoNode>("ScanPhotoAndVideo")) {
    media.push_back(m->fileNodeName + " " + std::to_string(m->bmov) + " " + m->filePath);
  }
  EXPECT_EQ(
      media,
      (std::vector<std::string>{
          "IMG_0001.HEIC 0 " + at("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.HEIC"),
          "IMG_0002.HEIC 0 " + at("MediaDomain", sent), "clip.MOV 1 " + at("MediaDomain", clip)}));
}

TEST(AttributedBody, TextOfEachLengthFormAndNothingFromDamage) {
  // the one- and two-byte lengths are read in the scans of this suite and the carving suite
  const auto attributedBody = &IosBackupWriter::attributedBody;
  EXPECT_EQ(attributedBodyText(attributedBody("Grüße 👋", 4)), "Grüße 👋");

  Bytes cut = attributedBody(std::string(300, 'x'), 2);
  cut.resize(cut.size() - 320);  // inside the text
  EXPECT_EQ(attributedBodyText(cut), std::nullopt);
  EXPECT_EQ(attributedBodyText(attributedBody("\xff\xfe", 1)), std::nullopt);
  EXPECT_EQ(attributedBodyText({}), std::nullopt);
  Bytes lengthCut = attributedBody("hi", 4);
  lengthCut.resize(lengthCut.size() - 30);  // inside the four length bytes
  EXPECT_EQ(attributedBodyText(lengthCut), std::nullopt);
}

TEST(NoteBody, TextFromTheGzipProtobufAndNothingFromDamageOrBombs) {
  const auto gzip = &IosBackupWriter::gzip;
  const auto noteData = &IosBackupWriter::noteData;
  const std::string text = "Shopping\nmilk, eggs\n" + std::string(200, 'z');
  EXPECT_EQ(noteBodyText(noteData(text)), text);

  Bytes cut = noteData("Shopping list");
  cut.resize(cut.size() / 2);
  EXPECT_EQ(noteBodyText(cut), std::nullopt);
  EXPECT_EQ(noteBodyText(gzip({0x08, 0x00})), std::nullopt);  // no document
  EXPECT_EQ(noteBodyText(gzip(IosBackupWriter::protobufField(2, {0x1a, 0x7f}))),
            std::nullopt);  // length past the end
  EXPECT_EQ(noteBodyText(Bytes{'n', 'o', 't', ' ', 'g', 'z'}), std::nullopt);
  const Bytes zeros(1 << 20, 0);
  EXPECT_EQ(inflateStream(gzip(zeros), 1000), std::nullopt);
  EXPECT_EQ(inflateStream(gzip(zeros), zeros.size()), zeros);
}

}  // namespace
}  // namespace orvane
