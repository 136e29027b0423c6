// The recovery run for an iOS device backup. The folder tree follows that
// of a BlackBerry backup, with the folder names and report types of the
// category table (results/category_traits.cpp); every folder is made and
// every report written, empty when nothing of its category is ticked:
//
//   "Photo&Video"        copies of the ticked pictures, videos and sounds
//   "Contact"            "Contacts.txt" and one vCard per named contact
//   "Message"            "Messages.txt"
//   "Note"               "Notes.txt"
//   "Calendar&Reminder"  "Calendar&Reminder.txt"
//   "CallHistory"        "CallHistory.txt"
//   "BookMark"           "BookMark.txt"
//   "App Media"          copies of the ticked files of the social apps
//
// The backup is only ever read: media are streamed from their backup files
// into the export folder.

#include <system_error>

#include "core/safe_names.h"
#include "export/atomic_file.h"
#include "export/ios_entries.h"
#include "export/ios_vcard.h"
#include "export/recovery_run.h"
#include "export/vcf_controller.h"

namespace orvane {

namespace fs = std::filesystem;

namespace {

// Names for copies whose record carries no usable name of its own.
constexpr std::string_view kMediaFallbackName = "media";
constexpr std::string_view kAppFileFallbackName = "file";

}  // namespace

void RecoveryRun::recoverIosCategories() {
  enterCategoryFolder(ResultList::photoAndVideoArray);
  forEachTicked<PRPhotoAndVideoNode>(ResultList::photoAndVideoArray,
                                     [&](const auto& node) { recoverPhotoAndVideoNode(node); });
  settleCategory();
  recoverTextCategory<PRContactNode>(ResultList::contactArray, &RecoveryRun::recoverContactNode);
  recoverTextCategory<PRMessageNode>(ResultList::messageArray, &RecoveryRun::recoverMessageNode);
  recoverTextCategory<PRNoteNode>(ResultList::noteArray, &RecoveryRun::recoverNoteNode);
  recoverTextCategory<PRCalenderNode>(ResultList::calenderArray, &RecoveryRun::recoverCalenderNode);
  recoverTextCategory<PRCallHistoryNode>(ResultList::callHistoryArray,
                                         &RecoveryRun::recoverCallHistoryNode);
  recoverTextCategory<PRBookMarkNode>(ResultList::bookMarkArray, &RecoveryRun::recoverBookMarkNode);
  enterCategoryFolder(ResultList::faceTwitterArray);
  forEachTicked<PRFaceTwitterNode>(ResultList::faceTwitterArray,
                                   [&](const auto& node) { recoverFaceTwitterNode(node); });
  settleCategory();
}

void RecoveryRun::recoverContactNode(const PRContactNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(reportEntry(node));
  // a contact with neither name nor company is in the report only, as on
  // the BlackBerry side
  writeContactCard(node, iosContactDisplayName(node));
  counted();
}

void RecoveryRun::recoverMessageNode(const PRMessageNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(reportEntry(node));
  counted();
}

void RecoveryRun::recoverNoteNode(const PRNoteNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(reportEntry(node));
  counted();
}

void RecoveryRun::recoverCalenderNode(const PRCalenderNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(reportEntry(node));
  counted();
}

void RecoveryRun::recoverCallHistoryNode(const PRCallHistoryNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(reportEntry(node));
  counted();
}

void RecoveryRun::recoverBookMarkNode(const PRBookMarkNode& node, PRRtfController& rtf) {
  rtf.addRtfContent(reportEntry(node));
  counted();
}

void RecoveryRun::recoverPhotoAndVideoNode(const PRPhotoAndVideoNode& node) {
  if (node.content) {
    writeContentCopy(makeSafeFileName(node.fileNodeName, kMediaFallbackName), node.content);
  } else {
    copyBackupFile(node.filePath, makeSafeFileName(node.fileNodeName, kMediaFallbackName),
                   node.fileNodeName);
  }
  counted();
}

void RecoveryRun::recoverFaceTwitterNode(const PRFaceTwitterNode& node) {
  if (node.content) {
    writeContentCopy(makeSafeFileName(node.faceTwitterFileName, kAppFileFallbackName),
                     node.content);
  } else {
    copyBackupFile(node.faceTwitterFilePath,
                   makeSafeFileName(node.faceTwitterFileName, kAppFileFallbackName),
                   node.faceTwitterFileName);
  }
  counted();
}

void RecoveryRun::copyBackupFile(const std::string& sourcePath, const std::string& proposedName,
                                 std::string_view shownName) {
  if (sourcePath.empty()) {
    addProblem("no backup file is known for " + std::string(shownName));
    return;
  }
  const fs::path path = uniquePathIn(recoverFilePath_, proposedName);
  const CopyResult result = copyFileAtomically(sourcePath, path, ExistingFile::keep);
  if (!result.error) return;
  if (result.sourceFailed) {
    addProblem("could not read " + sourcePath + " (" + std::string(shownName) +
               "): " + result.error.message());
  } else {
    addProblem("could not write " + path.string() + ": " + result.error.message());
  }
}

}  // namespace orvane
