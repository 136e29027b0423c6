#pragma once

#include <filesystem>
#include <memory>

#include "core/backup_source.h"
#include "ios/ios_backup_source.h"

namespace orvane {

// Carves the deleted rows of a device backup's databases after the live
// steps, on the scan's worker thread, one database after another:
// contacts, messages, notes, call history, bookmarks, calendar. Each reads
// its own private copy; the backup's files are never written.
// An encrypted backup's databases are read where `plainFile` puts their
// decrypted bytes.
void runDeletedRecordsStep(const std::filesystem::path& folder, ScanContext& ctx,
                           const PlainFileLocator& plainFile = {});

// The device backup source with carving: the live device backup scan, then,
// when it read the folder to its end, the deleted-records step.
std::unique_ptr<BackupSource> makeDeviceBackupSource(BackupPasswordProvider passwordFor = {});

}  // namespace orvane
