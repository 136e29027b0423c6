#include "carving/deleted_records_step.h"

#include "carving/carver_run.h"
#include "ios/ios_backup_source.h"

namespace orvane {

void runDeletedRecordsStep(const std::filesystem::path& folder, ScanContext& ctx,
                           const PlainFileLocator& plainFile) {
  carving::CarverRun run(ctx, folder, plainFile);
  // in the order of their progress numbers: 75, 80, 85, 90, 95, 100
  for (void (*carver)(carving::CarverRun&) :
       {carving::scanDelContactThread, carving::scanDelMessageThread, carving::scanDelNoteThread,
        carving::scanDelCallHistoryThread, carving::scanDelBookMarkThread,
        carving::scanDelCalenderThread}) {
    if (ctx.stopRequested()) return;
    carver(run);
  }
}

std::unique_ptr<BackupSource> makeDeviceBackupSource(BackupPasswordProvider passwordFor) {
  // run by the live scan once it read the folder to its end and was not
  // stopped, while an encrypted backup's keys are at hand
  return makeIosBackupSource(std::move(passwordFor), &runDeletedRecordsStep);
}

}  // namespace orvane
