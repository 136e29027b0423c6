// IPD files and per-database files of any bytes: the IPD reader, the
// Windows per-database reader and every decoder must end cleanly, read
// nothing outside the input and allocate no more than the input warrants.
//
// The first byte also picks a decoder that gets the rest as one record's
// field area, so the decoders are reached without a valid container.
//
// Both readers also read the input from a file through a window of a few
// bytes (the size picked by the input), which must post exactly what the
// reading in memory posted and end with the same damage.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "blackberry/file_window.h"
#include "blackberry/ipd_reader.h"
#include "blackberry/record_decoders.h"
#include "blackberry/win_backup_reader.h"
#include "core/content_ref.h"
#include "core/event_names.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/temp_folder.h"

namespace {

// Reads every field of every posted record, as the results model and the
// exporters would.
class Toucher final : public orvane::FieldVisitor {
 public:
  std::size_t total = 0;
  void text(std::string_view, std::string_view value) override { total += value.size(); }
  void optionalText(std::string_view, const std::optional<std::string>& value) override {
    if (value) total += value->size();
  }
  void number(std::string_view, std::int64_t value) override { total += value != 0; }
  void unsignedNumber(std::string_view, std::uint64_t value) override { total += value != 0; }
  void bytes(std::string_view, std::optional<orvane::ByteView> value) override {
    if (value && !value->empty()) total += value->front() + value->back();
  }
  // Content is read back from the source as an export would read it: its
  // runs must lie inside the input.
  void content(std::string_view, const orvane::ContentRef& value) override {
    std::vector<std::uint8_t> bytes;
    std::string problem;
    if (!value.readAll(bytes, problem)) std::abort();
    if (!bytes.empty()) total += bytes.front() + bytes.back();
  }
};

std::unique_ptr<orvane::FileWindow> windowOver(std::span<const std::uint8_t> input) {
  static const orvane::TempFolder folder("orvane-ipd-fuzz-");
  const auto path = folder.path() / "input.ipd";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!input.empty() && std::fwrite(input.data(), 1, input.size(), file) != input.size()) {
    std::abort();
  }
  std::fclose(file);
  std::string problem;
  // from a window smaller than a record header to one larger than most inputs
  const std::size_t windowBytes = input.empty() ? 1 : 1 + input.back() % 97;
  auto window = orvane::FileWindow::open(path, problem, windowBytes);
  if (!window) std::abort();
  return window;
}

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
  IpdReader inMemory(nc, lists);
  inMemory.scanBytes(input);
  const std::size_t postedInMemory = toucher.total;
  toucher.total = 0;
  PerScanLists windowLists;
  IpdReader throughWindow(nc, windowLists);
  throughWindow.scanFile(*windowOver(input));
  if (toucher.total != postedInMemory || throughWindow.damage().text != inMemory.damage().text ||
      throughWindow.bbOffSet != inMemory.bbOffSet) {
    std::abort();
  }

  toucher.total = 0;
  WinBackupReader databaseInMemory(nc);
  databaseInMemory.scanDatabaseBytes(input);
  const std::size_t databasePostedInMemory = toucher.total;
  toucher.total = 0;
  WinBackupReader databaseThroughWindow(nc);
  databaseThroughWindow.scanDatabaseFile(*windowOver(input));
  if (toucher.total != databasePostedInMemory ||
      databaseThroughWindow.damageNotes() != databaseInMemory.damageNotes()) {
    std::abort();
  }
  if (!input.empty()) {
    const auto database = static_cast<BlackBerryDatabase>(input[0] % 7);
    BlackBerryDecoders decoders(nc);
    decoders.useSource(std::make_shared<BytesContentSource>(
        std::vector<std::uint8_t>(input.begin() + 1, input.end()), "field area"));
    decoders.decode(database, input.subspan(1), 0);
  }
  return 0;
}
