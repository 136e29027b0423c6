#include "export/recovery_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <fstream>

#include "core/event_names.h"
#include "core/main_thread_dispatcher.h"
#include "export_test_support.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using fixtures::readFileBytes;
using fixtures::readFileText;
using testing::namesIn;
using testing::treeOf;
using Names = std::vector<std::string>;

Names sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

bool contains(const std::vector<std::string>& lines, std::string_view part) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

class RecoveryRunTest : public ::testing::Test {
 protected:
  template <class Node>
  std::shared_ptr<Node> post(const char* event, std::shared_ptr<Node> node) {
    app.nc.postNotificationName(event, RecordPtr(node));
    return node;
  }
  std::shared_ptr<PRBlackBerrySMSMessageNode> postSms(std::string number, std::string text) {
    auto sms = std::make_shared<PRBlackBerrySMSMessageNode>();
    sms->numberString = std::move(number);
    sms->type = "Incoming";
    sms->contentText = std::move(text);
    return post(events::BlackBerrySMSMessageInfo, sms);
  }
  std::shared_ptr<PRBlackBerryContactNode> postContact(std::string name, std::string company = "") {
    auto contact = std::make_shared<PRBlackBerryContactNode>();
    contact->contactName = std::move(name);
    contact->companyName = std::move(company);
    return post(events::BlacBerryContactInfo, contact);
  }
  template <class Node>
  std::shared_ptr<Node> postWithData(const char* event, std::string name,
                                     std::optional<Bytes> data) {
    auto node = std::make_shared<Node>();
    if constexpr (std::is_same_v<Node, PRBlackBerryContentNode>) {
      node->filePathName = std::move(name);
    } else {
      node->contentDataName = std::move(name);
    }
    node->contentData = std::move(data);
    return post(event, node);
  }

  void tickAll(ResultTable table) {
    results.selectCategory(table);
    results.ClickSelectAll(true);
  }

  RecoveryReport run(const RecoveryRun::Progress& progress = {}) {
    RecoveryRun recovery(results, app);
    return recovery.recoverFilesThread(out(), progress);
  }

  fs::path out() const { return scratch / "Orvane 2014-05-06 - 17.03.09"; }

  DirectDispatcher dispatcher;
  CorvelAppDelegate app{dispatcher};
  PRResultViewController results{app};
  fixtures::ScratchFolder scratch;
};

// --- backup mode ---

TEST_F(RecoveryRunTest, OneTickedSmsStillMakesEveryFolderAndReport) {
  postSms("5551234", "Hi");
  postContact("Unticked");
  tickAll(ResultTable::message);

  const RecoveryReport report = run();

  EXPECT_EQ(treeOf(out()),
            sorted({"Content_Store", "Contact", "Contact/Contacts.txt", "Message",
                    "Message/Messages.txt", "Note", "Note/Notes.txt", "Calendar&Reminder",
                    "Calendar&Reminder/Calendar&Reminder.txt", "CallHistory",
                    "CallHistory/CallHistory.txt", "MMSMessgae", "MMSMessgae/Messages.txt"}));
  EXPECT_EQ(readFileText(out() / "Message/Messages.txt"),
            "Phone:5551234  type:Incoming  Content:Hi  \n\n");
  for (const char* name :
       {"Contact/Contacts.txt", "Note/Notes.txt", "Calendar&Reminder/Calendar&Reminder.txt",
        "CallHistory/CallHistory.txt", "MMSMessgae/Messages.txt"}) {
    EXPECT_EQ(readFileText(out() / name), "") << name;
  }
  EXPECT_EQ(report.recordsWritten, 1);
  EXPECT_TRUE(report.problems.empty());
  EXPECT_EQ(results.recovredFilesNum, 0);
}

TEST_F(RecoveryRunTest, ReportEntriesAreExact) {
  auto contact = std::make_shared<PRBlackBerryContactNode>();
  contact->contactName = "Smith John ";
  contact->titleName = "Eng";
  contact->companyName = "Acme";
  contact->homeCall = "1 ";
  contact->workCall = "2 ";
  contact->mobilCall = "3 ";
  contact->email = "e@x";
  contact->address = "Main St ";
  contact->city = "Town";
  contact->provice = "Prov";
  contact->country = "Land";
  contact->postZcode = "12345";
  contact->webSite = "w.com";
  contact->pinNumber = "PIN";
  contact->brithday = "B";
  contact->note = "N";
  post(events::BlacBerryContactInfo, contact);

  auto call = std::make_shared<PRBlackBerryCallNode>();
  call->CallName = " Bob";
  call->CallNumber = "555";
  call->CallTime = "05-06-2014 17:03";
  call->CallType = "Send";
  call->callDuration = "1 minute";
  post(events::BlacBerryCallLogInfo, call);

  auto note = std::make_shared<PRBlackBerryNoteNode>();
  note->noteTittle = "T";
  note->noteContent = "line 1\nline 2";
  post(events::BlackBerryNoteInfo, note);

  auto entry = std::make_shared<PRBlackBerryCalenderNode>();
  entry->bbCalSubject = " S";
  entry->bbCalInformation = " I";
  post(events::BlackBerryCalenderInfo, entry);

  auto mms = std::make_shared<PRBlackBerryMMSMessageNode>();
  mms->numberName = "555 ";
  mms->contentDataName = "pic.jpg";
  mms->contentType = "Image";
  post(events::BlackBerryMMSMessageInfo, mms);

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

TEST_F(RecoveryRunTest, OnlyTickedRecordsAreExportedInListOrder) {
  postSms("1", "one");
  postSms("2", "two");
  postSms("3", "three");
  results.selectCategory(ResultTable::message);
  results.setTickForRows({0, 2}, true);

  EXPECT_EQ(run().recordsWritten, 2);
  EXPECT_EQ(readFileText(out() / "Message/Messages.txt"),
            "Phone:1  type:Incoming  Content:one  \n\nPhone:3  type:Incoming  Content:three  \n\n");
}

TEST_F(RecoveryRunTest, NonAsciiNamesAndTextsAreUtf8) {
  const std::string ivan = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";  // Иван
  postContact(ivan);
  postSms("1", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");  // Привет
  results.selectAllCategories();
  run();

  EXPECT_EQ(namesIn(out() / "Contact"), (Names{"Contacts.txt", ivan + ".vcf"}));
  EXPECT_EQ(
      readFileText(out() / "Message/Messages.txt"),
      "Phone:1  type:Incoming  Content:\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82  \n\n");
  const std::string card = readFileText(out() / "Contact" / (ivan + ".vcf"));
  EXPECT_EQ(card.rfind("BEGIN:VCARD\r\n", 0), 0u);  // no byte-order mark
  EXPECT_NE(card.find("\r\nFN:" + ivan + "\r\n"), std::string::npos);
}

TEST_F(RecoveryRunTest, VCardNamesAreSafeAndNeverReplaceEachOther) {
  postContact("Smith")->email = "first@x";
  postContact("Smith")->email = "second@x";
  postContact("AC/DC");
  postContact("", "Acme");
  postContact("");  // neither name nor company: report entry only
  postContact("..");
  results.selectAllCategories();

  const RecoveryReport report = run();

  EXPECT_EQ(namesIn(out() / "Contact"), sorted({"AC_DC.vcf", "Acme.vcf", "Contacts.txt",
                                                "Smith (2).vcf", "Smith.vcf", "_.vcf"}));
  EXPECT_NE(readFileText(out() / "Contact/Smith.vcf").find("first@x"), std::string::npos);
  EXPECT_NE(readFileText(out() / "Contact/Smith (2).vcf").find("second@x"), std::string::npos);
  EXPECT_NE(readFileText(out() / "Contact/AC_DC.vcf").find("\r\nN:AC/DC\r\n"), std::string::npos);
  const std::string contacts = readFileText(out() / "Contact/Contacts.txt");
  EXPECT_EQ(std::count(contacts.begin(), contacts.end(), '\n'), 12);  // six entries
  EXPECT_EQ(report.recordsWritten, 6);
  EXPECT_TRUE(report.problems.empty());
}

TEST_F(RecoveryRunTest, ContentStoreFilesAreCopiedUnderSafeUniqueNames) {
  using Node = PRBlackBerryContentNode;
  const char* event = events::BlackBerryContentStoreInfo;
  postWithData<Node>(event, "/store/pics/photo.jpg", Bytes{1, 2, 3});
  postWithData<Node>(event, "/other/photo.jpg", Bytes{4});
  postWithData<Node>(event, "/store/pics/", Bytes{5});
  postWithData<Node>(event, "/store/none.bin", std::nullopt);  // counted, no file
  postWithData<Node>(event, "..\\..\\evil.txt", Bytes{6});
  postWithData<Node>(event, "..", Bytes{7});
  results.selectAllCategories();

  const RecoveryReport report = run();

  EXPECT_EQ(namesIn(out() / "Content_Store"),
            sorted({"photo.jpg", "photo (2).jpg", "content", "evil.txt", "_"}));
  EXPECT_EQ(readFileBytes(out() / "Content_Store/photo.jpg"), (Bytes{1, 2, 3}));
  EXPECT_EQ(readFileBytes(out() / "Content_Store/photo (2).jpg"), (Bytes{4}));
  EXPECT_EQ(readFileBytes(out() / "Content_Store/content"), (Bytes{5}));
  EXPECT_EQ(namesIn(scratch.path()), (Names{out().filename().string()}));
  EXPECT_EQ(report.recordsWritten, 6);
  EXPECT_TRUE(report.problems.empty());
}

TEST_F(RecoveryRunTest, MmsAttachmentsAreCopiedAndEachMmsCountsOnce) {
  using Node = PRBlackBerryMMSMessageNode;
  const char* event = events::BlackBerryMMSMessageInfo;
  postWithData<Node>(event, "pic.jpg", Bytes{1, 2});
  postWithData<Node>(event, "dir/pic.jpg", Bytes{3});
  postWithData<Node>(event, "none.txt", std::nullopt);
  postWithData<Node>(event, "empty.txt", Bytes{});
  // an attachment with the report's name keeps it; the report moves aside
  postWithData<Node>(event, "Messages.txt", Bytes{'x'});
  int calls = 0;
  results.selectAllCategories();

  const RecoveryReport report = run([&](int) { ++calls; });

  EXPECT_EQ(namesIn(out() / "MMSMessgae"),
            sorted({"pic.jpg", "pic (2).jpg", "Messages.txt", "Messages (2).txt"}));
  EXPECT_EQ(readFileBytes(out() / "MMSMessgae/pic.jpg"), (Bytes{1, 2}));
  EXPECT_EQ(readFileBytes(out() / "MMSMessgae/pic (2).jpg"), (Bytes{3}));
  EXPECT_EQ(readFileText(out() / "MMSMessgae/Messages.txt"), "x");
  const std::string entries = readFileText(out() / "MMSMessgae/Messages (2).txt");
  EXPECT_EQ(entries.rfind("Number:  ContentDataName:pic.jpg  contentType:  \n\n", 0), 0u);
  EXPECT_EQ(std::count(entries.begin(), entries.end(), '\n'), 10);
  EXPECT_EQ(report.recordsWritten, 5);
  EXPECT_EQ(calls, 5);
}

TEST_F(RecoveryRunTest, ProgressFollowsEveryCountedRecord) {
  for (int i = 0; i < 7; ++i) postSms(std::to_string(i), "text");
  tickAll(ResultTable::message);
  std::vector<int> percents;
  run([&](int percent) { percents.push_back(percent); });
  EXPECT_EQ(percents, (std::vector<int>{14, 28, 42, 57, 71, 85, 100}));

  EXPECT_EQ(RecoveryRun::progressPercent(3, 7), 42);
  EXPECT_EQ(RecoveryRun::progressPercent(0, 0), 0);
  EXPECT_EQ(RecoveryRun::progressPercent(5, 0), 0);
}

TEST_F(RecoveryRunTest, AFolderThatCannotBeMadeIsReportedAndTheRunGoesOn) {
  fs::create_directories(out());
  fixtures::writeFileText(out() / "Message", "in the way");
  postSms("1", "lost");
  auto note = std::make_shared<PRBlackBerryNoteNode>();
  note->noteTittle = "kept";
  post(events::BlackBerryNoteInfo, note);
  results.selectAllCategories();

  const RecoveryReport report = run();

  EXPECT_TRUE(
      contains(report.problems, "could not make the folder " + (out() / "Message").string()));
  EXPECT_TRUE(contains(report.problems, (out() / "Message" / "TXT.txt").string()));
  EXPECT_EQ(readFileText(out() / "Message"), "in the way");
  EXPECT_EQ(readFileText(out() / "Note/Notes.txt"), "Title:kept  Note:  \n\n");
  EXPECT_EQ(report.recordsWritten, 2);
}

TEST(RecoveryRunNames, ProposedFolderNameUsesLocalDateAndTime) {
  std::tm local{};
  local.tm_year = 2014 - 1900;
  local.tm_mon = 4;
  local.tm_mday = 6;
  local.tm_hour = 17;
  local.tm_min = 3;
  local.tm_sec = 9;
  local.tm_isdst = -1;
  EXPECT_EQ(RecoveryRun::proposedFolderName(std::mktime(&local)), "Orvane 2014-05-06 - 17.03.09");
}

// --- memory-card mode ---

struct EngineCall {
  std::array<char, BB_RECOVER_PATH_CAPACITY> targetPath;
  list_disk_struct* disk;
  _rec_file_ele* file;
};
std::vector<EngineCall> engineCalls;

// Stands in for the engine's copy: writes what it was asked to copy.
int fakeRecoverFile(const char* targetPath, list_disk_struct* disk, _rec_file_ele* file) {
  EngineCall call{};
  std::copy_n(targetPath, call.targetPath.size(), call.targetPath.begin());
  call.disk = disk;
  call.file = file;
  engineCalls.push_back(call);
  std::ofstream(targetPath) << "copied from " << file->file_start;
  return 0;
}

class RawRecoveryTest : public RecoveryRunTest {
 protected:
  void SetUp() override {
    engineCalls.clear();
    engine.recoverFile = &fakeRecoverFile;
    app.brawScan = 1;
    results.showView(BrowseSource::memoryCard);
  }

  std::shared_ptr<PRScanListNode> postFound(std::string name, std::string fileType,
                                            std::uint64_t fileStart) {
    auto node = std::make_shared<PRScanListNode>();
    node->nodeName = name;
    node->fileType = std::move(fileType);
    _rec_file_ele record{};
    record.file_start = fileStart;
    record.file_len = 10;
    record.file_name_len = static_cast<std::uint32_t>(name.size());
    record.pFileName = name.data();
    node->setfile(record);
    return post(events::BlackBerryRawRecoveryFileInfo, node);
  }

  bb_export_table engine{};
};

TEST_F(RawRecoveryTest, TheEngineCopiesEachTickedFileIntoItsCategoryFolder) {
  app.useEngineTable(&engine);
  auto image = postFound("DCIM/100/IMG_0001.JPG", "Image", 4096);
  postFound("IMG_0001.JPG", "Image", 8192);
  postFound("IMG_0001.JPG", "Image", 12288);
  postFound("song.mp3", "Audio", 1);
  postFound("clip.mp4", "Video", 2);
  postFound("letter.pdf", "Document", 3);
  EXPECT_EQ(results.selectAllCategories(), 6);

  const RecoveryReport report = run();

  EXPECT_EQ(treeOf(out()), sorted({"Image", "Image/DCIM_100_IMG_0001.JPG", "Image/IMG_0001.JPG",
                                   "Image/IMG_0001 (2).JPG", "Audio", "Audio/song.mp3", "Video",
                                   "Video/clip.mp4", "Document", "Document/letter.pdf"}));
  EXPECT_EQ(readFileText(out() / "Image/DCIM_100_IMG_0001.JPG"), "copied from 4096");
  EXPECT_EQ(readFileText(out() / "Image/IMG_0001 (2).JPG"), "copied from 12288");
  ASSERT_EQ(engineCalls.size(), 6u);
  EXPECT_EQ(engineCalls[0].file, image->getfile());
  for (const EngineCall& call : engineCalls) {
    EXPECT_EQ(call.disk, nullptr);
    // the path buffer is zero-filled after the path
    const auto end = std::find(call.targetPath.begin(), call.targetPath.end(), '\0');
    ASSERT_NE(end, call.targetPath.end());
    EXPECT_TRUE(std::all_of(end, call.targetPath.end(), [](char c) { return c == '\0'; }));
  }
  EXPECT_EQ(std::string(engineCalls[3].targetPath.data()), (out() / "Audio/song.mp3").string());
  EXPECT_EQ(report.recordsWritten, 6);
  EXPECT_TRUE(report.problems.empty()) << report.problems.front();
}

TEST_F(RawRecoveryTest, WithoutAnEngineTheFoldersAreMadeAndEachFileIsReported) {
  postFound("a.jpg", "Image", 1);
  postFound("b.doc", "Document", 2);
  results.selectAllCategories();

  for (const bb_export_table* table : {static_cast<const bb_export_table*>(nullptr),
                                       static_cast<const bb_export_table*>(&engine)}) {
    bb_export_table withoutSlot{};
    app.useEngineTable(table == nullptr ? nullptr : &withoutSlot);
    fs::remove_all(out());

    const RecoveryReport report = run();

    EXPECT_EQ(treeOf(out()), sorted({"Image", "Audio", "Video", "Document"}));
    ASSERT_EQ(report.problems.size(), 2u);
    EXPECT_NE(report.problems[0].find("no recovery engine"), std::string::npos)
        << report.problems[0];
    EXPECT_NE(report.problems[0].find("a.jpg"), std::string::npos) << report.problems[0];
    EXPECT_EQ(report.recordsWritten, 2);
  }
  EXPECT_TRUE(engineCalls.empty());
}

TEST_F(RawRecoveryTest, APathThatDoesNotFitTheEngineBufferIsRefusedNotCut) {
  app.useEngineTable(&engine);
  const fs::path deepRoot = scratch / std::string(150, 'p') / std::string(150, 'q');
  const std::size_t prefixLength = (deepRoot / "Image").string().size() + 1;
  ASSERT_LT(prefixLength, 399u - 10);
  ASSERT_GT(prefixLength, 399u - 200);                 // the names stay below the safe-name cap
  const std::string fits(399 - prefixLength, 'a');     // 399 bytes and the NUL
  const std::string tooLong(400 - prefixLength, 'b');  // 400 bytes and the NUL
  postFound(fits, "Image", 1);
  postFound(tooLong, "Image", 2);
  results.selectAllCategories();

  RecoveryRun recovery(results, app);
  const RecoveryReport report = recovery.recoverFilesThread(deepRoot);

  ASSERT_EQ(engineCalls.size(), 1u);
  EXPECT_EQ(std::string(engineCalls[0].targetPath.data()), (deepRoot / "Image" / fits).string());
  EXPECT_EQ(namesIn(deepRoot / "Image"), (Names{fits}));
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0],
            "path too long for the engine: " + (deepRoot / "Image" / tooLong).string());
  EXPECT_EQ(report.recordsWritten, 2);
}

}  // namespace
}  // namespace orvane
