#include "rawscan/raw_scan.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <utility>

#include "core/event_names.h"

namespace orvane {

namespace {

// The engine's callbacks are plain functions without a context argument:
// they reach the one running scan through this pointer. It is claimed when
// a scan starts and cleared by the scan's thread as its last step, and the
// scan object joins that thread before it goes, so a callback made during
// the engine's scan call always finds a live scan. No lock is held while
// records are posted: the results view may hand work to the main thread
// and wait for it.
std::atomic<PRRawScan*> runningScan{nullptr};

void foundFileCallback(void* record) {
  PRRawScan* scan = runningScan.load();
  if (scan != nullptr && record != nullptr) {
    scan->m_finded(*static_cast<const _rec_file_ele*>(record));
  }
}

void progressCallback(void* record) {
  PRRawScan* scan = runningScan.load();
  if (scan != nullptr && record != nullptr) {
    scan->m_progress(*static_cast<const _progressParm_t*>(record));
  }
}

// Names longer than any path are cut, as the record's own copy of the name
// is (PRScanListNode::setfile).
constexpr std::uint32_t kLongestName = 4096;

std::string proposedNameOf(const _rec_file_ele& record) {
  if (record.pFileName == nullptr) return {};
  const std::size_t bound = std::min(record.file_name_len, kLongestName);
  return std::string(record.pFileName, ::strnlen(record.pFileName, bound));
}

}  // namespace

PRRawScan::PRRawScan(CorvelAppDelegate& app, RawEngine& engine) : app_(app), engine_(engine) {}

std::string PRRawScan::scannedDisk() const {
  std::lock_guard lock(diskMutex_);
  return scannedDisk_;
}

PRRawScan::~PRRawScan() {
  if (runningScan.load() == this) engine_.stopScan();
  waitForScan();
}

bool PRRawScan::QuickScanStart(DiskRow node) {
  PRRawScan* none = nullptr;
  if (!runningScan.compare_exchange_strong(none, this)) return false;
  // the thread started before has ended its body; only its exit is left
  if (thread_.joinable()) thread_.join();
  {
    std::lock_guard lock(diskMutex_);
    scannedDisk_ = node ? node->diskdev : std::string();
  }
  try {
    thread_ = std::thread([this, row = std::move(node)] { RawScanThreaderHandle(row); });
  } catch (...) {
    finishThread();
    throw;
  }
  return true;
}

void PRRawScan::waitForScan() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void PRRawScan::RawScanThreaderHandle(const DiskRow& node) {
  const bb_export_table* engine = engine_.engineTable();
  RawScanResult result = RawScanResult::nothingChosen;
  if (!node) {
    result = RawScanResult::nothingChosen;
  } else if (engine == nullptr || engine->scan == nullptr) {
    result = RawScanResult::noEngine;
  } else {
    // the thread's own copies: the row may be rebuilt while the scan runs
    const std::string deviceName = node->diskdev;
    const std::int32_t partitionIndex = node->deviceIndex;
    _rec_file_ele fileStorage{};
    _progressParm_t progressStorage{};
    const int answer = engine->scan(deviceName.c_str(), partitionIndex, foundFileCallback,
                                    &fileStorage, progressCallback, &progressStorage);
    result = answer == 0   ? RawScanResult::finished
             : answer == 1 ? RawScanResult::stopped
                           : RawScanResult::unreadable;
  }
  lastResult_ = result;
  app_.ScanThreadFinish();
  finishThread();
}

void PRRawScan::finishThread() {
  PRRawScan* self = this;
  runningScan.compare_exchange_strong(self, nullptr);
}

void PRRawScan::m_finded(const _rec_file_ele& record) {
  std::shared_ptr<PRScanListNode> node = foundFileNode(record);
  if (!node) return;
  app_.nc.postNotificationName(events::BlackBerryRawRecoveryFileInfo, RecordPtr(std::move(node)));
}

void PRRawScan::m_progress(const _progressParm_t& progress) {
  if (const auto percent = progressPercent(progress)) {
    app_.nc.postNotificationName(events::BlackBerryRawRecoveryProgress, *percent);
  }
}

std::shared_ptr<PRScanListNode> PRRawScan::foundFileNode(const _rec_file_ele& record) {
  if (record.file_len == 0 || record.file_len > kLargestFoundFile) return nullptr;
  auto node = std::make_shared<PRScanListNode>();
  node->nodeName = proposedNameOf(record);
  node->fileType = fileTypeOf(node->nodeName);
  node->nodeSizeString = FieldConversions::size_to_unit(record.file_len);
  node->fileSizeNumber = record.file_len;
  std::vector<ContentRun> runs;
  constexpr std::uint32_t kMostRuns = 64;
  if (const _RecordList* list = record.journal_file;
      list != nullptr && list->runs != nullptr && list->run_count <= kMostRuns) {
    for (std::uint32_t i = 0; i < list->run_count; ++i) {
      runs.push_back({list->runs[i].start, list->runs[i].length});
    }
  }
  node->setfile(record.file_start, record.file_len, node->nodeName, std::move(runs));
  return node;
}

std::string PRRawScan::fileTypeOf(std::string_view proposedName) {
  std::string extension;
  if (FieldConversions::getSuffix(proposedName, extension) < 0) extension.clear();
  // Formats the engine finds that the general type lists do not hold:
  // today's phone pictures, camera raw files and camcorder video.
  static constexpr std::pair<std::string_view, std::string_view> kEngineTypes[] = {
      {"heic", "Image"}, {"heif", "Image"}, {"avif", "Image"},
      {"cr3", "Image"},  {"rw2", "Image"},  {"mts", "Video"},
  };
  for (const auto& [known, type] : kEngineTypes) {
    if (extension.size() == known.size() &&
        std::equal(known.begin(), known.end(), extension.begin(), [](char a, char b) {
          return a == std::tolower(static_cast<unsigned char>(b));
        })) {
      return std::string(type);
    }
  }
  if (FieldConversions::GetImageType(extension) >= 0) return "Image";
  if (FieldConversions::GetViedoType(extension) >= 0) return "Video";
  if (FieldConversions::GetAudioType(extension) >= 0) return "Audio";
  if (FieldConversions::GetArchiveType(extension) >= 0) return "Archive";
  return "Document";
}

std::optional<std::int64_t> PRRawScan::progressPercent(const _progressParm_t& progress) {
  const std::uint64_t done = progress.done;
  const std::uint64_t total = progress.total;
  if (total == 0) return std::nullopt;
  if (done >= total) return 100;
  // done < total here; past 2^64 / 100 bytes the product would overflow
  const std::uint64_t percent =
      done <= UINT64_MAX / 100 ? 100 * done / total : done / (total / 100);
  return static_cast<std::int64_t>(percent);
}

}  // namespace orvane
