#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/event_names.h"
#include "core/main_thread_dispatcher.h"
#include "export/recovery_run.h"
#include "export_test_support.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using fixtures::readFileBytes;
using fixtures::readFileText;
using fixtures::writeFileBytes;
using testing::filesIn;
using testing::Names;
using testing::namesIn;
using testing::sorted;
using testing::treeOf;

// Every folder and report of an iOS export, without any copy or vCard.
const Names kEmptyIosTree =
    sorted({"Photo&Video", "Contact", "Contact/Contacts.txt", "Message", "Message/Messages.txt",
            "Note", "Note/Notes.txt", "Calendar&Reminder",
            "Calendar&Reminder/Calendar&Reminder.txt", "CallHistory", "CallHistory/CallHistory.txt",
            "BookMark", "BookMark/BookMark.txt", "App Media"});

class IosRecoveryTest : public testing::ExportTest {
 protected:
  void SetUp() override {
    results.showView(BrowseSource::ios);
    fs::create_directories(backup());
  }

  std::shared_ptr<PRContactNode> postContact(std::string name, std::string company = "") {
    auto contact = post<PRContactNode>(events::ScanContactInfo);
    contact->contactName = std::move(name);
    contact->contactCompany = std::move(company);
    return contact;
  }
  // A file of the backup, named by its hash.
  std::string backupFile(const std::string& hash, const Bytes& content) {
    writeFileBytes(backup() / hash, content);
    return (backup() / hash).string();
  }
  std::shared_ptr<PRPhotoAndVideoNode> postPhoto(std::string shownName, std::string path) {
    auto photo = post<PRPhotoAndVideoNode>(events::ScanPhotoAndVideo);
    photo->fileNodeName = std::move(shownName);
    photo->filePath = std::move(path);
    return photo;
  }
  void postAppFile(std::string shownName, std::string path) {
    auto file = post<PRFaceTwitterNode>(events::scanFaceTwitterInfo);
    file->faceTwitterFileName = std::move(shownName);
    file->faceTwitterFilePath = std::move(path);
  }

  fs::path backup() const { return scratch / "backup"; }
};

// A BlackBerry record is no part of an iOS export.
TEST_F(IosRecoveryTest, OneTickedMessageStillMakesEveryFolderAndReport) {
  auto message = post<PRMessageNode>(events::ScanMessageInfo);
  message->messagePhone = "5551234";
  postContact("Unticked");
  post<PRBlackBerrySMSMessageNode>(events::BlackBerrySMSMessageInfo)->bSelected = 1;
  results.selectCategory(ResultTable::message);
  results.ClickSelectAll(true);

  const RecoveryReport report = run();

  EXPECT_EQ(treeOf(out()), kEmptyIosTree);
  EXPECT_EQ(readFileText(out() / "Message/Messages.txt"),
            "Name:  Phone:5551234  Date:  Type:  iMessage:No  Deleted:No  Content:  \n\n");
  for (const char* name :
       {"Contact/Contacts.txt", "Note/Notes.txt", "Calendar&Reminder/Calendar&Reminder.txt",
        "CallHistory/CallHistory.txt", "BookMark/BookMark.txt"}) {
    EXPECT_EQ(readFileText(out() / name), "") << name;
  }
  EXPECT_EQ(report.recordsWritten, 1);
  EXPECT_TRUE(report.problems.empty());
}

TEST_F(IosRecoveryTest, ReportEntriesAreExact) {
  auto contact = postContact(" Cole", " Engineer Acme");
  contact->contactJobtitle = "Engineer";
  contact->contactPhone = " 555 666";
  contact->contactEmail = " a@x";
  contact->contactHomepage = " http://a.example";
  contact->contactAdress = " 1 Main St";
  contact->contactBirthday = "-650894400";
  contact->contactNote = "N";
  contact->imageData = Bytes{1};
  contact->bDeleted = 1;
  // a card is named by the display name; a contact of blanks only has none;
  // an empty picture is none
  postContact("", " Engineer Acme")->imageData = Bytes{};
  postContact(" ", " ");

  auto message = post<PRMessageNode>(events::ScanMessageInfo);
  message->messageName = "Bob";
  message->messagePhone = "+15551234";
  message->messageDate = "05-06-2014 17:03";
  message->messageType = "Received";
  message->messageContent = "line 1\nline 2";
  message->bImessage = 1;

  auto call = post<PRCallHistoryNode>(events::ScanCallHistoryInfo);
  call->callName = "Bob";
  call->callPhone = "555";
  call->callDate = "05-06-2014 17:03";
  call->callType = "Outgoing";
  call->callTime = 75;
  call->callDuration = "1 minute";
  auto unknownLength = post<PRCallHistoryNode>(events::ScanCallHistoryInfo);
  unknownLength->callDuration = "-1 second";

  auto note = post<PRNoteNode>(events::ScanNoteInfo);
  note->noteTitle = "T";
  note->noteContent = "body";
  note->noteDate = "12-24-2012 10:00";
  auto carvedNote = post<PRNoteNode>(events::ScanNoteInfo);
  carvedNote->noteTitle = std::nullopt;
  carvedNote->noteContent = std::nullopt;
  carvedNote->bDeleted = 1;

  auto event = post<PRCalenderNode>(events::scanCalenderInfo);
  event->calTitle = "Dentist";
  event->location = "Town";
  event->startDate = "12-24-2012 10:00";
  event->endDate = "12-24-2012 11:00";
  event->calNote = "bring card";

  auto bookmark = post<PRBookMarkNode>(events::scanBookMarkInfo);
  bookmark->bookMarkTitle = "Google";
  bookmark->bookMarkURL = "http://www.google.com/";

  EXPECT_EQ(results.selectAllCategories(), 10);
  const RecoveryReport report = run();

  EXPECT_EQ(readFileText(out() / "Contact/Contacts.txt"),
            "Name: Cole  Company: Engineer Acme  Job Title:Engineer  Phone: 555 666  Email: a@x  "
            "Homepage: http://a.example  Address: 1 Main St  Birthday:-650894400  Note:N  "
            "Picture:Yes  Deleted:Yes  \n\n"
            "Name:  Company: Engineer Acme  Job Title:  Phone:  Email:  Homepage:  Address:  "
            "Birthday:  Note:  Picture:No  Deleted:No  \n\n"
            "Name:   Company:   Job Title:  Phone:  Email:  Homepage:  Address:  Birthday:  "
            "Note:  Picture:No  Deleted:No  \n\n");
  EXPECT_EQ(readFileText(out() / "Message/Messages.txt"),
            "Name:Bob  Phone:+15551234  Date:05-06-2014 17:03  Type:Received  iMessage:Yes  "
            "Deleted:No  Content:line 1\nline 2  \n\n");
  EXPECT_EQ(readFileText(out() / "CallHistory/CallHistory.txt"),
            "Name:Bob  Phone:555  Date:05-06-2014 17:03  Type:Outgoing  Duration:1 minute  "
            "Seconds:75  Deleted:No  \n\n"
            "Name:  Phone:  Date:  Type:  Duration:-1 second  Seconds:  Deleted:No  \n\n");
  EXPECT_EQ(readFileText(out() / "Note/Notes.txt"),
            "Title:T  Date:12-24-2012 10:00  Deleted:No  Note:body  \n\n"
            "Title:  Date:  Deleted:Yes  Note:  \n\n");
  EXPECT_EQ(readFileText(out() / "Calendar&Reminder/Calendar&Reminder.txt"),
            "Subject:Dentist  Location:Town  Start:12-24-2012 10:00  End:12-24-2012 11:00  "
            "Deleted:No  Information:bring card  \n\n");
  EXPECT_EQ(readFileText(out() / "BookMark/BookMark.txt"),
            "Title:Google  URL:http://www.google.com/  Deleted:No  \n\n");
  EXPECT_EQ(namesIn(out() / "Contact"), sorted({"Cole.vcf", "Engineer Acme.vcf", "Contacts.txt"}));
  EXPECT_EQ(report.recordsWritten, 10);
  EXPECT_TRUE(report.problems.empty());
}

// Media are copied under safe unique names; one that cannot be read is a
// problem line and is not counted; the backup stays as it was.
TEST_F(IosRecoveryTest, MediaAreCopiedUnderSafeUniqueNamesAndTheBackupStaysAsItWas) {
  // larger than one copy piece, so the copy streams it in several
  Bytes movie(3 * 1024 * 1024 + 17);
  for (std::size_t i = 0; i < movie.size(); ++i) movie[i] = static_cast<std::uint8_t>(i * 7);
  postPhoto("IMG_0001.JPG", backupFile("aa11", Bytes{1, 2, 3}));
  postPhoto("IMG_0001.JPG", backupFile("bb22", Bytes{4}));
  postPhoto("../../evil.jpg", backupFile("cc33", Bytes{5}));
  postPhoto("", backupFile("dd44", Bytes{6}));
  postPhoto("clip.MOV", backupFile("ee55", movie))->bmov = 1;
  postPhoto("gone.jpg", (backup() / "missing").string());
  postPhoto("nowhere.jpg", "");
  fs::create_directories(backup() / "folder");
  postPhoto("folder.jpg", (backup() / "folder").string());
  postAppFile("avatar.png", backupFile("ff66", Bytes{7, 8}));
  postAppFile("avatar.png", backupFile("0077", Bytes{9}));
  postAppFile("..", backupFile("1188", Bytes{10}));
  // a FIFO would block a plain open for reading until a writer came
  ASSERT_EQ(mkfifo((backup() / "fifo").c_str(), 0600), 0);
  postAppFile("pipe.dat", (backup() / "fifo").string());
  postContact("Ann");  // progress counts every category's records
  const auto backupBefore = treeOf(backup());
  std::vector<int> percents;
  results.selectAllCategories();

  const RecoveryReport report = run([&](int percent) { percents.push_back(percent); });

  EXPECT_EQ(filesIn(out() / "Photo&Video"),
            (testing::Files{{"IMG_0001.JPG", "\1\2\3"},
                            {"IMG_0001 (2).JPG", "\4"},
                            {".._.._evil.jpg", "\5"},
                            {"media", "\6"},
                            {"clip.MOV", std::string(movie.begin(), movie.end())}}));
  EXPECT_EQ(filesIn(out() / "App Media"),
            (testing::Files{{"avatar.png", "\7\10"}, {"avatar (2).png", "\11"}, {"_", "\12"}}));
  EXPECT_EQ(treeOf(backup()), backupBefore);
  EXPECT_EQ(readFileBytes(backup() / "aa11"), (Bytes{1, 2, 3}));
  EXPECT_EQ(readFileBytes(backup() / "ee55"), movie);
  EXPECT_EQ(namesIn(scratch.path()), sorted({"backup", out().filename().string()}));
  EXPECT_EQ(
      report.problems,
      (Names{
          "could not read " + (backup() / "missing").string() +
              " (gone.jpg): No such file or directory",
          "no backup file is known for nowhere.jpg",
          "could not read " + (backup() / "folder").string() + " (folder.jpg): not a regular file",
          "could not read " + (backup() / "fifo").string() + " (pipe.dat): not a regular file"}));
  EXPECT_EQ(report.recordsWritten, 9);
  EXPECT_EQ(report.recordsTicked, 13);
  EXPECT_EQ(percents.size(), 13u);
  EXPECT_EQ(percents.back(), 100);
  EXPECT_EQ(results.recovredFilesNum, 0);
}

}  // namespace
}  // namespace orvane
