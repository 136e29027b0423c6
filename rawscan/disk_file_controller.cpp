#include "rawscan/disk_file_controller.h"

#include <cstdio>
#include <utility>

#include "rawscan/block_devices.h"
#include "rawscan/disk_table.h"

namespace orvane {

namespace {

constexpr const char* kPartitionPicture = "partitionImg";
// GPT holds 128 partitions; an engine that keeps answering past this many
// is not listing a real table.
constexpr int kMostPartitionsPerDisk = 256;

}  // namespace

PRDiskFileController::PRDiskFileController(const RawEngine& engine, VolumeLister lister,
                                           SystemDiskTest isSystemDisk)
    : engine_(engine), lister_(std::move(lister)), isSystemDisk_(std::move(isSystemDisk)) {}

void PRDiskFileController::reload() {
  initDisk();
  initVolumeName();
  addDeepDeviceList();
}

int PRDiskFileController::addDiskImage(const std::string& imagePath) {
  const bb_export_table* table = engine();
  if (table == nullptr || table->addDiskImage == nullptr) return -1;
  return table->addDiskImage(imagePath.c_str()) == 0 ? 0 : -1;
}

int PRDiskFileController::initDisk() {
  DiskTableEntries entries{};
  const bb_export_table* table = engine();
  int listed = 0;
  if (table != nullptr && table->beginDiskList != nullptr && table->nextDisk != nullptr &&
      table->beginDiskList() != 0) {
    listed = 1;
    for (std::size_t next = 0; next < entries.size(); ++next) {
      list_disk_struct* disk = table->nextDisk();
      if (disk == nullptr) break;
      entries[next] = disk;
    }
  }
  DiskTable::replace(entries);
  return listed;
}

void PRDiskFileController::initVolumeName() {
  volumeNames_.clear();
  const bb_export_table* table = engine();
  if (table == nullptr || table->diskDeviceName == nullptr) return;
  for (list_disk_struct* disk : DiskTable::entries()) {
    if (disk == nullptr) break;
    const char* name = table->diskDeviceName(disk);
    if (name == nullptr) continue;
    volumeNames_[name] = getDiskInfo_aux(name);
  }
}

VolumeNames PRDiskFileController::getDiskInfo_aux(const std::string& name) const {
  if (!lister_) return {};
  const std::optional<std::string> listing = lister_(name);
  if (!listing) return {};
  return parseLsblkVolumeNames(*listing, name);
}

std::string PRDiskFileController::getPartName(list_part_struct* part,
                                              const std::string& name) const {
  const bb_export_table* table = engine();
  const std::int32_t number =
      table != nullptr && table->partitionNumber != nullptr ? table->partitionNumber(part) : -1;
  const auto disk = volumeNames_.find(name);
  if (disk == volumeNames_.end()) return "NO NAME";
  const auto label = disk->second.find(number);
  if (label == disk->second.end() || label->second.find_first_not_of(' ') == std::string::npos) {
    return "NO NAME";
  }
  return label->second;
}

DiskRow PRDiskFileController::diskRow(list_disk_struct* disk) const {
  const bb_export_table* table = engine();
  auto row = std::make_shared<PRDiskInfoNode>();
  if (table->diskDeviceName != nullptr) {
    if (const char* name = table->diskDeviceName(disk)) row->diskdev = name;
  }
  const std::uint64_t size = table->diskSizeBytes != nullptr ? table->diskSizeBytes(disk) : 0;
  row->partitionName = row->diskdev + " (" + size_to_unit(size) + ")";
  row->partitionIcon = kPartitionPicture;
  row->pSys_Disk = disk;
  row->deviceIndex = BB_WHOLE_DISK;
  row->isLeaf = 0;
  return row;
}

void PRDiskFileController::addPartitionRows(list_disk_struct* disk, PRDiskInfoNode& row) {
  const bb_export_table* table = engine();
  if (table->beginPartitionList == nullptr || table->nextPartition == nullptr) return;
  if (table->beginPartitionList(disk) == 0) return;
  for (int listed = 0; listed < kMostPartitionsPerDisk; ++listed) {
    list_part_struct* part = table->nextPartition();
    if (part == nullptr) break;
    auto partition = std::make_shared<PRDiskInfoNode>();
    if (table->partitionFileSystem != nullptr) {
      if (const char* type = table->partitionFileSystem(part)) partition->partitionType = type;
    }
    diskName = row.diskdev;
    partition->diskdev = row.diskdev;
    partition->partitionName = getPartName(part, row.diskdev);
    partition->pSys_Part = part;
    partition->partitionIcon = kPartitionPicture;
    partition->deviceIndex = table->partitionNumber != nullptr ? table->partitionNumber(part) : -1;
    partition->isLeaf = 1;
    row.children.push_back(std::move(partition));
  }
}

void PRDiskFileController::addDeepDeviceList() {
  content_.clear();
  const bb_export_table* table = engine();
  if (table == nullptr) return;
  const DiskTableEntries entries = DiskTable::entries();
  for (std::size_t index = 0; index < entries.size(); ++index) {
    list_disk_struct* disk = entries[index];
    if (disk == nullptr) continue;
    rootNode = diskRow(disk);
    pSys_Disk = disk;
    diskName = rootNode->diskdev;
    // The engine lists the machine's own disk first, or a stand-in of size
    // 0 when "/" is on no disk here. Only such a first disk is left out: a
    // card listed first is still offered.
    const std::uint64_t size = table->diskSizeBytes != nullptr ? table->diskSizeBytes(disk) : 0;
    const bool offered = index != 0 || !isSystemDisk_ || !isSystemDisk_(rootNode->diskdev, size);
    if (offered) content_.push_back(rootNode);
    addPartitionRows(disk, *rootNode);
  }
  for (const DiskRow& row : content_) {
    if (row->children.empty()) row->isLeaf = 1;
  }
}

std::string PRDiskFileController::size_to_unit(std::uint64_t sizeBytes) {
  const auto value = static_cast<float>(sizeBytes);
  char text[100];
  if (sizeBytes <= 999u) {
    std::snprintf(text, sizeof text, "%.2fB", static_cast<double>(value));
  } else if (sizeBytes <= 999999u) {
    std::snprintf(text, sizeof text, "%.2fK", static_cast<double>(value / 1000.0f));
  } else if (sizeBytes <= 999999999u) {
    std::snprintf(text, sizeof text, "%.2fM", static_cast<double>(value / 1000.0f / 1000.0f));
  } else if (sizeBytes <= 999999999999u) {
    std::snprintf(text, sizeof text, "%.2fG",
                  static_cast<double>(value / 1000.0f / 1000.0f / 1000.0f));
  } else {
    std::snprintf(text, sizeof text, "%.2fT",
                  static_cast<double>(value / 1000.0f / 1000.0f / 1000.0f / 1000.0f));
  }
  return text;
}

void PRDiskFileController::outlineViewSelectionDidChange(const DiskRow& row) {
  if (!row) return;
  currentScanNode = row;
}

bool PRDiskFileController::isMachineDisk(const std::string& deviceName, std::uint64_t sizeBytes) {
  return sizeBytes == 0 || holdsRootFileSystem(deviceName);
}

}  // namespace orvane
