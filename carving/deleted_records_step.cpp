#include "carving/deleted_records_step.h"

#include "carving/carver_run.h"
#include "ios/ios_backup_source.h"

namespace orvane {

void runDeletedRecordsStep(const std::filesystem::path& folder, ScanContext& ctx) {
  carving::CarverRun run(ctx, folder);
  // in the order of their progress numbers: 75, 80, 85, 90, 95, 100
  for (void (*carver)(carving::CarverRun&) :
       {carving::scanDelContactThread, carving::scanDelMessageThread, carving::scanDelNoteThread,
        carving::scanDelCallHistoryThread, carving::scanDelBookMarkThread,
        carving::scanDelCalenderThread}) {
    if (ctx.stopRequested()) return;
    carver(run);
  }
}

namespace {

class DeviceBackupSource final : public BackupSource {
 public:
  explicit DeviceBackupSource(BackupPasswordProvider passwordFor)
      : live_(makeIosBackupSource(std::move(passwordFor))) {}

  bool accepts(const std::filesystem::path& path) const override { return live_->accepts(path); }

  ScanOutcome scan(const std::filesystem::path& path, ScanContext& ctx) override {
    ScanOutcome outcome = live_->scan(path, ctx);
    // a folder that is no backup, or a scan stopped by the user, is not carved
    if (outcome.scanned() && !ctx.stopRequested()) runDeletedRecordsStep(path, ctx);
    return outcome;
  }

 private:
  std::unique_ptr<BackupSource> live_;
};

}  // namespace

std::unique_ptr<BackupSource> makeDeviceBackupSource(BackupPasswordProvider passwordFor) {
  return std::make_unique<DeviceBackupSource>(std::move(passwordFor));
}

}  // namespace orvane
