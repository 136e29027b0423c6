#include "export/recovery_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <fstream>

#include "blackberry/ipd_reader.h"
#include "core/event_names.h"
#include "core/main_thread_dispatcher.h"
#include "export/export_folder.h"
#include "export_test_support.h"
#include "fixtures/ipd_writer.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using fixtures::readFileBytes;
using fixtures::readFileText;
using testing::filesIn;
using testing::Names;
using testing::namesIn;
using testing::sorted;
using testing::treeOf;

class RecoveryRunTest : public testing::ExportTest {
 protected:
  std::shared_ptr<PRBlackBerrySMSMessageNode> postSms(std::string number, std::string text) {
    auto sms = post<PRBlackBerrySMSMessageNode>(events::BlackBerrySMSMessageInfo);
    sms->numberString = std::move(number);
    sms->type = "Incoming";
    sms->contentText = std::move(text);
    return sms;
  }
  std::shared_ptr<PRBlackBerryContactNode> postContact(std::string name, std::string company = "") {
    auto contact = post<PRBlackBerryContactNode>(events::BlacBerryContactInfo);
    contact->contactName = std::move(name);
    contact->companyName = std::move(company);
    return contact;
  }
  template <class Node>
  void postWithData(const char* event, std::string name, std::optional<Bytes> data) {
    auto node = post<Node>(event);
    if constexpr (std::is_same_v<Node, PRBlackBerryContentNode>) {
      node->filePathName = std::move(name);
    } else {
      node->contentDataName = std::move(name);
    }
    node->contentData = data ? testing::contentRef(std::move(*data)) : ContentRef();
  }
};

// --- backup mode ---

// Only ticked records, in list order, with progress after each; every
// folder and report is made, also for categories with nothing ticked.
TEST_F(RecoveryRunTest, OnlyTickedRecordsInListOrderAndEveryFolderAndReport) {
  for (int i = 1; i <= 4; ++i) postSms(std::to_string(i), "text " + std::to_string(i));
  postContact("Unticked");
  results.selectCategory(ResultTable::message);
  results.setTickForRows({0, 1, 3}, true);
  std::vector<int> percents;

  const RecoveryReport report = run([&](int percent) { percents.push_back(percent); });

  EXPECT_EQ(treeOf(out()),
            sorted({"Content_Store", "Contact", "Contact/Contacts.txt", "Message",
                    "Message/Messages.txt", "Note", "Note/Notes.txt", "Calendar&Reminder",
                    "Calendar&Reminder/Calendar&Reminder.txt", "CallHistory",
                    "CallHistory/CallHistory.txt", "MMSMessgae", "MMSMessgae/Messages.txt"}));
  EXPECT_EQ(readFileText(out() / "Message/Messages.txt"),
            "Phone:1  type:Incoming  Content:text 1  \n\nPhone:2  type:Incoming  Content:text 2  "
            "\n\nPhone:4  type:Incoming  Content:text 4  \n\n");
  for (const char* name :
       {"Contact/Contacts.txt", "Note/Notes.txt", "Calendar&Reminder/Calendar&Reminder.txt",
        "CallHistory/CallHistory.txt", "MMSMessgae/Messages.txt"}) {
    EXPECT_EQ(readFileText(out() / name), "") << name;
  }
  EXPECT_EQ(report.recordsWritten, 3);
  EXPECT_TRUE(report.problems.empty());
  EXPECT_EQ(results.recovredFilesNum, 0);
  EXPECT_EQ(percents, (std::vector<int>{33, 66, 100}));
  // nothing ticked must not divide by zero
  EXPECT_EQ(RecoveryRun::progressPercent(5, 0), 0);
}

TEST_F(RecoveryRunTest, ReportEntriesAreExact) {
  post(events::BlacBerryContactInfo,
       std::make_shared<PRBlackBerryContactNode>(testing::everyFieldContact()));
  auto call = post<PRBlackBerryCallNode>(events::BlacBerryCallLogInfo);
  call->CallName = " Bob";
  call->CallNumber = "555";
  call->CallTime = "05-06-2014 17:03";
  call->CallType = "Send";
  call->callDuration = "1 minute";

  auto note = post<PRBlackBerryNoteNode>(events::BlackBerryNoteInfo);
  note->noteTittle = "T";
  note->noteContent = "line 1\nline 2";

  auto entry = post<PRBlackBerryCalenderNode>(events::BlackBerryCalenderInfo);
  entry->bbCalSubject = " S";
  entry->bbCalInformation = " I";

  auto mms = post<PRBlackBerryMMSMessageNode>(events::BlackBerryMMSMessageInfo);
  mms->numberName = "555 ";
  mms->contentDataName = "pic.jpg";
  mms->contentType = "Image";

  EXPECT_EQ(results.selectAllCategories(), 5);
  const RecoveryReport report = run();

  EXPECT_EQ(readFileText(out() / "Contact/Contacts.txt"),
            "Name:Smith John  Eng Acme Home Phone:1   Work Phone:2   Mobile Phone:3   "
            "Email:e@x  Address:Main St  Town Prov Land 12345Websit:w.com  Pin Number:PIN  "
            "Birthday:B  Note:N  \n\n");
  // the call's time is not part of its entry
  EXPECT_EQ(readFileText(out() / "CallHistory/CallHistory.txt"),
            "Name: Bob  Phone:555  Type:Send  Duration:1 minute  \n\n");
  EXPECT_EQ(readFileText(out() / "Note/Notes.txt"), "Title:T  Note:line 1\nline 2  \n\n");
  EXPECT_EQ(readFileText(out() / "Calendar&Reminder/Calendar&Reminder.txt"),
            "Subject: S  Information: I  \n\n");
  EXPECT_EQ(readFileText(out() / "MMSMessgae/Messages.txt"),
            "Number:555   ContentDataName:pic.jpg  contentType:Image  \n\n");
  EXPECT_EQ(report.recordsWritten, 5);
  EXPECT_TRUE(report.problems.empty());
}

TEST_F(RecoveryRunTest, VCardNamesAreSafeUtf8AndNeverReplaceEachOther) {
  const std::string ivan = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";  // Иван
  postContact("Smith")->email = "first@x";
  postContact("Smith")->email = "second@x";
  postContact("AC/DC");
  postContact("", "Acme");
  postContact("");  // neither name nor company: report entry only
  postContact("..");
  postContact(ivan);
  results.selectAllCategories();

  const RecoveryReport report = run();

  EXPECT_EQ(namesIn(out() / "Contact"),
            sorted({"AC_DC.vcf", "Acme.vcf", "Contacts.txt", "Smith (2).vcf", "Smith.vcf", "_.vcf",
                    ivan + ".vcf"}));
  EXPECT_NE(readFileText(out() / "Contact/Smith.vcf").find("first@x"), std::string::npos);
  EXPECT_NE(readFileText(out() / "Contact/Smith (2).vcf").find("second@x"), std::string::npos);
  EXPECT_NE(readFileText(out() / "Contact/AC_DC.vcf").find("\r\nN:AC/DC\r\n"), std::string::npos);
  const std::string card = readFileText(out() / "Contact" / (ivan + ".vcf"));
  EXPECT_EQ(card.rfind("BEGIN:VCARD\r\n", 0), 0u);  // no byte-order mark
  EXPECT_NE(card.find("\r\nFN:" + ivan + "\r\n"), std::string::npos);
  const std::string contacts = readFileText(out() / "Contact/Contacts.txt");
  EXPECT_EQ(std::count(contacts.begin(), contacts.end(), '\n'), 14);  // seven entries
  EXPECT_NE(contacts.find("Name:" + ivan + "  "), std::string::npos);
  EXPECT_EQ(report.recordsWritten, 7);
  EXPECT_TRUE(report.problems.empty());
}

// Stored files and MMS attachments are copied under safe unique names; an
// attachment with the report's final or intermediate name keeps it and the
// report moves aside; each record counts once, with or without a file.
TEST_F(RecoveryRunTest, StoredFilesAndAttachmentsAreCopiedUnderSafeUniqueNames) {
  using Stored = PRBlackBerryContentNode;
  const char* stored = events::BlackBerryContentStoreInfo;
  postWithData<Stored>(stored, "/store/pics/photo.jpg", Bytes{1, 2, 3});
  postWithData<Stored>(stored, "/other/photo.jpg", Bytes{4});
  postWithData<Stored>(stored, "/store/pics/", Bytes{5});
  postWithData<Stored>(stored, "/store/none.bin", std::nullopt);
  postWithData<Stored>(stored, "..\\..\\evil.txt", Bytes{6});
  postWithData<Stored>(stored, "..", Bytes{7});
  using Mms = PRBlackBerryMMSMessageNode;
  const char* mms = events::BlackBerryMMSMessageInfo;
  postWithData<Mms>(mms, "pic.jpg", Bytes{1, 2});
  postWithData<Mms>(mms, "dir/pic.jpg", Bytes{3});
  postWithData<Mms>(mms, "none.txt", std::nullopt);
  postWithData<Mms>(mms, "empty.txt", Bytes{});
  postWithData<Mms>(mms, "Messages.txt", Bytes{'x'});
  postWithData<Mms>(mms, "TXT.txt", Bytes{'y'});
  int calls = 0;
  results.selectAllCategories();

  const RecoveryReport report = run([&](int) { ++calls; });

  EXPECT_EQ(filesIn(out() / "Content_Store"), (testing::Files{{"photo.jpg", "\1\2\3"},
                                                              {"photo (2).jpg", "\4"},
                                                              {"content", "\5"},
                                                              {"evil.txt", "\6"},
                                                              {"_", "\7"}}));
  EXPECT_EQ(namesIn(scratch.path()), (Names{out().filename().string()}));
  auto attachments = filesIn(out() / "MMSMessgae");
  const std::string entries = attachments["Messages (2).txt"];
  attachments.erase("Messages (2).txt");
  EXPECT_EQ(
      attachments,
      (testing::Files{
          {"pic.jpg", "\1\2"}, {"pic (2).jpg", "\3"}, {"Messages.txt", "x"}, {"TXT.txt", "y"}}));
  EXPECT_EQ(entries.rfind("Number:  ContentDataName:pic.jpg  contentType:  \n\n", 0), 0u);
  EXPECT_EQ(std::count(entries.begin(), entries.end(), '\n'), 12);
  EXPECT_EQ(report.recordsWritten, 12);
  EXPECT_EQ(calls, 12);
  EXPECT_TRUE(report.problems.empty());
}

// A stored file of many pieces is read from the backup when it is
// exported, even after the backup was moved; a backup shortened since the
// scan is a problem line.
TEST_F(RecoveryRunTest, StoredFilesAreCopiedFromTheirRunsInTheBackup) {
  std::vector<fixtures::Field> fields{fixtures::Field(1, "/store/videos/clip.mp4")};
  Bytes joined;
  for (int i = 0; i < 90; ++i) {
    Bytes piece(30000 + static_cast<std::size_t>(i));
    for (std::size_t b = 0; b < piece.size(); ++b) piece[b] = static_cast<std::uint8_t>(b * 31 + i);
    joined.insert(joined.end(), piece.begin(), piece.end());
    fields.push_back(fixtures::Field::raw(7, piece));
  }
  const fs::path backup = scratch / "backup.ipd";
  fixtures::IpdWriter()
      .database("Content Store")
      .record(0, fields)
      .record(0, {fixtures::Field(1, "/b.txt"), fixtures::Field::raw(7, Bytes(20, 'b'))})
      .writeTo(backup);
  PerScanLists lists;
  EXPECT_TRUE(IpdReader(app.nc, lists).scanBlackBerryBackUpThread(backup).scanned());
  results.selectAllCategories();
  // the records read through the descriptor the scan opened, not the name
  const fs::path moved = scratch / "moved.ipd";
  fs::rename(backup, moved);

  RecoveryReport report = run();
  EXPECT_EQ(readFileBytes(out() / "Content_Store/clip.mp4"), joined);
  EXPECT_EQ(readFileText(out() / "Content_Store/b.txt"), std::string(20, 'b'));
  EXPECT_TRUE(report.problems.empty());

  fs::resize_file(moved, 1000);
  fs::remove_all(out());
  report = run();
  EXPECT_TRUE(namesIn(out() / "Content_Store").empty());
  EXPECT_EQ(report.problems,
            (Names{"could not copy clip.mp4 out of the backup: backup.ipd: the file ended at "
                   "offset 1000",
                   "could not copy b.txt out of the backup: backup.ipd: the file ended at "
                   "offset 1000"}));
  EXPECT_EQ(report.recordsWritten, 0);
}

TEST_F(RecoveryRunTest, AFolderThatCannotBeMadeIsReportedAndTheRunGoesOn) {
  fs::create_directories(out());
  fixtures::writeFileText(out() / "Message", "in the way");
  postSms("1", "lost");
  post<PRBlackBerryNoteNode>(events::BlackBerryNoteInfo)->noteTittle = "kept";
  results.selectAllCategories();

  const RecoveryReport report = run();

  EXPECT_EQ(
      report.problems,
      (Names{"could not make the folder " + (out() / "Message").string() + ": Not a directory",
             "could not write " + (out() / "Message/TXT.txt").string() + ": Not a directory"}));
  EXPECT_EQ(readFileText(out() / "Message"), "in the way");
  EXPECT_EQ(readFileText(out() / "Note/Notes.txt"), "Title:kept  Note:  \n\n");
  EXPECT_EQ(report.recordsWritten, 1);  // the message's report was never written
}

// --- memory-card mode ---

struct EngineCall {
  std::array<char, BB_RECOVER_PATH_CAPACITY> targetPath;
  list_disk_struct* disk;
  std::uint64_t fileStart;
};
std::vector<EngineCall> engineCalls;

const char* engineWrites = nullptr;  // nullptr: writes no file
std::uint64_t failingStart = 0;      // the engine fails the file starting here
std::atomic<bool>* stopFlag = nullptr;
std::size_t stopAfter = 0;  // engine calls before `stopFlag` goes up

// Stands in for the engine's copy: records what it was asked, writes
// `engineWrites` and where it copied from, and fails the file at
// `failingStart`.
int fakeRecoverFile(const char* targetPath, list_disk_struct* disk, _rec_file_ele* file) {
  EngineCall call{};
  std::copy_n(targetPath, call.targetPath.size(), call.targetPath.begin());
  call.disk = disk;
  call.fileStart = file->file_start;
  engineCalls.push_back(call);
  if (stopFlag != nullptr && engineCalls.size() == stopAfter) stopFlag->store(true);
  if (engineWrites != nullptr)
    std::ofstream(targetPath) << engineWrites << " from " << file->file_start;
  return file->file_start == failingStart ? -1 : 0;
}

class RawRecoveryTest : public RecoveryRunTest {
 protected:
  void SetUp() override {
    engineCalls.clear();
    engineWrites = "copied";
    failingStart = 0;
    stopFlag = nullptr;
    engine.recoverFile = &fakeRecoverFile;
    results.showView(BrowseSource::memoryCard);
  }

  std::shared_ptr<PRScanListNode> postFound(std::string name, std::string fileType,
                                            std::uint64_t fileStart) {
    auto node = std::make_shared<PRScanListNode>();
    node->nodeName = name;
    node->fileType = std::move(fileType);
    node->setfile(fileStart, 10, name);
    return post(events::BlackBerryRawRecoveryFileInfo, node);
  }

  bb_export_table engine{};
};

TEST_F(RawRecoveryTest, TheEngineCopiesEachTickedFileIntoItsCategoryFolder) {
  rawEngine.useEngineTable(&engine);
  postFound("DCIM/100/IMG_0001.JPG", "Image", 4096);
  postFound("IMG_0001.JPG", "Image", 8192);
  postFound("IMG_0001.JPG", "Image", 12288);
  postFound("../..//up.JPG", "Image", 16384);
  postFound("song.mp3", "Audio", 1);
  postFound("clip.mp4", "Video", 2);
  postFound("letter.pdf", "Document", 3);
  postFound("photos.zip", "Archive", 5);
  EXPECT_EQ(results.selectAllCategories(), 8);

  const RecoveryReport report = run();

  EXPECT_EQ(treeOf(out()),
            sorted({"Image", "Image/DCIM", "Image/DCIM/100", "Image/DCIM/100/IMG_0001.JPG",
                    "Image/IMG_0001.JPG", "Image/IMG_0001 (2).JPG", "Image/_", "Image/_/_",
                    "Image/_/_/up.JPG", "Audio", "Audio/song.mp3", "Video", "Video/clip.mp4",
                    "Document", "Document/letter.pdf", "Archive", "Archive/photos.zip"}));
  EXPECT_EQ(readFileText(out() / "Image/DCIM/100/IMG_0001.JPG"), "copied from 4096");
  EXPECT_EQ(readFileText(out() / "Image/IMG_0001 (2).JPG"), "copied from 12288");
  ASSERT_EQ(engineCalls.size(), 8u);
  for (const EngineCall& call : engineCalls) EXPECT_EQ(call.disk, nullptr);
  // the engine writes a hidden name in the category folder, renamed when complete
  const fs::path written = engineCalls[4].targetPath.data();
  EXPECT_EQ(written.parent_path(), out() / "Audio");
  EXPECT_TRUE(written.filename().string().starts_with(".orvane-")) << written;
  EXPECT_EQ(readFileText(out() / "Audio/song.mp3"), "copied from 1");
  EXPECT_EQ(report.recordsWritten, 8);
  EXPECT_TRUE(report.problems.empty()) << report.problems.front();
}

TEST_F(RawRecoveryTest, WithoutAnEngineTheFoldersAreMadeAndEachFileIsReported) {
  postFound("a.jpg", "Image", 1);
  postFound("b.doc", "Document", 2);
  results.selectAllCategories();

  rawEngine.useEngineTable(nullptr);

  const RecoveryReport report = run();

  EXPECT_EQ(treeOf(out()), sorted({"Image", "Audio", "Video", "Document", "Archive"}));
  ASSERT_EQ(report.problems.size(), 2u);
  EXPECT_NE(report.problems[0].find("no recovery engine"), std::string::npos) << report.problems[0];
  EXPECT_NE(report.problems[0].find("a.jpg"), std::string::npos) << report.problems[0];
  EXPECT_EQ(report.recordsWritten, 0);
  EXPECT_TRUE(engineCalls.empty());
}

TEST_F(RawRecoveryTest, APathThatDoesNotFitTheEngineBufferIsRefusedNotCut) {
  rawEngine.useEngineTable(&engine);
  const fs::path deepRoot = scratch / std::string(150, 'p') / std::string(150, 'q');
  const std::size_t prefixLength = (deepRoot / "Image").string().size() + 1;
  ASSERT_LT(prefixLength, 399u - 10);
  ASSERT_GT(prefixLength, 399u - 200);                 // the names stay below the safe-name cap
  const std::string fits(399 - prefixLength, 'a');     // 399 bytes and the NUL
  const std::string tooLong(400 - prefixLength, 'b');  // 400 bytes and the NUL
  postFound(fits, "Image", 1);
  postFound(tooLong, "Image", 2);
  results.selectAllCategories();

  RecoveryRun recovery(results, &copier);
  const RecoveryReport report = recovery.recoverFilesThread(deepRoot);

  ASSERT_EQ(engineCalls.size(), 1u);
  EXPECT_EQ(fs::path(engineCalls[0].targetPath.data()).parent_path(), deepRoot / "Image");
  EXPECT_EQ(namesIn(deepRoot / "Image"), (Names{fits}));
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0],
            "path too long for the engine: " + (deepRoot / "Image" / tooLong).string());
  EXPECT_EQ(report.recordsWritten, 1);
}

// A found file takes its name only when the engine copied it whole, and
// no temporary is left; one that fails is not counted and is named as the
// first failure while the others go on; a stop ends the run after the file
// in hand.
TEST_F(RawRecoveryTest, FoundFilesCountOnlyWhenCopiedWholeAndAStopEndsTheRun) {
  rawEngine.useEngineTable(&engine);
  for (int start = 1; start <= 3; ++start) {
    postFound("f" + std::to_string(start) + ".jpg", "Image", static_cast<std::uint64_t>(start));
  }
  results.selectAllCategories();
  const auto failed = [&](const char* why, const char* name) {
    return why + (out() / "Image" / name).string();
  };
  const struct {
    const char* name;
    const char* writes;
    std::uint64_t failingStart;
    std::size_t stopAfter;  // 0: never
    std::string firstFailure;
    Names images;
  } cases[] = {
      // the engine wrote it and still says it failed
      {"one fails",
       "copied",
       2,
       0,
       failed("the engine could not copy ", "f2.jpg"),
       {"f1.jpg", "f3.jpg"}},
      {"nothing written", nullptr, 0, 0, failed("the engine did not write ", "f1.jpg"), {}},
      {"stopped", "copied", 0, 2, "the export was stopped", {"f1.jpg", "f2.jpg"}},
      {"stopped at the last", "copied", 0, 3, "", {"f1.jpg", "f2.jpg", "f3.jpg"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    engineCalls.clear();
    engineWrites = c.writes;
    failingStart = c.failingStart;
    std::atomic<bool> stop{false};
    stopFlag = c.stopAfter == 0 ? nullptr : &stop;
    stopAfter = c.stopAfter;
    fs::remove_all(out());
    RecoveryRun recovery(results, &copier);
    recovery.setStopFlag(&stop);

    const RecoveryReport report = recovery.recoverFilesThread(out());

    EXPECT_EQ(report.recordsWritten, static_cast<int>(c.images.size()));
    EXPECT_EQ(report.recordsTicked, 3);
    EXPECT_EQ(report.firstFailure, c.firstFailure);
    EXPECT_EQ(report.complete(), c.firstFailure.empty());
    EXPECT_EQ(namesIn(out() / "Image"), c.images);
    if (!c.images.empty()) {
      EXPECT_EQ(readFileText(out() / "Image/f1.jpg"), "copied from 1");
    }
    EXPECT_EQ(engineCalls.size(), c.stopAfter == 0 ? 3u : c.stopAfter);
  }
  stopFlag = nullptr;
}

TEST(ExportFolder, IsMadeOnceAndNeverTakenOver) {
  fixtures::ScratchFolder scratch;
  fixtures::writeFileText(scratch / "file", "x");
  struct Case {
    fs::path folder;
    std::error_code expected;
  };
  const Case cases[] = {
      {scratch / "a/b/new", {}},
      {scratch / "slash/", {}},
      {scratch / "a/b/new", std::make_error_code(std::errc::file_exists)},
      {scratch / "file", std::make_error_code(std::errc::file_exists)},
      {scratch / "file/under", std::make_error_code(std::errc::not_a_directory)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder.string());
    EXPECT_EQ(makeExportFolder(c.folder), c.expected);
  }
  EXPECT_TRUE(fs::is_directory(scratch / "slash"));
  EXPECT_TRUE(fs::is_empty(scratch / "a/b/new"));
}

}  // namespace
}  // namespace orvane
