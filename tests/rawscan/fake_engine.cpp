#include "fake_engine.h"

#include <algorithm>
#include <cstring>
#include <fstream>

struct list_part_struct {
  orvane::testing::FakePartition partition;
};

struct list_disk_struct {
  std::string name;
  std::uint64_t sizeBytes = 0;
  std::vector<list_part_struct> partitions;
};

namespace orvane::testing {

namespace {
FakeEngine* made = nullptr;

bool copyOut(const _rec_file_ele* file, std::uint8_t* into) {
  const std::vector<std::uint8_t>& device = made->deviceBytes;
  if (file->file_start + file->file_len > device.size()) return false;
  std::memcpy(into, device.data() + file->file_start, file->file_len);
  return true;
}
}  // namespace

FakeEngine::FakeEngine() {
  made = this;
  table.beginDiskList = [] {
    made->nextDisk_ = 0;
    return 1;
  };
  table.nextDisk = []() -> list_disk_struct* {
    FakeEngine& e = *made;
    return e.nextDisk_ < e.disks_.size() ? e.disks_[e.nextDisk_++].get() : nullptr;
  };
  table.diskDeviceName = [](list_disk_struct* disk) { return disk->name.c_str(); };
  table.diskSizeBytes = [](list_disk_struct* disk) { return disk->sizeBytes; };
  table.beginPartitionList = [](list_disk_struct* disk) {
    made->listedDisk_ = disk;
    made->nextPartition_ = 0;
    return disk->partitions.empty() ? 0 : 1;
  };
  table.nextPartition = []() -> list_part_struct* {
    FakeEngine& e = *made;
    auto& partitions = e.listedDisk_->partitions;
    return e.nextPartition_ < partitions.size() ? &partitions[e.nextPartition_++] : nullptr;
  };
  table.partitionNumber = [](list_part_struct* part) { return part->partition.number; };
  table.partitionFileSystem = [](list_part_struct* part) {
    return part->partition.fileSystem ? part->partition.fileSystem->c_str() : nullptr;
  };
  table.scan = [](const char* deviceName, std::int32_t partitionIndex, bb_record_callback found,
                  _rec_file_ele* fileStorage, bb_record_callback progress,
                  _progressParm_t* progressStorage) {
    FakeEngine& e = *made;
    {
      std::unique_lock lock(e.mutex_);
      e.scans.push_back(std::string(deviceName) + " " + std::to_string(partitionIndex));
      e.scanning_ = true;
      e.changed_.notify_all();
      if (e.holdScan) e.changed_.wait(lock, [&] { return e.stopCalls > 0; });
    }
    std::string nameBuffer;
    for (const EngineReport& report : e.reports) {
      if (const auto* file = std::get_if<FoundReport>(&report)) {
        nameBuffer = file->name;
        *fileStorage =
            _rec_file_ele{file->start, file->length, static_cast<std::uint32_t>(nameBuffer.size()),
                          nameBuffer.data(), nullptr};
        found(fileStorage);
        // the record lives only during the call: scribble over it
        std::fill(nameBuffer.begin(), nameBuffer.end(), 'X');
        fileStorage->file_len = 0;
      } else {
        const auto& step = std::get<ProgressReport>(report);
        *progressStorage = _progressParm_t{7, 8, step.done, step.total, 0};
        progress(progressStorage);
      }
    }
    return e.stopCalls > 0 ? 1 : e.scanAnswer;
  };
  table.stopScan = [] {
    std::lock_guard lock(made->mutex_);
    ++made->stopCalls;
    made->changed_.notify_all();
  };
  table.readFoundFile = [](list_disk_struct* disk, void* buffer, _rec_file_ele* file) {
    made->readDisks.push_back(disk);
    return copyOut(file, static_cast<std::uint8_t*>(buffer)) ? 0 : -1;
  };
  table.recoverFile = [](const char* targetPath, list_disk_struct* disk, _rec_file_ele* file) {
    made->recoverDisks.push_back(disk);
    std::vector<std::uint8_t> bytes(file->file_len);
    if (!copyOut(file, bytes.data())) return -1;
    std::ofstream out(targetPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : -1;
  };
}

FakeEngine::~FakeEngine() {
  if (made == this) made = nullptr;
}

void FakeEngine::addDisk(std::string name, std::uint64_t sizeBytes,
                         std::vector<FakePartition> partitions) {
  auto disk = std::make_unique<list_disk_struct>();
  disk->name = std::move(name);
  disk->sizeBytes = sizeBytes;
  for (FakePartition& partition : partitions) disk->partitions.push_back({std::move(partition)});
  disks_.push_back(std::move(disk));
}

list_disk_struct* FakeEngine::disk(std::size_t index) const { return disks_.at(index).get(); }

void FakeEngine::waitUntilScanning() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return scanning_; });
}

}  // namespace orvane::testing
