// Column sorting of the results tables and the size-text reader.

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <ctime>
#include <optional>

#include "core/blackberry_records.h"
#include "core/ios_records.h"
#include "results/category_traits.h"
#include "results/result_model_state.h"
#include "results/result_view_controller.h"

namespace orvane {

namespace {

// Shared by every table, as the headers that use them are: a click flips
// the flag, and the flag after the flip decides the direction (1 ascending).
std::atomic<bool> nameFlag{false};
std::atomic<bool> sizeFlag{false};
std::atomic<bool> dateFlag{false};

// "12.jpg" -> 12: the leading digits of the name without its extension.
std::uint64_t leadingNumber(const std::string& fileName) {
  std::uint64_t value = 0;
  const std::string stem = fileName.substr(0, fileName.rfind('.'));
  std::from_chars(stem.data(), stem.data() + stem.size(), value);
  return value;
}

// A view of the record's own text, not a copy: sorting a long list
// compares often.
std::optional<std::string_view> nameText(const PRRecord& r) {
  if (const auto* c = dynamic_cast<const PRContactNode*>(&r)) return c->contactName;
  if (const auto* m = dynamic_cast<const PRMessageNode*>(&r)) return m->messageName;
  if (const auto* h = dynamic_cast<const PRCallHistoryNode*>(&r)) return h->callName;
  if (const auto* c = dynamic_cast<const PRBlackBerryContactNode*>(&r)) return c->contactName;
  if (const auto* s = dynamic_cast<const PRBlackBerrySMSMessageNode*>(&r)) return s->numberString;
  if (const auto* h = dynamic_cast<const PRBlackBerryCallNode*>(&r)) return h->CallName;
  if (const auto* f = dynamic_cast<const PRBlackBerryContentNode*>(&r)) return f->filePathName;
  return std::nullopt;
}

std::optional<std::uint64_t> sizeOf(const PRRecord& r) {
  if (const auto* p = dynamic_cast<const PRPhotoAndVideoNode*>(&r)) {
    return PRResultViewController::sizeFormString(p->fileNodeSize);
  }
  if (const auto* f = dynamic_cast<const PRBlackBerryContentNode*>(&r)) return f->fileSize;
  return std::nullopt;
}

// Call dates are "MM-DD-YYYY HH:MM"; a text that is no such date sorts
// after every real date.
std::optional<std::int64_t> callDateKey(const PRRecord& r) {
  const auto* call = dynamic_cast<const PRCallHistoryNode*>(&r);
  if (call == nullptr) return std::nullopt;
  int month = 0, day = 0, year = 0, hour = 0, minute = 0;
  if (std::sscanf(call->callDate.c_str(), "%d-%d-%d %d:%d", &month, &day, &year, &hour, &minute) !=
      5) {
    return std::nullopt;
  }
  return ((((std::int64_t{year} * 13 + month) * 32 + day) * 24 + hour) * 60) + minute;
}

// What a record sorts by, read once per record: a long list is compared
// millions of times, and finding the field costs more than comparing it.
struct SortValue {
  enum class Kind { none, number, text };
  Kind kind = Kind::none;
  std::int64_t number = 0;
  std::string_view text;
};

SortValue valueOf(SortKey key, const PRRecord& r) {
  SortValue value;
  if (key == SortKey::name) {
    if (const auto* photo = dynamic_cast<const PRPhotoAndVideoNode*>(&r)) {
      value.kind = SortValue::Kind::number;
      value.number = static_cast<std::int64_t>(leadingNumber(photo->fileNodeName));
    } else if (const auto text = nameText(r)) {
      value.kind = SortValue::Kind::text;
      value.text = *text;
    }
  } else if (key == SortKey::size) {
    if (const auto size = sizeOf(r)) {
      value.kind = SortValue::Kind::number;
      value.number = static_cast<std::int64_t>(std::min<std::uint64_t>(*size, INT64_MAX));
    }
  } else if (const auto date = callDateKey(r)) {
    value.kind = SortValue::Kind::number;
    value.number = *date;
  }
  return value;
}

// -1, 0 or 1. Names and sizes of records without them compare equal; a
// call without a readable date sorts after the others.
int compareValues(SortKey key, const SortValue& a, const SortValue& b) {
  if (a.kind != b.kind || a.kind == SortValue::Kind::none) {
    if (key != SortKey::date || a.kind == b.kind) return 0;
    return a.kind == SortValue::Kind::none ? 1 : -1;
  }
  if (a.kind == SortValue::Kind::number) {
    return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
  }
  const int order = a.text.compare(b.text);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

SortKey keyForClick(ResultTable table, std::string_view column) {
  if (column == "bSelected") return SortKey::none;
  const HeaderSort& sort = categoryTraits(table).sort;
  if (column == "Name") return sort.onName;
  if (column == "Size") return sort.onSize;
  return sort.onOther;
}

}  // namespace

void PRResultViewController::didClickTableColumn(ResultTable table,
                                                 std::string_view columnIdentifier) {
  const SortKey key = keyForClick(table, columnIdentifier);
  if (key == SortKey::none) return;
  std::atomic<bool>& flag =
      key == SortKey::name ? nameFlag : (key == SortKey::size ? sizeFlag : dateFlag);
  const bool ascending = !flag.load();
  flag = ascending;
  {
    std::lock_guard lock(mutex_);
    auto& shown = lists_->shown(table);
    std::vector<std::pair<SortValue, RecordPtr>> keyed;
    keyed.reserve(shown.size());
    for (auto& record : shown) keyed.emplace_back(valueOf(key, *record), std::move(record));
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
      const int order = compareValues(key, a.first, b.first);
      return ascending ? order < 0 : order > 0;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) shown[i] = std::move(keyed[i].second);
  }
  if (observer_ != nullptr) observer_->displayListChanged(table);
}

std::uint64_t PRResultViewController::sizeFormString(std::string_view sizeText) {
  if (sizeText.empty()) return 0;
  const char unit = sizeText.back();
  const std::string number(sizeText.substr(0, sizeText.size() - 1));
  const double value = std::strtod(number.c_str(), nullptr);
  double scale = 1000.0 * 1000.0 * 1000.0 * 1000.0;
  if (unit == 'B') scale = 1;
  if (unit == 'K') scale = 1000.0;
  if (unit == 'M') scale = 1000.0 * 1000.0;
  if (unit == 'G') scale = 1000.0 * 1000.0 * 1000.0;
  const double product = value * scale;
  if (!(product > 0)) return 0;
  if (product >= 18446744073709551615.0) return UINT64_MAX;
  return static_cast<std::uint64_t>(product);
}

}  // namespace orvane
