// IPD files and per-database files of any bytes: the IPD reader, the
// Windows per-database reader and every decoder must end cleanly, read
// nothing outside the input and allocate no more than the input warrants.
//
// The first byte also picks a decoder that gets the rest as one record's
// field area, so the decoders are reached without a valid container.

#include <cstddef>
#include <cstdint>
#include <span>

#include "blackberry/ipd_reader.h"
#include "blackberry/record_decoders.h"
#include "blackberry/win_backup_reader.h"
#include "core/event_names.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"

namespace {

// Reads every field of every posted record, as the results model and the
// exporters would.
class Toucher final : public orvane::FieldVisitor {
 public:
  std::size_t total = 0;
  void text(std::string_view, const std::string& value) override { total += value.size(); }
  void optionalText(std::string_view, const std::optional<std::string>& value) override {
    if (value) total += value->size();
  }
  void number(std::string_view, std::int64_t value) override { total += value != 0; }
  void unsignedNumber(std::string_view, std::uint64_t value) override { total += value != 0; }
  void bytes(std::string_view, const std::optional<orvane::Bytes>& value) override {
    if (value && !value->empty()) total += value->front() + value->back();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvane;
  const std::span<const std::uint8_t> input(data, size);
  NotificationCenter nc;
  Toucher toucher;
  for (const char* name : {events::BlacBerryContactInfo, events::BlacBerryCallLogInfo,
                           events::BlackBerrySMSMessageInfo, events::BlackBerryMMSMessageInfo,
                           events::BlackBerryNoteInfo, events::BlackBerryCalenderInfo,
                           events::BlackBerryContentStoreInfo}) {
    nc.addObserver(name, [&toucher](const EventObject& object) {
      if (const auto* record = std::get_if<RecordPtr>(&object)) (*record)->visitFields(toucher);
    });
  }

  PerScanLists lists;
  IpdReader(nc, lists).scanBytes(input);
  WinBackupReader(nc).scanDatabaseBytes(input);
  if (!input.empty()) {
    const auto database = static_cast<BlackBerryDatabase>(input[0] % 7);
    BlackBerryDecoders(nc).decode(database, input.subspan(1));
  }
  return 0;
}
