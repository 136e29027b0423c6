// ".bbb" archives of any bytes: unpacking must stay inside its folder, end
// cleanly on damaged archives, and the readers must cope with whatever it
// unpacked.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
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

void readArchive(const std::filesystem::path& scanFolder, std::span<const std::uint8_t> bytes) {
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
    WinBackupReader(nc).scanBlackBerryWinBackUpThread(*target);
  } else {
    IpdReader(nc, lists).scanBlackBerryBackUpThread(*target);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TempFolder scanFolder("orvane-bbb-fuzz-");
  readArchive(scanFolder.path(), std::span<const std::uint8_t>(data, size));
  // The unpacking folder went with the archive object: anything left here
  // was written outside it.
  if (!std::filesystem::is_empty(scanFolder.path())) std::abort();
  return 0;
}
