#include "carving/carver_run.h"

#include "core/conversions.h"
#include "core/event_names.h"
#include "ios/phone_name_index.h"

namespace orvane::carving {

CarverRun::CarverRun(ScanContext& ctx, std::filesystem::path folder,
                     PrivateCopy::PlainFile plainFile)
    : ctx_(ctx), folder_(std::move(folder)), plainFile_(std::move(plainFile)) {}

CarverRun::~CarverRun() = default;

void CarverRun::post(const char* eventName, RecordPtr record) {
  ctx_.nc.postNotificationName(eventName, EventObject(std::move(record)));
}

void CarverRun::progress(std::int64_t value) {
  ctx_.nc.postNotificationName(events::ScanProgressInfo, EventObject(value));
}

std::optional<std::string> CarverRun::nameOf(std::string_view phoneNumber) {
  const auto& contacts = ctx_.lists.contactArray;
  if (!names_ || namesIndexed_ != contacts.size()) {
    names_ = std::make_unique<PhoneNameIndex>(contacts);
    namesIndexed_ = contacts.size();
  }
  if (const auto name = names_->nameOf(phoneNumber)) return std::string(*name);
  return std::nullopt;
}

void forEachRow(sqlite3* db, const char* sql, const std::function<void(sqlite3_stmt*)>& row) {
  if (db == nullptr) return;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return;
  }
  while (sqlite3_step(stmt) == SQLITE_ROW) row(stmt);
  sqlite3_finalize(stmt);
}

std::string cellText(sqlite3_stmt* stmt, int column) {
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  const int length = sqlite3_column_bytes(stmt, column);
  if (bytes == nullptr || length <= 0) return {};
  return FieldConversions::GetStringFormChar(
      std::string_view(bytes, static_cast<std::size_t>(length)));
}

}  // namespace orvane::carving
