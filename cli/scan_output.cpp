#include "cli/scan_output.h"

#include <cstdio>
#include <iostream>

#include "cli/json_lines.h"
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

bool exportFolderIsUsable(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::exists(folder, error) || std::filesystem::is_symlink(folder, error)) {
    fail(folder.string(), "already exists; name a new folder so that nothing is overwritten");
    return false;
  }
  return true;
}

int exportEverything(PRResultViewController& results, const std::filesystem::path& folder,
                     bool json, const FoundFileCopier* foundFiles) {
  results.selectAllCategories();
  TerminalProgress progress("Exporting");
  RecoveryRun run(results, foundFiles);
  const RecoveryReport report =
      run.recoverFilesThread(folder, [&progress](int percent) { progress.show(percent); });
  progress.finish();
  for (const std::string& problem : report.problems) std::fprintf(stderr, "%s\n", problem.c_str());
  std::FILE* out = json ? stderr : stdout;
  std::fprintf(out, "Exported %d records to %s\n", report.recordsWritten, folder.c_str());
  return 0;
}

}  // namespace orvane::cli
