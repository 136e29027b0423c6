#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/backup_source.h"
#include "core/conversions.h"
#include "core/main_thread_dispatcher.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/temp_folder.h"

namespace orvane {

// Told when a scan is over; the results model is the one listener.
class ScanEndListener {
 public:
  virtual ~ScanEndListener() = default;
  // Callable from any thread; returns after the finish ran on the main thread.
  virtual void ScanThreadFinish() = 0;
};

// The application's one controller: owns the event channel, the per-scan
// lists and the engine, and starts every backup scan on its worker thread.
class CorvelAppDelegate : public FieldConversions {
 public:
  explicit CorvelAppDelegate(MainThreadDispatcher& mainThread);
  ~CorvelAppDelegate();
  CorvelAppDelegate(const CorvelAppDelegate&) = delete;
  CorvelAppDelegate& operator=(const CorvelAppDelegate&) = delete;

  // The process-wide controller: the first one made, until it goes.
  static CorvelAppDelegate* GetAppControllor();

  NotificationCenter nc;
  MainThreadDispatcher& mainThread() { return mainThread_; }

  // Readers of backup kinds, asked in the order they were added.
  void addBackupSource(std::unique_ptr<BackupSource> source);
  void setScanEndListener(ScanEndListener* listener) { scanEndListener_ = listener; }

  // Starts the scan worker on `path`; false when a scan is still running.
  bool ScanIOSBackFile(const std::string& path);
  // Waits for the worker started last, if any.
  void waitForScanWorker();
  // The worker's body: dispatch to the source that reads `path`, then end
  // the scan and drop the per-scan lists.
  // `charset` is the scan's textCharset, taken when the scan started.
  void ScanIOSBackUpFilehand(const std::string& path, const std::string& charset = {});
  void removeSomeArray();
  // Tells the results model that the scan is over.
  void ScanThreadFinish();
  // Removes the scan's private temporary folder and nothing else.
  void removeScanTemporaryFiles();
  ScanOutcome lastScanOutcome() const;

  std::shared_ptr<PerScanLists> scanLists() const;

  // The name of the first contact of the per-scan contact list whose phone
  // text holds the number, ignoring "-", "(", ")" and " ".
  std::optional<std::string> getNameByPhoneNumber(std::string_view phoneNumber) const;

  // Asks the running scan to stop: its reader ends at the next record or
  // page and the scan finishes with what was found. A new scan clears it.
  void requestStop() { stopRequested_ = true; }
  bool stopRequested() const { return stopRequested_; }

  std::optional<std::string> bbbackUpFilepath;
  // Handed to each scan started after it is set (ScanContext::textCharset).
  std::string textCharset;
  std::uint8_t currentNodeIsiOS6Version = 0;

 private:
  MainThreadDispatcher& mainThread_;
  std::vector<std::unique_ptr<BackupSource>> sources_;
  ScanEndListener* scanEndListener_ = nullptr;

  mutable std::mutex scanMutex_;
  std::thread scanBackFileThreader_;
  std::atomic<bool> scanRunning_{false};
  std::shared_ptr<PerScanLists> scanLists_;
  std::shared_ptr<TempFolder> scanTempFolder_;
  ScanOutcome lastScanOutcome_;
  std::atomic<bool> stopRequested_{false};
};

}  // namespace orvane
