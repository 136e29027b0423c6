#pragma once

// Shared by the BlackBerry suites: an event collector, scanning helpers and
// a field-area builder.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "blackberry/blackberry_source.h"
#include "blackberry/ipd_reader.h"
#include "blackberry/record_decoders.h"
#include "core/blackberry_records.h"
#include "core/event_names.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/record_dump.h"
#include "core/temp_folder.h"
#include "fixtures/ipd_writer.h"

namespace orvane::testing {

using fixtures::Bytes;
using fixtures::Field;
using fixtures::fieldArea;
using fixtures::IpdWriter;

struct PostedEvent {
  std::string name;
  EventObject object;
};

// Records every BlackBerry record event and progress number, in posting order.
class EventCollector {
 public:
  explicit EventCollector(NotificationCenter& nc) : nc_(nc) {
    for (const char* name :
         {events::BlacBerryContactInfo, events::BlacBerryCallLogInfo,
          events::BlackBerrySMSMessageInfo, events::BlackBerryMMSMessageInfo,
          events::BlackBerryNoteInfo, events::BlackBerryCalenderInfo,
          events::BlackBerryContentStoreInfo, events::BlackBerryRawRecoveryProgress}) {
      tokens_.push_back(nc_.addObserver(name, [this, name](const EventObject& object) {
        events.push_back({name, object});
      }));
    }
  }
  ~EventCollector() {
    for (auto token : tokens_) nc_.removeObserver(token);
  }
  EventCollector(const EventCollector&) = delete;
  EventCollector& operator=(const EventCollector&) = delete;

  template <class T>
  std::vector<std::shared_ptr<T>> records() const {
    std::vector<std::shared_ptr<T>> found;
    for (const auto& e : events) {
      if (const auto* record = std::get_if<RecordPtr>(&e.object)) {
        if (auto typed = std::dynamic_pointer_cast<T>(*record)) found.push_back(typed);
      }
    }
    return found;
  }

  std::vector<std::int64_t> progress() const {
    std::vector<std::int64_t> numbers;
    for (const auto& e : events) {
      if (e.name == events::BlackBerryRawRecoveryProgress) {
        numbers.push_back(std::get<std::int64_t>(e.object));
      }
    }
    return numbers;
  }

  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (const auto& e : events) all.push_back(e.name);
    return all;
  }

  std::vector<PostedEvent> events;

 private:
  NotificationCenter& nc_;
  std::vector<NotificationCenter::Token> tokens_;
};

// What one scan touched and posted.
struct Scan {
  NotificationCenter nc;
  PerScanLists lists;
  EventCollector collector{nc};
  ScanOutcome outcome;
};

// One IPD reading with everything it touched.
struct IpdScan : Scan {
  IpdReader reader{nc, lists};
};

inline std::unique_ptr<IpdScan> scanIpd(const Bytes& file) {
  auto scan = std::make_unique<IpdScan>();
  scan->outcome = scan->reader.scanBytes(file);
  return scan;
}

// Scans a file as the app does, choosing the reader by the file; archives
// unpack into `scanFolder`.
inline std::unique_ptr<Scan> scanSource(const std::filesystem::path& path,
                                        const std::shared_ptr<const TempFolder>& scanFolder) {
  auto scan = std::make_unique<Scan>();
  ScanContext context{scan->nc, scan->lists, scanFolder->path(), scanFolder};
  scan->outcome = makeBlackBerrySource()->scan(path, context);
  return scan;
}

// Decodes one field area, read from a file that holds just the area, with
// this legacy text charset, and answers every record of class T it posted
// (content at its place in a real file is the reader and export tests').
template <class T>
std::vector<std::shared_ptr<T>> decodeAll(BlackBerryDatabase database, const Bytes& area,
                                          const std::string& charset = "") {
  NotificationCenter nc;
  EventCollector collector(nc);
  BlackBerryDecoders decoders(nc);
  decoders.useSource(std::make_shared<BytesContentSource>(area, "test file"));
  decoders.useTextCharset(charset);
  decoders.decode(database, area, 0);
  return collector.records<T>();
}

// The one record that decoding these fields posts.
template <class T>
T decodeOne(BlackBerryDatabase database, const std::vector<Field>& fields,
            const std::string& charset = "") {
  const auto records = decodeAll<T>(database, fixtures::fieldArea(fields), charset);
  if (records.size() != 1) throw std::runtime_error("expected exactly one record");
  return *records.front();
}

inline Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace orvane::testing
