// ".bbb" archives of any bytes: unpacking must stay inside its folder, end
// cleanly on damaged archives, and the readers must cope with whatever it
// unpacked.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "blackberry/bbb_archive.h"
#include "blackberry/ipd_reader.h"
#include "blackberry/win_backup_reader.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/temp_folder.h"

namespace {

using namespace orvane;

void readArchive(const std::shared_ptr<const TempFolder>& scanFolder,
                 std::span<const std::uint8_t> bytes) {
  NotificationCenter nc;
  PerScanLists lists;
  BbbArchive archive(scanFolder);
  // enough for any real per-database file, small enough for a quick run
  archive.maxUnpackedBytes = 64u << 20;
  bool perDatabase = false;
  std::string problem;
  const auto target = archive.checkTheBackUpFile(bytes, perDatabase, problem);
  if (!target) return;
  if (perDatabase) {
    WinBackupReader reader(nc);
    reader.keepAlive = archive.unpackedFolder();
    reader.scanBlackBerryWinBackUpThread(*target);
  } else {
    IpdReader reader(nc, lists);
    reader.keepAlive = archive.unpackedFolder();
    reader.scanBlackBerryBackUpThread(*target);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto scanFolder = std::make_shared<const TempFolder>("orvane-bbb-fuzz-");
  readArchive(scanFolder, std::span<const std::uint8_t>(data, size));
  // The unpacking folder went with the last record and reader that referred
  // to it: anything left here but the folder's lock file was written
  // outside it.
  for (const auto& entry : std::filesystem::directory_iterator(scanFolder->path())) {
    if (entry.path().filename() != TempFolder::kLockName) std::abort();
  }
  return 0;
}
