#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/temp_folder.h"

namespace orvane {

enum class ScanMode : std::uint8_t {
  kBackup,   // a backup file or folder, read by the scan worker
  kRawDisk,  // a card, disk or disk image, carved by the engine
};

// What a scan hands to the reader of one source: where to post, the scan's
// working lists and private folder, what is scanned, and the stop flag.
struct ScanContext {
  ScanContext(NotificationCenter& center, PerScanLists& scanLists,
              const std::filesystem::path& privateFolder,
              std::shared_ptr<const TempFolder> privateFolderOwner = nullptr)
      : nc(center),
        lists(scanLists),
        tempFolder(privateFolder),
        tempFolderOwner(std::move(privateFolderOwner)) {}

  NotificationCenter& nc;
  PerScanLists& lists;
  // Private to this scan (mkdtemp); removed when the scan ends, unless
  // records still refer to files in it: a reader that leaves such files
  // holds `tempFolderOwner` (or a folder made inside it) in its records'
  // content sources, and the folder goes when the last of them goes.
  const std::filesystem::path& tempFolder;
  ScanMode mode = ScanMode::kBackup;
  // The disk or image a raw scan reads; empty for a backup.
  std::string diskName;
  // Set by Stop in the app and by Ctrl-C in the CLI; every reader checks it
  // between records or pages and ends its walk, keeping what it found.
  const std::atomic<bool>* stopFlag = nullptr;
  // The 8-bit character set (an iconv name) of stored texts that are not
  // UTF-8 and say nothing of their own; empty: the reader's default.
  std::string textCharset;

  bool stopRequested() const {
    return stopFlag != nullptr && stopFlag->load(std::memory_order_relaxed);
  }
  std::shared_ptr<const TempFolder> tempFolderOwner;
};

struct ScanOutcome {
  enum class Status { kScanned, kUnreadable, kNotABackup };
  Status status = Status::kScanned;
  std::string reason;  // one line, for the user, when not scanned
  // files the backup's manifest names that its folder does not hold (a
  // partial or interrupted backup); they are not listed
  std::size_t missingFiles = 0;

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
