#include "export/recovery_run.h"

#include <array>
#include <cstdio>
#include <system_error>
#include <utility>

#include "core/safe_names.h"
#include "export/atomic_file.h"
#include "export/vcf_controller.h"
#include "results/category_traits.h"

namespace orvane {

namespace fs = std::filesystem;

namespace {

// Names for files whose record carries no usable name of its own.
constexpr std::string_view kContentFallbackName = "content";
constexpr std::string_view kAttachmentFallbackName = "attachment";
constexpr std::string_view kFoundFileFallbackName = "file";

}  // namespace

template <class Contact>
void RecoveryRun::writeContactCard(const Contact& contact, std::string_view displayName) {
  if (displayName.empty()) return;
  const std::string name = makeSafeFileName(displayName) + ".vcf";
  PRVCFController vcf;
  fs::path path;
  std::error_code ec = std::make_error_code(std::errc::file_exists);
  // a name taken between the choice and the write (another program writing
  // into the folder) moves the card on to the next free " (N)" name
  for (int attempt = 0; attempt < 8 && ec == std::errc::file_exists; ++attempt) {
    path = uniquePathIn(recoverFilePath_, name);
    vcf.creatFile(contact, path, &ec);
  }
  if (ec) addProblem("could not write " + path.string() + ": " + ec.message());
  if (!vcf.contentProblem.empty()) {
    addNote("the picture of " + path.filename().string() + " was left out: " + vcf.contentProblem);
  }
}

template void RecoveryRun::writeContactCard(const PRBlackBerryContactNode&, std::string_view);
template void RecoveryRun::writeContactCard(const PRContactNode&, std::string_view);

RecoveryRun::RecoveryRun(PRResultViewController& results, const FoundFileCopier* foundFiles)
    : results_(results), foundFiles_(foundFiles) {}

RecoveryReport RecoveryRun::recoverFilesThread(const fs::path& recoverPath,
                                               const Progress& progress) {
  recoverPath_ = recoverPath;
  progress_ = progress;
  report_ = {};
  recordFailed_ = false;
  recordsPending_ = 0;
  results_.recovredFilesNum = 0;

  if (results_.browseSource() == BrowseSource::memoryCard) {
    recoverRawCategories();
  } else if (results_.browseSource() == BrowseSource::ios) {
    recoverIosCategories();
  } else {
    recoverBackupCategories();
  }

  if (stopRequested()) {
    report_.stopped = true;
    if (report_.recordsWritten < report_.recordsTicked && report_.firstFailure.empty()) {
      report_.firstFailure = "the export was stopped";
    }
  }
  results_.recovredFilesNum = 0;
  return std::move(report_);
}

void RecoveryRun::recoverBackupCategories() {
  enterCategoryFolder(ResultList::bbContentStoreArray);
  forEachTicked<PRBlackBerryContentNode>(ResultList::bbContentStoreArray,
                                         [&](const auto& node) { recoverContentStore(node); });
  settleCategory();
  recoverTextCategory<PRBlackBerryContactNode>(ResultList::bbContactArray,
                                               &RecoveryRun::recoverContactNode);
  recoverTextCategory<PRBlackBerrySMSMessageNode>(ResultList::bbSMSArray,
                                                  &RecoveryRun::recoverMessageNode);
  recoverTextCategory<PRBlackBerryNoteNode>(ResultList::bbNoteArray, &RecoveryRun::recoverNoteNode);
  recoverTextCategory<PRBlackBerryCalenderNode>(ResultList::bbCalderArray,
                                                &RecoveryRun::recoverCalenderNode);
  recoverTextCategory<PRBlackBerryCallNode>(ResultList::bbCallArray,
                                            &RecoveryRun::recoverCallHistoryNode);
  {
    enterCategoryFolder(ResultList::bbMMSArray);
    PRRtfController rtf;
    forEachTicked<PRBlackBerryMMSMessageNode>(ResultList::bbMMSArray, [&](const auto& node) {
      recoverMMSNode(node, rtf);
      recoverMMSNodeFile(node);
    });
    settleCategory(writeReport(rtf, categoryList(ResultList::bbMMSArray).reportType));
  }
}

void RecoveryRun::recoverRawCategories() {
  for (const ResultList list :
       {ResultList::bbImageArray, ResultList::bbAudioArray, ResultList::bbVedioArray,
        ResultList::bbDocumentArray, ResultList::bbArchiveArray}) {
    enterCategoryFolder(list);
    forEachTicked<PRScanListNode>(list, [&](PRScanListNode& node) { RecoverRawFile(node); });
    settleCategory();
  }
}

void RecoveryRun::enterCategoryFolder(ResultList list) {
  recoverFilePath_ = recoverPath_ / categoryList(list).exportFolder;
  if (stopRequested()) return;
  std::error_code ec;
  fs::create_directories(recoverFilePath_, ec);
  if (ec) {
    // every file of the category then fails and is counted with its record
    addProblem("could not make the folder " + recoverFilePath_.string() + ": " + ec.message());
    recordFailed_ = false;
  }
}

bool RecoveryRun::writeReport(PRRtfController& rtf, std::string_view fileType) {
  if (stopRequested()) return false;
  std::string problem;
  if (rtf.writeRtfInPath(recoverFilePath_, fileType, &problem)) return true;
  addProblem(std::move(problem));
  recordFailed_ = false;
  return false;
}

void RecoveryRun::counted() {
  if (!recordFailed_) ++recordsPending_;
  recordFailed_ = false;
  const std::int32_t recovered = ++results_.recovredFilesNum;
  if (progress_) progress_(progressPercent(recovered, results_.selectedFilesNum()));
}

void RecoveryRun::settleCategory(bool filesWritten) {
  if (filesWritten) report_.recordsWritten += recordsPending_;
  recordsPending_ = 0;
}

void RecoveryRun::addProblem(std::string problem) {
  if (report_.firstFailure.empty()) report_.firstFailure = problem;
  report_.problems.push_back(std::move(problem));
  recordFailed_ = true;
}

void RecoveryRun::addNote(std::string note) { report_.problems.push_back(std::move(note)); }

void RecoveryRun::writeContentCopy(const std::string& proposedName, const ContentRef& content) {
  const fs::path path = uniquePathIn(recoverFilePath_, proposedName);
  std::string sourceProblem;
  if (auto ec = writeContentAtomically(content, path, ExistingFile::keep, sourceProblem)) {
    addProblem(sourceProblem.empty() ? "could not write " + path.string() + ": " + ec.message()
                                     : "could not copy " + path.filename().string() +
                                           " out of the backup: " + sourceProblem);
  }
}

int RecoveryRun::progressPercent(std::int32_t recovered, std::int32_t selected) {
  if (selected <= 0) return 0;
  // single precision, as the progress sheet has always computed it: 3 of 7
  // shows 42
  const float percent = static_cast<float>(recovered) * 100.0f / static_cast<float>(selected);
  return static_cast<int>(percent);
}

std::string RecoveryRun::proposedFolderName(std::time_t when) {
  std::tm local{};
  ::localtime_r(&when, &local);
  char text[64];
  std::snprintf(text, sizeof text, "Orvane %04d-%02d-%02d - %02d.%02d.%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

// --- one record each ---

void RecoveryRun::recoverContentStore(const PRBlackBerryContentNode& node) {
  if (node.contentData) {
    writeContentCopy(makeSafeFileName(lastPathComponent(node.filePathName), kContentFallbackName),
                     node.contentData);
  }
  counted();
}

void RecoveryRun::recoverContactNode(const PRBlackBerryContactNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(contactEntry(node));
  writeContactCard(node, node.contactName.empty() ? node.companyName : node.contactName);
  counted();
}

void RecoveryRun::recoverMessageNode(const PRBlackBerrySMSMessageNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(messageEntry(node));
  counted();
}

void RecoveryRun::recoverNoteNode(const PRBlackBerryNoteNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(noteEntry(node));
  counted();
}

void RecoveryRun::recoverCalenderNode(const PRBlackBerryCalenderNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(calenderEntry(node));
  counted();
}

void RecoveryRun::recoverCallHistoryNode(const PRBlackBerryCallNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(callHistoryEntry(node));
  counted();
}

// The MMS entry is not counted: recoverMMSNodeFile, called next for the
// same record, counts it.
void RecoveryRun::recoverMMSNode(const PRBlackBerryMMSMessageNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(mmsEntry(node));
}

void RecoveryRun::recoverMMSNodeFile(const PRBlackBerryMMSMessageNode& node) {
  if (!node.contentData.empty()) {
    writeContentCopy(
        makeSafeFileName(lastPathComponent(node.contentDataName), kAttachmentFallbackName),
        node.contentData);
  }
  counted();
}

void RecoveryRun::RecoverRawFile(PRScanListNode& node) {
  // A name the card's directory gave ("DCIM/100CANON/IMG_0001.JPG") keeps
  // its folders under the category folder. Each part is made safe on its
  // own and a part of dots becomes "_", so nothing can lead out of it.
  fs::path folder = recoverFilePath_;
  std::string_view name = node.nodeName;
  for (std::size_t slash = name.find('/'); slash != std::string_view::npos;
       slash = name.find('/')) {
    if (slash > 0) folder /= makeSafeFileName(name.substr(0, slash), "_");
    name.remove_prefix(slash + 1);
  }
  std::error_code folderError;
  fs::create_directories(folder, folderError);
  const fs::path target = uniquePathIn(folder, makeSafeFileName(name, kFoundFileFallbackName));
  std::string problem;
  if (folderError) {
    addProblem("could not make " + folder.string() + ": " + folderError.message());
  } else if (foundFiles_ == nullptr) {
    addProblem("no recovery engine is loaded: " + target.string() + " was not copied");
  } else if (!foundFiles_->copyFoundFile(node, target, problem)) {
    addProblem(std::move(problem));
  }
  counted();
}

// --- report entries: one line each, every part with its own trailing blanks ---

std::string RecoveryRun::contactEntry(const PRBlackBerryContactNode& node) {
  // "Address:" has no trailing blanks, so the post code runs straight into
  // "Websit:"
  return "Name:" + node.contactName + " " + node.titleName + " " + node.companyName + " " +
         "Home Phone:" + node.homeCall + "  " + "Work Phone:" + node.workCall + "  " +
         "Mobile Phone:" + node.mobilCall + "  " + "Email:" + node.email + "  " +
         "Address:" + node.address + " " + node.city + " " + node.provice + " " + node.country +
         " " + node.postZcode + "Websit:" + node.webSite + "  " + "Pin Number:" + node.pinNumber +
         "  " + "Birthday:" + node.brithday + "  " + "Note:" + node.note + "  ";
}

std::string RecoveryRun::messageEntry(const PRBlackBerrySMSMessageNode& node) {
  return "Phone:" + node.numberString + "  " + "type:" + node.type + "  " +
         "Content:" + node.contentText + "  ";
}

std::string RecoveryRun::noteEntry(const PRBlackBerryNoteNode& node) {
  return "Title:" + node.noteTittle + "  " + "Note:" + node.noteContent + "  ";
}

std::string RecoveryRun::calenderEntry(const PRBlackBerryCalenderNode& node) {
  return "Subject:" + node.bbCalSubject + "  " + "Information:" + node.bbCalInformation + "  ";
}

// The call's time is not part of its entry.
std::string RecoveryRun::callHistoryEntry(const PRBlackBerryCallNode& node) {
  return "Name:" + node.CallName + "  " + "Phone:" + node.CallNumber + "  " +
         "Type:" + node.CallType + "  " + "Duration:" + node.callDuration + "  ";
}

std::string RecoveryRun::mmsEntry(const PRBlackBerryMMSMessageNode& node) {
  return "Number:" + node.numberName + "  " + "ContentDataName:" + node.contentDataName + "  " +
         "contentType:" + node.contentType + "  ";
}

}  // namespace orvane
