#include "cli/scan_command.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <vector>

#include "blackberry/blackberry_source.h"
#include "carving/deleted_records_step.h"
#include "cli/backup_password.h"
#include "cli/scan_output.h"
#include "cli/terminal_progress.h"
#include "core/app_delegate.h"
#include "core/main_thread_dispatcher.h"
#include "export/export_folder.h"
#include "ios/encrypted_backup.h"
#include "results/result_view_controller.h"

namespace orvane::cli {

namespace {

// A folder is read as a device backup, a file as a BlackBerry backup.
struct SourceKind {
  BrowseSource browse;
  std::unique_ptr<BackupSource> reader;
  const char* notThisKind;
};

SourceKind sourceKindOf(const std::filesystem::path& source, std::optional<std::string> password) {
  std::error_code error;
  if (std::filesystem::is_directory(source, error)) {
    return {BrowseSource::ios,
            makeDeviceBackupSource([password = std::move(password)](const std::filesystem::path&) {
              return password;
            }),
            "not a device backup folder (no Info.plist, Manifest.plist, Manifest.mbdb or "
            "Manifest.db)"};
  }
  return {BrowseSource::blackBerry, makeBlackBerrySource(),
          "not a BlackBerry backup (.ipd or .bbb)"};
}

}  // namespace

int runScan(const ScanOptions& options) {
  const std::filesystem::path source(options.source);
  std::error_code error;
  if (!std::filesystem::exists(source, error)) {
    fail(options.source, "no such file or folder");
    return kExitUnusable;
  }
  std::optional<std::filesystem::path> exportFolder;
  if (options.exportFolder) {
    exportFolder = std::filesystem::absolute(*options.exportFolder, error);
    if (error) {
      fail(*options.exportFolder, error.message());
      return kExitUnusable;
    }
    if (exportFolderInsideSource(*exportFolder, source)) {
      fail(exportFolder->string(), "is inside the backup being scanned (" + options.source +
                                       "); nothing may be written there: export to a folder "
                                       "outside it");
      return kExitUnusable;
    }
  }

  // asked before the scan starts, so that the terminal is free for the
  // question and a missing password costs nothing
  std::optional<std::string> password;
  if (std::filesystem::is_directory(source, error) && isEncryptedBackup(source)) {
    std::string problem;
    password = backupPassword(options.passwordFile, problem);
    if (!password) {
      fail(options.source, problem);
      return kExitUnusable;
    }
  }
  SourceKind kind = sourceKindOf(source, std::move(password));
  if (!kind.reader->accepts(source)) {
    fail(options.source, kind.notThisKind);
    return kExitUnusable;
  }
  // made before the scan, so that a folder that cannot be made costs no
  // scan and no other run can take it meanwhile
  if (exportFolder && !makeNewExportFolder(*exportFolder)) return kExitUnusable;

  DirectDispatcher mainThread;
  CorvelAppDelegate app(mainThread);
  app.addBackupSource(std::move(kind.reader));
  PRResultViewController results(app);
  TerminalProgress progress("Scanning");
  ProgressPrinter printer(progress);
  results.setObserver(&printer);

  results.showView(kind.browse);
  if (kind.browse == BrowseSource::blackBerry) app.bbbackUpFilepath = options.source;
  app.textCharset = options.textCharset;
  StopSignals* signals = options.stopSignals;
  if (signals != nullptr) signals->onStop([&app] { app.requestStop(); });
  app.ScanIOSBackFile(options.source);
  // a signal before the scan started was cleared by its start
  if (signals != nullptr && signals->received()) app.requestStop();
  app.waitForScanWorker();
  if (signals != nullptr) signals->onStop({});
  progress.finish();
  results.setObserver(nullptr);
  // the scan has removed its private folder
  if (signals != nullptr && signals->received()) return stoppedBySignal(exportFolder);

  const ScanOutcome outcome = app.lastScanOutcome();
  if (!outcome.scanned()) {
    fail(options.source, outcome.reason);
    if (exportFolder) dropEmptyExportFolder(*exportFolder);
    return kExitUnusable;
  }

  if (options.json) printJsonLines(results);
  if (exportFolder) {
    return exportEverything(results, *exportFolder, options.json, nullptr,
                            signals != nullptr ? &signals->flag() : nullptr);
  }
  if (!options.json) {
    printSummary(results, kind.browse);
    if (outcome.missingFiles > 0) {
      std::printf("%-14s %zu (named by the manifest, not in the backup folder)\n", "Missing",
                  outcome.missingFiles);
    }
  }
  return kExitDone;
}

}  // namespace orvane::cli
