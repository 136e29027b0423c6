#pragma once

// The memory-card scan: hands the chosen disk or partition to the engine on
// a thread of its own, turns each file the engine reports into a found-file
// record posted to the results view, and each progress report into a
// percentage.
//
// The thread is joinable and owned by the scan object (not detached): the
// command line waits for it, and a scan object that goes stops the engine
// and waits, so no thread outlives what it reports to. The end of a scan
// runs on the main thread while the scan thread waits for it, so the
// desktop app keeps one scan object for its life and lets it go only after
// its event loop has ended.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "core/app_delegate.h"
#include "core/scan_list_node.h"
#include "engine/engine_abi.h"
#include "rawscan/disk_info_node.h"
#include "rawscan/engine_file_copier.h"
#include "rawscan/raw_engine.h"

namespace orvane {

enum class RawScanResult {
  finished,       // the engine read to the end
  stopped,        // the engine was stopped
  unreadable,     // the engine could not open the device or partition
  noEngine,       // no engine, or one without a scan operation
  nothingChosen,  // no row was chosen
};

class PRRawScan {
 public:
  // Reports of files longer than this (200 MiB) are dropped.
  static constexpr std::uint32_t kLargestFoundFile = 209715200;

  PRRawScan(CorvelAppDelegate& app, RawEngine& engine);
  ~PRRawScan();
  PRRawScan(const PRRawScan&) = delete;
  PRRawScan& operator=(const PRRawScan&) = delete;

  // Starts the scan of `node` (a disk or partition row; none finds nothing)
  // and returns at once. False, and nothing started, while a raw scan is
  // running anywhere in this process: the engine's callbacks carry no
  // context, so they can reach only one scan.
  bool QuickScanStart(DiskRow node);
  // Waits until the scan started last has ended, the end-of-scan sequence
  // included.
  void waitForScan();
  RawScanResult lastResult() const { return lastResult_; }
  // Asks the engine to end the running scan; its thread then finishes.
  void stop() const { engine_.stopScan(); }

  // The disk or image of the scan started last (its device name); empty
  // before any scan.
  std::string scannedDisk() const;
  // Has the engine copy files found by the scan started last.
  EngineFileCopier copier() const { return EngineFileCopier(engine_, scannedDisk()); }
  const RawEngine& engine() const { return engine_; }

  // The scan thread's body: the engine's scan call, then the end of the scan.
  void RawScanThreaderHandle(const DiskRow& node);

  // A file the engine reports: classified and posted as a found-file record.
  void m_finded(const _rec_file_ele& record);
  // A progress report: posted as a percentage of the work done.
  void m_progress(const _progressParm_t& progress);

  // The record a report becomes; none for an empty or over-large file.
  static std::shared_ptr<PRScanListNode> foundFileNode(const _rec_file_ele& record);
  // "Image", "Video", "Audio", "Archive" or "Document" by the extension of
  // the proposed name; the e-mail and document lists are not consulted.
  static std::string fileTypeOf(std::string_view proposedName);
  // 100 * done / total, truncated; none when the total is 0.
  static std::optional<std::int64_t> progressPercent(const _progressParm_t& progress);

 private:
  void finishThread();

  CorvelAppDelegate& app_;
  RawEngine& engine_;
  mutable std::mutex diskMutex_;
  std::string scannedDisk_;
  std::thread thread_;
  std::atomic<RawScanResult> lastResult_{RawScanResult::finished};
};

}  // namespace orvane
