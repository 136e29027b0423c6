#include "cli/raw_scan_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/scan_output.h"
#include "cli/terminal_progress.h"
#include "core/main_thread_dispatcher.h"
#include "export/export_folder.h"
#include "rawscan/block_devices.h"
#include "rawscan/disk_file_controller.h"
#include "rawscan/raw_scan.h"
#include "results/result_view_controller.h"

namespace orvane::cli {

namespace fs = std::filesystem;

namespace {

struct Source {
  std::string path;  // as the engine's listing names it
  bool isImageFile = false;
};

// Checks that the source is a disk or a disk image this user can read;
// says why not otherwise.
std::optional<Source> readableSource(const std::string& named) {
  struct stat info {};
  if (::stat(named.c_str(), &info) != 0) {
    // not knowing what it is, a name outside /dev is taken for an image
    fail(named, unreadableDeviceReason(errno, !named.starts_with("/dev/")));
    return std::nullopt;
  }
  if (S_ISDIR(info.st_mode)) {
    fail(named, "is a folder; name a disk (such as /dev/sdb) or a disk image file");
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode)) {
    fail(named, "is neither a disk nor a disk image file");
    return std::nullopt;
  }
  Source source;
  source.isImageFile = S_ISREG(info.st_mode);
  std::error_code error;
  // the listing names disks by their /dev name and images by their full
  // path: /dev/disk/by-id links and relative names are resolved first
  const fs::path canonical = fs::canonical(named, error);
  source.path = error ? named : canonical.string();
  return source;
}

bool opensForReading(const std::string& named, const Source& source) {
  const int fd = ::open(source.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    fail(named, unreadableDeviceReason(errno, source.isImageFile));
    return false;
  }
  ::close(fd);
  return true;
}

std::string partitionNumbers(const PRDiskInfoNode& disk) {
  std::string numbers;
  for (const DiskRow& partition : disk.children) {
    if (!numbers.empty()) numbers += ", ";
    numbers += std::to_string(partition->deviceIndex);
  }
  return numbers;
}

// The chooser's row for the source: its disk row, or the row of one of its
// partitions. A disk the chooser does not offer (the system's own disk, a
// partition named by its own device) is scanned as the user named it.
DiskRow chooseRow(const PRDiskFileController& chooser, const Source& source,
                  const std::optional<std::int32_t>& partition, const std::string& named) {
  DiskRow disk;
  for (const DiskRow& row : chooser.content()) {
    if (row->diskdev == source.path) disk = row;
  }
  if (!disk) {
    auto standIn = std::make_shared<PRDiskInfoNode>();
    standIn->diskdev = source.path;
    standIn->deviceIndex = partition.value_or(BB_WHOLE_DISK);
    return standIn;
  }
  if (!partition) return disk;
  for (const DiskRow& row : disk->children) {
    if (row->deviceIndex == *partition) return row;
  }
  fail(named, "has no partition " + std::to_string(*partition) +
                  (disk->children.empty() ? " (it has no partition table)"
                                          : " (its partitions: " + partitionNumbers(*disk) + ")"));
  return nullptr;
}

}  // namespace

std::string unreadableDeviceReason(int errorNumber, bool isImageFile) {
  switch (errorNumber) {
    case EACCES:
    case EPERM:
      return isImageFile ? "permission denied; make the image file readable for this user or "
                           "run as a user who can read it"
                         : "permission denied; run with access to the disk, e.g. as root or a "
                           "member of the disk group";
    case ENOENT:
    case ENOTDIR:
      return "no such disk or disk image; `orvane-cli disks` lists the disks of this computer";
    case ENOMEDIUM:
      return "no card in the reader; insert the card and try again";
    case ENXIO:
    case ENODEV:
      return "the device is gone; attach the card again and look for it with `orvane-cli disks`";
    case EBUSY:
      return "the device is held by another program; close that program and try again";
    case EIO:
      return "read error on the device; the card may be failing: copy it to an image with "
             "ddrescue and scan the image";
    default:
      return std::string("cannot be opened: ") + std::strerror(errorNumber);
  }
}

bool exportWouldWriteToSource(const fs::path& exportFolder, const std::string& device) {
  return storedOnDiskOf(exportFolder, device);
}

bool loadEngine(RawEngine& engine) {
  if (engine.initDll()) return true;
  std::fprintf(stderr,
               "orvane-cli: the recovery engine bblib.so could not be loaded; it is looked for "
               "in $ORVANE_ENGINE, beside orvane-cli and in the installed library folder\n");
  return false;
}

bool addDiskImage(PRDiskFileController& chooser, const std::string& imagePath) {
  if (chooser.addDiskImage(imagePath) != 0) {
    fail(imagePath, "the recovery engine cannot read this disk image");
    return false;
  }
  return true;
}

int runRawScan(const RawScanOptions& options) {
  const std::optional<Source> source = readableSource(options.device);
  if (!source) return kExitUnusable;

  std::optional<fs::path> exportFolder;
  if (options.exportFolder) {
    std::error_code error;
    exportFolder = fs::absolute(*options.exportFolder, error);
    if (error) {
      fail(*options.exportFolder, error.message());
      return kExitUnusable;
    }
    if (source->isImageFile && exportFolderInsideSource(*exportFolder, source->path)) {
      fail(exportFolder->string(), "is the disk image being scanned; export to a new folder");
      return kExitUnusable;
    }
    if (!source->isImageFile && exportWouldWriteToSource(*exportFolder, source->path)) {
      fail(exportFolder->string(),
           "is on the disk being scanned (" + source->path +
               "); writing there could overwrite the files being rescued: export to another disk");
      return kExitUnusable;
    }
  }
  if (!opensForReading(options.device, *source)) return kExitUnusable;

  DirectDispatcher mainThread;
  CorvelAppDelegate app(mainThread);
  RawEngine engine;
  if (!loadEngine(engine)) return kExitUnusable;
  PRDiskFileController chooser(engine);
  if (source->isImageFile && !addDiskImage(chooser, source->path)) return kExitUnusable;
  chooser.reload();
  const DiskRow row = chooseRow(chooser, *source, options.partition, options.device);
  if (!row) return kExitUnusable;
  chooser.outlineViewSelectionDidChange(row);
  // made before the scan, so that a folder that cannot be made costs no
  // scan and no other run can take it meanwhile
  if (exportFolder && !makeNewExportFolder(*exportFolder)) return kExitUnusable;

  PRResultViewController results(app);
  TerminalProgress progress("Scanning");
  ProgressPrinter printer(progress);
  results.setObserver(&printer);
  results.showView(BrowseSource::memoryCard);
  PRRawScan scan(app, engine);
  StopSignals* signals = options.stopSignals;
  if (signals != nullptr) signals->onStop([&scan] { scan.stop(); });
  scan.QuickScanStart(row);
  if (signals != nullptr && signals->received()) scan.stop();
  scan.waitForScan();
  if (signals != nullptr) signals->onStop({});
  progress.finish();
  results.setObserver(nullptr);
  if (signals != nullptr && signals->received()) return stoppedBySignal(exportFolder);

  switch (scan.lastResult()) {
    case RawScanResult::finished:
      break;
    case RawScanResult::stopped:
      std::fprintf(stderr, "orvane-cli: the scan was stopped; what it found so far follows\n");
      break;
    case RawScanResult::unreadable:
      fail(options.device, options.partition ? "the recovery engine could not read partition " +
                                                   std::to_string(*options.partition)
                                             : "the recovery engine could not read it");
      if (exportFolder) dropEmptyExportFolder(*exportFolder);
      return kExitUnusable;
    case RawScanResult::noEngine:
    case RawScanResult::nothingChosen:
      fail(options.device, "the recovery engine cannot scan");
      if (exportFolder) dropEmptyExportFolder(*exportFolder);
      return kExitUnusable;
  }

  if (options.json) printJsonLines(results);
  if (exportFolder) {
    const EngineFileCopier copier = scan.copier();
    return exportEverything(results, *exportFolder, options.json, &copier,
                            signals != nullptr ? &signals->flag() : nullptr);
  }
  if (!options.json) printSummary(results, BrowseSource::memoryCard);
  return kExitDone;
}

}  // namespace orvane::cli
