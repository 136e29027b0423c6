#include "rawscan/disk_table.h"

#include <mutex>
#include <string_view>

namespace orvane {

namespace {

std::mutex tableMutex;
DiskTableEntries table{};

}  // namespace

DiskTableEntries DiskTable::entries() {
  std::lock_guard lock(tableMutex);
  return table;
}

void DiskTable::replace(const DiskTableEntries& entries) {
  std::lock_guard lock(tableMutex);
  table = entries;
}

list_disk_struct* findDisk(const RawEngine& rawEngine, std::string_view diskName) {
  const bb_export_table* engine = rawEngine.engineTable();
  if (engine == nullptr || engine->diskDeviceName == nullptr) return nullptr;
  for (list_disk_struct* disk : DiskTable::entries()) {
    if (disk == nullptr) continue;
    const char* name = engine->diskDeviceName(disk);
    if (name != nullptr && std::string_view(name) == diskName) return disk;
  }
  return nullptr;
}

}  // namespace orvane
