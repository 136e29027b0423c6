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
std::unique_ptr<BackupSource> makeIosBackupSource(BackupPasswordProvider passwordFor = {});

}  // namespace orvane
