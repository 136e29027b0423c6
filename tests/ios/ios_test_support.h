#pragma once

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/backup_source.h"
#include "core/ios_records.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/temp_folder.h"
#include "fixtures/ios_backup_writer.h"
#include "fixtures/scratch_folder.h"
#include "ios/ios_backup_scanner.h"
#include "ios/ios_backup_source.h"

namespace orvane::testing {

// Everything one scan posted, in posting order.
struct Posted {
  std::map<std::string, std::vector<RecordPtr>> records;
  std::vector<std::int64_t> progress;
  std::vector<std::string> paths;

  // how many records each event carried
  std::map<std::string, std::size_t> counts() const {
    std::map<std::string, std::size_t> counts;
    for (const auto& [event, list] : records) counts[event] = list.size();
    return counts;
  }

  template <class T>
  std::vector<std::shared_ptr<T>> all(const std::string& eventName) const {
    std::vector<std::shared_ptr<T>> typed;
    const auto it = records.find(eventName);
    if (it == records.end()) return typed;
    for (const auto& record : it->second) typed.push_back(std::dynamic_pointer_cast<T>(record));
    return typed;
  }
};

// A scan context with a collector on every event the device steps post.
class IosScanBench {
 public:
  IosScanBench() : context_{nc, lists, temp.path()} {
    for (const char* name :
         {"ScanProgressInfo", "ScanPhotoAndVideo", "ScanPhotoAndVideoInfo", "ScanContactInfo",
          "ScanMessageInfo", "ScanCallHistoryInfo", "ScanNoteInfo", "scanBookMarkInfo",
          "scanCalenderInfo", "scanFaceTwitterInfo"}) {
      nc.addObserver(name, [this, name = std::string(name)](const EventObject& object) {
        if (const auto* record = std::get_if<RecordPtr>(&object)) {
          posted.records[name].push_back(*record);
        } else if (const auto* number = std::get_if<std::int64_t>(&object)) {
          posted.progress.push_back(*number);
        } else if (const auto* path = std::get_if<std::string>(&object)) {
          posted.paths.push_back(*path);
        }
      });
    }
  }

  ScanContext& context() { return context_; }
  PRIOSBackupScanner scanner(std::uint8_t iOS6 = 0) { return PRIOSBackupScanner(context_, iOS6); }
  ScanOutcome scanWhole(const std::filesystem::path& folder) {
    return makeIosBackupSource()->scan(folder, context_);
  }

  NotificationCenter nc;
  PerScanLists lists;
  TempFolder temp{"orvane-ios-test-"};
  Posted posted;

 private:
  ScanContext context_;
};

// The fields of one record joined with "|", to compare whole rows at once.
template <class... Fields>
std::string row(const Fields&... fields) {
  std::ostringstream out;
  ((out << fields << '|'), ...);
  std::string text = out.str();
  text.pop_back();
  return text;
}

// Every record posted under `eventName`, each made a row by `describe`.
template <class T, class Describe>
std::vector<std::string> rows(const Posted& posted, const std::string& eventName,
                              Describe describe) {
  std::vector<std::string> texts;
  for (const auto& record : posted.all<T>(eventName)) texts.push_back(describe(*record));
  return texts;
}

inline std::filesystem::path backupIn(const fixtures::ScratchFolder& scratch) {
  return scratch / "0123456789abcdef0123456789abcdef01234567";
}

// A backup folder to write, in a scratch folder of its own. Dates are read
// in UTC.
struct Backup {
  explicit Backup(fixtures::IosLayout layout,
                  fixtures::Journal journal = fixtures::Journal::rollback)
      : writer(folder, layout, journal) {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  fixtures::ScratchFolder scratch;
  std::filesystem::path folder = backupIn(scratch);
  fixtures::IosBackupWriter writer;
};

}  // namespace orvane::testing
