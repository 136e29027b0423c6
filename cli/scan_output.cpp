#include "cli/scan_output.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli/json_lines.h"
#include "export/export_folder.h"
#include "export/recovery_run.h"
#include "results/category_traits.h"

namespace orvane::cli {

void fail(const std::string& subject, const std::string& reason) {
  std::fprintf(stderr, "orvane-cli: %s: %s\n", subject.c_str(), reason.c_str());
}

void printSummary(const PRResultViewController& results, BrowseSource source) {
  std::size_t total = 0;
  for (const ResultTable table : PRResultViewController::categoriesOf(source)) {
    const CategoryList& category = categoryList(table, source);
    const std::size_t found = results.count(category.list);
    total += found;
    const std::string name(category.summaryName);
    std::printf("%-14s %zu\n", name.c_str(), found);
  }
  std::printf("%-14s %zu\n", "Total", total);
}

void printJsonLines(const PRResultViewController& results) {
  for (const RecordPtr& record : results.allRecordsInPostingOrder()) {
    writeJsonLine(std::cout, *record);
  }
  std::cout.flush();
}

bool makeNewExportFolder(const std::filesystem::path& folder) {
  const std::error_code error = makeExportFolder(folder);
  if (!error) return true;
  if (error == std::errc::file_exists) {
    fail(folder.string(), "already exists; name a new folder so that nothing is overwritten");
  } else {
    fail(folder.string(), "the export folder cannot be made: " + error.message());
  }
  return false;
}

void dropEmptyExportFolder(const std::filesystem::path& folder) { ::rmdir(folder.c_str()); }

int stoppedBySignal(const std::optional<std::filesystem::path>& exportFolder) {
  std::fprintf(stderr, "orvane-cli: stopped; nothing was exported\n");
  if (exportFolder) dropEmptyExportFolder(*exportFolder);
  return kExitStopped;
}

int exportEverything(PRResultViewController& results, const std::filesystem::path& folder,
                     bool json, const FoundFileCopier* foundFiles, const std::atomic<bool>* stop) {
  results.selectAllCategories();
  TerminalProgress progress("Exporting");
  RecoveryRun run(results, foundFiles);
  run.setStopFlag(stop);
  const RecoveryReport report =
      run.recoverFilesThread(folder, [&progress](int percent) { progress.show(percent); });
  progress.finish();
  for (const std::string& problem : report.problems) std::fprintf(stderr, "%s\n", problem.c_str());
  std::FILE* out = json ? stderr : stdout;
  if (report.complete()) {
    std::fprintf(out, "Exported %d records to %s\n", report.recordsWritten, folder.c_str());
    return kExitDone;
  }
  std::fprintf(out, "Exported %d of %d records; %d could not be written (first: %s)\n",
               report.recordsWritten, report.recordsTicked, report.recordsNotWritten(),
               report.firstFailure.c_str());
  return report.stopped ? kExitStopped : kExitPartial;
}

}  // namespace orvane::cli
