#pragma once

// An engine table that lives in the test process: disks and partitions as
// the test lists them, a scan that plays back reports, and reads and copies
// from an in-memory device.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine/engine_abi.h"

namespace orvane::testing {

struct FakePartition {
  std::int32_t number = 1;
  std::optional<std::string> fileSystem;
};

struct FoundReport {
  std::uint64_t start = 0;
  std::uint32_t length = 0;
  std::string name;
};

struct ProgressReport {
  std::uint64_t done = 0;
  std::uint64_t total = 0;
};

using EngineReport = std::variant<FoundReport, ProgressReport>;

// One at a time: the table's plain functions reach the fake made last.
class FakeEngine {
 public:
  FakeEngine();
  ~FakeEngine();
  FakeEngine(const FakeEngine&) = delete;
  FakeEngine& operator=(const FakeEngine&) = delete;

  void addDisk(std::string name, std::uint64_t sizeBytes,
               std::vector<FakePartition> partitions = {});
  list_disk_struct* disk(std::size_t index) const;

  // The table with every slot the application calls; tests clear slots.
  bb_export_table table{};

  std::vector<EngineReport> reports;  // played back in order
  int scanAnswer = 0;
  // When set, the scan waits inside the engine call until a stop, like a
  // long scan of a real card.
  bool holdScan = false;
  void waitUntilScanning();
  std::vector<std::string> scans;  // "device partition", one per call
  std::atomic<int> stopCalls{0};

  std::vector<std::uint8_t> deviceBytes;
  std::vector<list_disk_struct*> readDisks;     // the disk each read was given
  std::vector<list_disk_struct*> recoverDisks;  // the disk each copy was given

 private:
  std::vector<std::unique_ptr<list_disk_struct>> disks_;
  std::size_t nextDisk_ = 0;
  list_disk_struct* listedDisk_ = nullptr;
  std::size_t nextPartition_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool scanning_ = false;
};

}  // namespace orvane::testing
