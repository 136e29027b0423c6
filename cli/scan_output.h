#pragma once

// What every scan command prints and does once the scan has ended: the
// per-category summary, the JSON lines, the export of everything found,
// and the progress line on a terminal. Shared by the backup scan and the
// memory-card scan.

#include <filesystem>
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

// The folder must be new: nothing in it may be overwritten.
bool exportFolderIsUsable(const std::filesystem::path& folder);

// Ticks every record of the current mode and exports it into `folder`.
// `foundFiles` copies the files of a memory-card scan.
int exportEverything(PRResultViewController& results, const std::filesystem::path& folder,
                     bool json, const FoundFileCopier* foundFiles = nullptr);

}  // namespace orvane::cli
