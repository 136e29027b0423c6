#pragma once

// What every scan command prints and does once the scan has ended: the
// per-category summary, the JSON lines, the export of everything found,
// and the progress line on a terminal. Shared by the backup scan and the
// memory-card scan.

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/terminal_progress.h"
#include "core/found_file_copier.h"
#include "results/result_view_controller.h"

namespace orvane::cli {

// Shows the scan's progress events on the terminal's progress line.
class ProgressPrinter final : public ResultViewObserver {
 public:
  explicit ProgressPrinter(TerminalProgress& progress) : progress_(progress) {}
  void progressChanged(int percent, const std::vector<std::string>&) override {
    progress_.show(percent);
  }

 private:
  TerminalProgress& progress_;
};

// "orvane-cli: SUBJECT: REASON" on standard error.
void fail(const std::string& subject, const std::string& reason);

// One line per category of the source with its count, then the total.
void printSummary(const PRResultViewController& results, BrowseSource source);

// Every record found, one JSON object per line, in the order found.
void printJsonLines(const PRResultViewController& results);

// Exit statuses of the scan commands.
inline constexpr int kExitDone = 0;
inline constexpr int kExitUnusable = 2;   // source unreadable, export folder unusable
inline constexpr int kExitPartial = 3;    // the export left records or files out
inline constexpr int kExitStopped = 130;  // Ctrl-C or SIGTERM, as a shell reports SIGINT

// Makes the new export folder before anything is scanned; says why and
// answers false when it exists already or cannot be made.
bool makeNewExportFolder(const std::filesystem::path& folder);
// Removes the export folder made by makeNewExportFolder when nothing was
// put in it (the scan failed before the export).
void dropEmptyExportFolder(const std::filesystem::path& folder);

// Ticks every record of the current mode and exports it into `folder`,
// made by makeNewExportFolder. `foundFiles` copies the files of a
// memory-card scan; `stop` ends the export after the record in hand.
// kExitDone when every record was written, kExitStopped when stopped,
// kExitPartial otherwise.
int exportEverything(PRResultViewController& results, const std::filesystem::path& folder,
                     bool json, const FoundFileCopier* foundFiles = nullptr,
                     const std::atomic<bool>* stop = nullptr);

// After a scan that Ctrl-C or SIGTERM stopped: says so, removes the empty
// export folder and answers kExitStopped.
int stoppedBySignal(const std::optional<std::filesystem::path>& exportFolder);

}  // namespace orvane::cli
