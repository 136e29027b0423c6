#pragma once

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
  std::int32_t recordsWritten = 0;    // the run's count (recovredFilesNum)
  std::vector<std::string> problems;  // one line per file that could not be written
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
      if (node->bSelected == 1) exportOne(*node);
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
    writeReport(rtf, categoryList(list).reportType);
  }
  // Makes the list's export folder under the export folder and makes it
  // current.
  void enterCategoryFolder(ResultList list);
  void writeReport(PRRtfController& rtf, std::string_view fileType);
  void counted();
  // Writes a record's content into the category folder under a free name;
  // content whose source vanished or was shortened is a problem line.
  void writeContentCopy(const std::string& proposedName, const ContentRef& content);
  // Streams a file of the backup into the category folder under a free
  // name; `shownName` names it in a problem line when the backup has none.
  void copyBackupFile(const std::string& sourcePath, const std::string& proposedName,
                      std::string_view shownName);
  void addProblem(std::string problem);
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
};

}  // namespace orvane
