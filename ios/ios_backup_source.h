#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/backup_source.h"

namespace orvane {

// Device backup folders (iTunes): accepts a folder that holds "Info.plist",
// "Manifest.plist", "Manifest.mbdb" or "Manifest.db", and scans it in this
// order: the manifest pass with the media step, contacts, messages, call
// history, notes, bookmarks, calendar. The photo pass runs only when the
// manifest yields no media. An encrypted backup is read with the password
// `passwordFor` gives for it (asked on the scan's worker thread); without
// one, or with a wrong one, the scan posts nothing and answers unreadable
// with one line.
using BackupPasswordProvider =
    std::function<std::optional<std::string>(const std::filesystem::path& backup)>;

// Where the plain bytes of a backup file lie: the file itself, or in an
// encrypted backup its decrypted copy in the scan's private folder; nothing
// when it cannot be opened or decrypted.
using PlainFileLocator =
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& backupFile)>;
// Runs after the live steps of a scan that read the folder to its end and
// was not stopped, while the backup's keys are still at hand.
using AfterLiveSteps = std::function<void(const std::filesystem::path& folder, ScanContext& ctx,
                                          const PlainFileLocator& plainFile)>;
std::unique_ptr<BackupSource> makeIosBackupSource(BackupPasswordProvider passwordFor = {},
                                                  AfterLiveSteps afterLiveSteps = {});

}  // namespace orvane
