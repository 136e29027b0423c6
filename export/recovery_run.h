#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/blackberry_records.h"
#include "core/found_file_copier.h"
#include "core/ios_records.h"
#include "core/scan_list_node.h"
#include "export/rtf_controller.h"
#include "results/category_traits.h"
#include "results/result_view_controller.h"

namespace orvane {

struct RecoveryReport {
  std::int32_t recordsTicked = 0;     // the records the run was asked to export
  std::int32_t recordsWritten = 0;    // of those, the ones whose every file was written
  std::vector<std::string> problems;  // one line per file that could not be written or was cut
  std::string firstFailure;           // the first problem that cost a file; empty when none did
  bool stopped = false;               // the run was stopped before its end

  std::int32_t recordsNotWritten() const { return recordsTicked - recordsWritten; }
  // True when every file of the run was written.
  bool complete() const { return firstFailure.empty(); }
};

// Exports every ticked record of the current scan into a new folder: text
// reports, vCards and file copies for a BlackBerry or an iOS device backup;
// the engine's copies of found files in memory-card mode. Runs on the
// calling thread (the desktop app gives it its own); `progress` is called
// after every record with the percentage of ticked records written.
class RecoveryRun {
 public:
  using Progress = std::function<void(int percent)>;

  // `foundFiles` copies the files of a memory-card scan out; without it
  // each ticked found file is a problem line.
  explicit RecoveryRun(PRResultViewController& results,
                       const FoundFileCopier* foundFiles = nullptr);

  RecoveryReport recoverFilesThread(const std::filesystem::path& recoverPath,
                                    const Progress& progress = {});

  // Once set, the run ends after the record in hand; the ticked records
  // it did not reach count as not written.
  void setStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }

  // recovered * 100 / selected in single precision, truncated; 0 when
  // nothing is selected.
  static int progressPercent(std::int32_t recovered, std::int32_t selected);

  // "Orvane YYYY-MM-DD - HH.MM.SS" for the given local time.
  static std::string proposedFolderName(std::time_t when);

  // One record each; the report writer is the category's.
  void recoverContentStore(const PRBlackBerryContentNode& node);
  void recoverContactNode(const PRBlackBerryContactNode& node, PRRtfController& rtf);
  void recoverMessageNode(const PRBlackBerrySMSMessageNode& node, PRRtfController& rtf);
  void recoverNoteNode(const PRBlackBerryNoteNode& node, PRRtfController& rtf);
  void recoverCalenderNode(const PRBlackBerryCalenderNode& node, PRRtfController& rtf);
  void recoverCallHistoryNode(const PRBlackBerryCallNode& node, PRRtfController& rtf);
  void recoverMMSNode(const PRBlackBerryMMSMessageNode& node, PRRtfController& rtf);
  void recoverMMSNodeFile(const PRBlackBerryMMSMessageNode& node);
  void RecoverRawFile(PRScanListNode& node);

  // iOS records, one each (ios_recovery.cpp).
  void recoverContactNode(const PRContactNode& node, PRRtfController& rtf);
  void recoverMessageNode(const PRMessageNode& node, PRRtfController& rtf);
  void recoverNoteNode(const PRNoteNode& node, PRRtfController& rtf);
  void recoverCalenderNode(const PRCalenderNode& node, PRRtfController& rtf);
  void recoverCallHistoryNode(const PRCallHistoryNode& node, PRRtfController& rtf);
  void recoverBookMarkNode(const PRBookMarkNode& node, PRRtfController& rtf);
  void recoverPhotoAndVideoNode(const PRPhotoAndVideoNode& node);
  void recoverFaceTwitterNode(const PRFaceTwitterNode& node);

  // The report entry texts, exactly as written.
  static std::string contactEntry(const PRBlackBerryContactNode& node);
  static std::string messageEntry(const PRBlackBerrySMSMessageNode& node);
  static std::string noteEntry(const PRBlackBerryNoteNode& node);
  static std::string calenderEntry(const PRBlackBerryCalenderNode& node);
  static std::string callHistoryEntry(const PRBlackBerryCallNode& node);
  static std::string mmsEntry(const PRBlackBerryMMSMessageNode& node);

  const std::filesystem::path& recoverPath() const { return recoverPath_; }
  const std::filesystem::path& recoverFilePath() const { return recoverFilePath_; }

 private:
  void recoverBackupCategories();
  void recoverIosCategories();
  void recoverRawCategories();
  template <class Node, class Export>
  void forEachTicked(ResultList list, Export&& exportOne) {
    for (const auto& node : results_.snapshotAs<Node>(list)) {
      if (node->bSelected != 1) continue;
      ++report_.recordsTicked;
      if (!stopRequested()) exportOne(*node);
    }
  }
  // A text category: its folder, one entry per ticked record through
  // `recoverOne`, then the report, written also when it is empty.
  template <class Node>
  void recoverTextCategory(ResultList list,
                           void (RecoveryRun::*recoverOne)(const Node&, PRRtfController&)) {
    enterCategoryFolder(list);
    PRRtfController rtf;
    forEachTicked<Node>(list, [&](const Node& node) { (this->*recoverOne)(node, rtf); });
    settleCategory(writeReport(rtf, categoryList(list).reportType));
  }
  // Makes the list's export folder under the export folder and makes it
  // current.
  void enterCategoryFolder(ResultList list);
  // False when the report could not be written (nothing is written once
  // the run is stopped).
  bool writeReport(PRRtfController& rtf, std::string_view fileType);
  // The end of one record: it counts as written unless one of its files
  // failed, and for a text category only once its report is written too.
  void counted();
  // The records of the category in hand are written when `filesWritten`.
  void settleCategory(bool filesWritten = true);
  bool stopRequested() const { return stop_ != nullptr && stop_->load(); }
  // Writes a record's content into the category folder under a free name;
  // content whose source vanished or was shortened is a problem line.
  void writeContentCopy(const std::string& proposedName, const ContentRef& content);
  // Streams a file of the backup into the category folder under a free
  // name; `shownName` names it in a problem line when the backup has none.
  void copyBackupFile(const std::string& sourcePath, const std::string& proposedName,
                      std::string_view shownName);
  // A file that could not be written: the record in hand is not written.
  void addProblem(std::string problem);
  // Something left out of a file that was written all the same.
  void addNote(std::string note);
  // One vCard per contact under its display name, made safe and unique; a
  // contact without a name gets none (it is in the report only).
  template <class Contact>
  void writeContactCard(const Contact& contact, std::string_view displayName);

  PRResultViewController& results_;
  const FoundFileCopier* foundFiles_;
  std::filesystem::path recoverPath_;
  std::filesystem::path recoverFilePath_;
  Progress progress_;
  RecoveryReport report_;
  const std::atomic<bool>* stop_ = nullptr;
  bool recordFailed_ = false;
  std::int32_t recordsPending_ = 0;  // done, waiting for their category's report
};

}  // namespace orvane
