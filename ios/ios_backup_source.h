#pragma once

#include <memory>

#include "core/backup_source.h"

namespace orvane {

// Device backup folders (iTunes): accepts a folder that holds "Info.plist",
// "Manifest.plist", "Manifest.mbdb" or "Manifest.db", and scans it in this
// order: the manifest pass with the media step, contacts, messages, call
// history, notes, bookmarks, calendar. The photo pass runs only when the
// manifest yields no media.
std::unique_ptr<BackupSource> makeIosBackupSource();

}  // namespace orvane
