// The C table the application loads with dlsym("exportFunction"). Disks and
// partitions handed out are never freed: the application keeps their
// pointers in its own tables across listings, so each device name keeps one
// record for the life of the library.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/copy_out.h"
#include "engine/devices.h"
#include "engine/engine_abi.h"
#include "engine/formats/registry.h"
#include "engine/found_in_order.h"
#include "engine/jpeg_join.h"
#include "engine/scanner.h"
#include "engine/volume_names.h"

struct list_part_struct {
  orvane::engine::PartitionInfo info;
};

struct list_disk_struct {
  std::string deviceName;
  std::uint64_t sizeBytes = 0;
  std::vector<std::unique_ptr<list_part_struct>> partitions;
};

namespace {
using namespace orvane::engine;

// Stands first in the listing when the disk of the running system is not a
// block device here (a container, a network root): the application leaves
// out the first disk listed as the system's own, and must not leave out a
// card in its place.
constexpr const char* kSystemStandIn = "/dev/root";

struct EngineState {
  std::mutex mutex;
  std::vector<std::unique_ptr<list_disk_struct>> known;
  std::vector<std::string> images;  // added disk images, in order
  std::vector<list_disk_struct*> diskListing;
  std::size_t nextDisk = 0;
  std::vector<list_part_struct*> partitionListing;
  std::size_t nextPartition = 0;
  std::string lastScanned;
  std::atomic<bool> stop{false};
};

EngineState& state() {
  static EngineState engine;
  return engine;
}

list_disk_struct* diskRecord(EngineState& engine, const std::string& name, std::uint64_t size) {
  for (auto& disk : engine.known) {
    if (disk->deviceName == name) {
      disk->sizeBytes = size;
      return disk.get();
    }
  }
  engine.known.push_back(std::make_unique<list_disk_struct>());
  engine.known.back()->deviceName = name;
  engine.known.back()->sizeBytes = size;
  return engine.known.back().get();
}

std::uint64_t sizeOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  const auto size = deviceSize(fd);
  ::close(fd);
  return size.value_or(0);
}

int beginDiskList() {
  EngineState& engine = state();
  std::lock_guard lock(engine.mutex);
  engine.diskListing.clear();
  engine.nextDisk = 0;
  const std::vector<DiskInfo> disks = listSystemDisks();
  const auto system = systemDiskName();
  if (disks.empty() || !system || disks.front().deviceName != *system) {
    engine.diskListing.push_back(diskRecord(engine, kSystemStandIn, 0));
  }
  for (const DiskInfo& disk : disks) {
    engine.diskListing.push_back(diskRecord(engine, disk.deviceName, disk.sizeBytes));
  }
  for (const std::string& image : engine.images) {
    engine.diskListing.push_back(diskRecord(engine, image, sizeOf(image)));
  }
  return 1;
}

list_disk_struct* nextDisk() {
  EngineState& engine = state();
  std::lock_guard lock(engine.mutex);
  if (engine.nextDisk >= engine.diskListing.size()) return nullptr;
  return engine.diskListing[engine.nextDisk++];
}

const char* diskDeviceName(list_disk_struct* disk) {
  return disk == nullptr ? nullptr : disk->deviceName.c_str();
}

std::uint64_t diskSizeBytes(list_disk_struct* disk) {
  return disk == nullptr ? 0 : disk->sizeBytes;
}

int beginPartitionList(list_disk_struct* disk) {
  if (disk == nullptr) return 0;
  const std::vector<PartitionInfo> found = disk->deviceName == kSystemStandIn
                                               ? std::vector<PartitionInfo>{}
                                               : listPartitions(disk->deviceName);
  EngineState& engine = state();
  std::lock_guard lock(engine.mutex);
  engine.partitionListing.clear();
  engine.nextPartition = 0;
  for (const PartitionInfo& info : found) {
    list_part_struct* record = nullptr;
    for (auto& known : disk->partitions) {
      if (known->info.number == info.number) record = known.get();
    }
    if (record == nullptr) {
      disk->partitions.push_back(std::make_unique<list_part_struct>());
      record = disk->partitions.back().get();
    }
    record->info = info;
    engine.partitionListing.push_back(record);
  }
  return engine.partitionListing.empty() ? 0 : 1;
}

list_part_struct* nextPartition() {
  EngineState& engine = state();
  std::lock_guard lock(engine.mutex);
  if (engine.nextPartition >= engine.partitionListing.size()) return nullptr;
  return engine.partitionListing[engine.nextPartition++];
}

std::int32_t partitionNumber(list_part_struct* part) {
  return part == nullptr ? -1 : part->info.number;
}

const char* partitionFileSystem(list_part_struct* part) {
  if (part == nullptr || part->info.fileSystem.empty()) return nullptr;
  return part->info.fileSystem.c_str();
}

const Scanner& scanner() {
  static const Scanner all(allFormats());
  return all;
}

// The length of the file whose header is at `offset`, as its end finder
// follows it (at most 64 MiB); none when no file starts there.
std::optional<std::uint64_t> lengthOfFileAt(int fd, std::uint64_t offset, std::uint64_t end) {
  constexpr std::uint64_t kLongestFollowed = 64u << 20;
  constexpr std::size_t kBlockBytes = 64u << 10;
  if (offset >= end) return std::nullopt;
  // The header test first, on its few KiB; most clusters hold no header.
  std::vector<std::byte> block(kHeaderBytes);
  const auto readBlock = [&](std::uint64_t at) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), end - at));
    const ssize_t got = ::pread(fd, block.data(), count, static_cast<off_t>(at));
    return ByteView(std::span<const std::byte>(block.data(), got > 0 ? std::size_t(got) : 0));
  };
  ByteView view = readBlock(offset);
  const auto finder = scanner().testSector(view);
  if (!finder) return std::nullopt;
  block.resize(kBlockBytes);  // the view read before is gone with the old buffer
  view = readBlock(offset);
  std::uint64_t fed = 0;
  for (;;) {
    const Verdict verdict = view.empty() ? finder->finish(fed) : finder->feed(view);
    if (verdict.kind == Verdict::Kind::endsHere) return verdict.length;
    if (verdict.kind == Verdict::Kind::notOne || view.empty()) return std::nullopt;
    fed += view.size();
    if (fed >= kLongestFollowed || offset + fed >= end) return finder->finish(fed).length;
    view = readBlock(offset + fed);
  }
}

// Returns 0 when the pass ran to the end, 1 when it was stopped, -1 when
// the device or the partition could not be opened.
int scan(const char* deviceName, std::int32_t partitionIndex, bb_record_callback found,
         _rec_file_ele* fileStorage, bb_record_callback progress,
         _progressParm_t* progressStorage) {
  if (deviceName == nullptr) return -1;
  EngineState& engine = state();
  engine.stop.store(false);
  const std::string device = deviceName;
  const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "bblib: cannot open %s: %s\n", device.c_str(), std::strerror(errno));
    return -1;
  }
  std::uint64_t begin = 0;
  std::uint64_t end = deviceSize(fd).value_or(0);
  if (partitionIndex != BB_WHOLE_DISK) {
    bool known = false;
    for (const PartitionInfo& partition : listPartitions(device)) {
      if (partition.number == partitionIndex) {
        begin = std::min(partition.offsetBytes, end);
        end = std::min(partition.offsetBytes + partition.sizeBytes, end);
        known = true;
      }
    }
    if (!known) {
      std::fprintf(stderr, "bblib: %s has no partition %d\n", device.c_str(), partitionIndex);
      ::close(fd);
      return -1;
    }
  }
  {
    std::lock_guard lock(engine.mutex);
    engine.lastScanned = device;
  }
  // Found files whose first cluster a surviving directory entry names take
  // that entry's name and folders: from the volume scanned, or from every
  // partition of a whole disk (or a disk that is one volume).
  VolumeNames names;
  const auto log = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
  names.addVolume(fd, begin, end, log);
  if (partitionIndex == BB_WHOLE_DISK) {
    for (const PartitionInfo& partition : listPartitions(device)) {
      if (partition.offsetBytes < end) names.addVolume(fd, partition.offsetBytes, end, log);
    }
  }
  ::posix_fadvise(fd, static_cast<off_t>(begin), static_cast<off_t>(end - begin),
                  POSIX_FADV_SEQUENTIAL);

  _rec_file_ele ownRecord{};
  _rec_file_ele* record = fileStorage != nullptr ? fileStorage : &ownRecord;
  _progressParm_t ownProgress{};
  _progressParm_t* report = progressStorage != nullptr ? progressStorage : &ownProgress;
  std::uint64_t filesFound = 0;
  std::string name;
  std::vector<bb_file_run> runs;
  _RecordList joined{};
  // Joining pictures may take this long in all, so that a card full of
  // damaged photos cannot stall the scan.
  std::atomic<std::int64_t> joiningLeftMs = 20000;
  FoundInOrder inOrder([&](const FoundFile& file, const std::vector<DeviceRun>& pieces) {
    std::uint64_t length = pieces.empty() ? file.length : 0;
    runs.clear();
    for (const DeviceRun& piece : pieces) {
      runs.push_back({piece.offset, piece.length});
      length += piece.length;
    }
    if (const NamedFile* named = names.find(file.start, length)) {
      // the entry's own size: the carved end agrees with it to the cluster
      name = named->path;
      if (runs.empty()) length = std::min({named->size, end - file.start, kMaxFileLength});
    } else {
      // appended piece by piece: GCC 12 at -O3 warns wrongly on a chain of +
      name.assign(1, 'f');
      name += std::to_string(file.start / 512);
      name += '.';
      name += file.extension;
    }
    joined = _RecordList{static_cast<std::uint32_t>(runs.size()), 0, runs.data()};
    *record = _rec_file_ele{file.start, static_cast<std::uint32_t>(length),
                            static_cast<std::uint32_t>(name.size()), name.data(),
                            runs.empty() ? nullptr : &joined};
    found(record);
  });

  const ScanOutcome outcome = scanner().scan(
      fd, begin, end,
      [&](const FoundFile& file) {
        ++filesFound;
        if (found == nullptr) return;
        // A picture that does not decode to its end may go on past
        // foreign data: joined, it is one file of two runs.
        // A directory entry of exactly the length the structure gave says
        // the picture is whole: it needs no decoding.
        const auto whole = [&] {
          const NamedFile* entry = names.find(file.start, file.length);
          return entry != nullptr && entry->size == file.length;
        };
        if (file.extension != "jpg" || joiningLeftMs.load() <= 0 || whole()) {
          inOrder.add(file);
          return;
        }
        JoinLimits limits;
        limits.clusterBytes = names.clusterBytesAt(file.start).value_or(512);
        inOrder.add(file, [&joiningLeftMs, limits, fd, file, end]() mutable {
          const auto began = std::chrono::steady_clock::now();
          limits.time = std::min(limits.time, std::chrono::milliseconds(joiningLeftMs.load()));
          const auto fileAt = [fd, end](std::uint64_t offset) {
            return lengthOfFileAt(fd, offset, end);
          };
          auto pieces = joinJpegFragments(fd, file.start, file.length, end, limits, fileAt);
          joiningLeftMs -= std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - began)
                               .count();
          return pieces;
        });
      },
      [&](std::uint64_t done, std::uint64_t total) {
        if (progress == nullptr) return;
        *report = _progressParm_t{filesFound, begin + done, done, total, done == total ? 1 : 0};
        progress(report);
      },
      engine.stop,
      // A volume deeper in the image (a card copied into a larger image, a
      // partition whose table is gone) names the files after its boot sector.
      [&](std::uint64_t offset) {
        if (!names.holds(offset)) names.addVolume(fd, offset, end, log);
      });
  inOrder.finish();
  ::close(fd);
  return outcome == ScanOutcome::completed ? 0 : outcome == ScanOutcome::stopped ? 1 : -1;
}

void stopScan() { state().stop.store(true); }

// The disk a found file lies on: the one named, or the one scanned last
// when the caller has no disk record at hand.
std::string deviceOf(list_disk_struct* disk) {
  if (disk != nullptr) return disk->deviceName;
  EngineState& engine = state();
  std::lock_guard lock(engine.mutex);
  return engine.lastScanned;
}

// The stretches of a found file: its runs when it was joined from fragments
// and they add up to its length, else its one extent.
std::vector<DeviceRun> runsOf(const _rec_file_ele& file) {
  constexpr std::uint32_t kMostRuns = 64;
  const _RecordList* list = file.journal_file;
  if (list != nullptr && list->runs != nullptr && list->run_count > 0 &&
      list->run_count <= kMostRuns) {
    std::vector<DeviceRun> runs;
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < list->run_count; ++i) {
      runs.push_back({list->runs[i].start, list->runs[i].length});
      total += list->runs[i].length;
    }
    if (total == file.file_len) return runs;
  }
  return {{file.file_start, file.file_len}};
}

// Returns 0 when the buffer holds the file's bytes, -1 otherwise.
int readFoundFile(list_disk_struct* disk, void* buffer, _rec_file_ele* file) {
  if (buffer == nullptr || file == nullptr) return -1;
  const std::string device = deviceOf(disk);
  if (device.empty()) return -1;
  const CopyResult result =
      readFromDevice(device, runsOf(*file), {static_cast<std::byte*>(buffer), file->file_len});
  return result == CopyResult::copied ? 0 : -1;
}

// Returns 0 when the new file holds the found file's bytes, -1 otherwise.
int recoverFile(const char* targetPath, list_disk_struct* disk, _rec_file_ele* file) {
  if (file == nullptr) return -1;
  const std::string device = deviceOf(disk);
  if (device.empty()) return -1;
  const CopyResult result =
      copyToNewFile(targetPath, BB_RECOVER_PATH_CAPACITY, device, runsOf(*file));
  if (result == CopyResult::copied) return 0;
  std::fprintf(stderr, "bblib: file at byte %llu not recovered: %s\n",
               static_cast<unsigned long long>(file->file_start), describe(result));
  return -1;
}

// Returns 0 when the image is listed from now on, -1 when it cannot be read.
int addDiskImage(const char* imagePath) {
  if (imagePath == nullptr || *imagePath == '\0') return -1;
  struct stat info {};
  if (::stat(imagePath, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) {
    std::fprintf(stderr, "bblib: %s is not a disk image\n", imagePath);
    return -1;
  }
  const int fd = ::open(imagePath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "bblib: cannot open %s: %s\n", imagePath, std::strerror(errno));
    return -1;
  }
  ::close(fd);
  EngineState& engine = state();
  std::lock_guard lock(engine.mutex);
  for (const std::string& known : engine.images) {
    if (known == imagePath) return 0;
  }
  engine.images.emplace_back(imagePath);
  return 0;
}

}  // namespace

extern "C" {
__attribute__((visibility("default"))) bb_export_table exportFunction = {
    .beginDiskList = beginDiskList,
    .nextDisk = nextDisk,
    .diskDeviceName = diskDeviceName,
    .diskSizeBytes = diskSizeBytes,
    .unused4 = nullptr,
    .beginPartitionList = beginPartitionList,
    .nextPartition = nextPartition,
    .unused7 = nullptr,
    .partitionNumber = partitionNumber,
    .unused9 = nullptr,
    .unused10 = nullptr,
    .partitionFileSystem = partitionFileSystem,
    .unused12 = nullptr,
    .unused13 = nullptr,
    .scan = scan,
    .stopScan = stopScan,
    .readFoundFile = readFoundFile,
    .unused17 = {},
    .recoverFile = recoverFile,
    .addDiskImage = addDiskImage,
    .reserved = {},
};
}
