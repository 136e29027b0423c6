#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/temp_folder.h"

namespace orvane {

// What a scan worker hands to the reader of one source.
struct ScanContext {
  NotificationCenter& nc;
  PerScanLists& lists;
  // Private to this scan (mkdtemp); removed when the scan ends, unless
  // records still refer to files in it: a reader that leaves such files
  // holds `tempFolderOwner` (or a folder made inside it) in its records'
  // content sources, and the folder goes when the last of them goes.
  const std::filesystem::path& tempFolder;
  std::shared_ptr<const TempFolder> tempFolderOwner = nullptr;
};

struct ScanOutcome {
  enum class Status { kScanned, kUnreadable, kNotABackup };
  Status status = Status::kScanned;
  std::string reason;  // one line, for the user, when not scanned

  bool scanned() const { return status == Status::kScanned; }
};

// One kind of backup the scan worker can read (BlackBerry files, device
// backup folders, ...). The worker asks each registered source in turn.
class BackupSource {
 public:
  virtual ~BackupSource() = default;
  // Cheap test by name or first bytes: is `path` of this kind at all?
  virtual bool accepts(const std::filesystem::path& path) const = 0;
  // Reads the whole source on the scan worker, posting records on ctx.nc.
  virtual ScanOutcome scan(const std::filesystem::path& path, ScanContext& ctx) = 0;
};

}  // namespace orvane
