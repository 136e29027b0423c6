#include "ios/ios_backup_source.h"

#include <array>

#include "core/conversions.h"
#include "ios/encrypted_backup.h"
#include "ios/ios_backup_scanner.h"
#include "ios/ios_device_controller.h"

namespace orvane {

namespace {

constexpr std::array<const char*, 4> kBackupMarkers = {"Info.plist", "Manifest.plist",
                                                       "Manifest.mbdb", "Manifest.db"};

bool holdsBackupMarker(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return false;
  for (const char* marker : kBackupMarkers) {
    if (std::filesystem::is_regular_file(folder / marker, error)) return true;
  }
  return false;
}

class IosBackupSource final : public BackupSource {
 public:
  IosBackupSource(BackupPasswordProvider passwordFor, AfterLiveSteps afterLiveSteps)
      : passwordFor_(std::move(passwordFor)), afterLiveSteps_(std::move(afterLiveSteps)) {}

  bool accepts(const std::filesystem::path& path) const override { return holdsBackupMarker(path); }

  ScanOutcome scan(const std::filesystem::path& path, ScanContext& ctx) override {
    ScanOutcome outcome;
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
      outcome.status = std::filesystem::exists(path, error) ? ScanOutcome::Status::kNotABackup
                                                            : ScanOutcome::Status::kUnreadable;
      outcome.reason = outcome.status == ScanOutcome::Status::kNotABackup
                           ? "not a device backup folder: " + path.string()
                           : "no such folder: " + path.string();
      return outcome;
    }
    if (!holdsBackupMarker(path)) {
      outcome.status = ScanOutcome::Status::kNotABackup;
      outcome.reason =
          "not a device backup folder (no Info.plist, Manifest.plist, Manifest.mbdb "
          "or Manifest.db): " +
          path.string();
      return outcome;
    }

    // nothing is posted from an encrypted backup that cannot be opened
    std::optional<BackupDecryptor> decryptor;
    if (isEncryptedBackup(path)) {
      const auto password = passwordFor_ ? passwordFor_(path) : std::nullopt;
      decryptor = BackupDecryptor::unlock(path, password, outcome.reason);
      if (!decryptor) {
        outcome.status = ScanOutcome::Status::kUnreadable;
        return outcome;
      }
    }

    const std::uint8_t iOS6 = FieldConversions::IOSVersionIOS6(backupProductVersion(path));
    PRIOSBackupScanner scanner(ctx, iOS6);
    if (decryptor) scanner.setDecryptor(&*decryptor);
    const std::size_t media = scanner.scanDirAnalyThread(path);
    // Without media from the manifest the folder's large files are offered
    // by content; with them, that would list every photo twice. Encrypted
    // files say nothing by their content.
    if (media == 0 && !decryptor) scanner.scanPhotoAndVideoThread(path);
    scanner.scanContactThread(path);
    scanner.scanMessageThread(path);
    scanner.scanCallHistoryThread(path);
    scanner.scanNoteThread(path);
    scanner.scanBookMarkThread(path);
    scanner.scanCalenderThread(path);
    outcome.missingFiles = scanner.missingFiles();
    if (afterLiveSteps_ && !ctx.stopRequested()) {
      // a plain backup's files are read where they lie
      PlainFileLocator plainFile;
      if (decryptor) {
        plainFile = [&scanner](const std::filesystem::path& backupFile) {
          return scanner.plainCopyOf(backupFile);
        };
      }
      afterLiveSteps_(path, ctx, plainFile);
    }
    return outcome;
  }

 private:
  BackupPasswordProvider passwordFor_;
  AfterLiveSteps afterLiveSteps_;
};

}  // namespace

std::unique_ptr<BackupSource> makeIosBackupSource(BackupPasswordProvider passwordFor,
                                                  AfterLiveSteps afterLiveSteps) {
  return std::make_unique<IosBackupSource>(std::move(passwordFor), std::move(afterLiveSteps));
}

}  // namespace orvane
