#pragma once

// What one carver run holds: the scan it reports to, the backup folder,
// the contact names for phone numbers, and a way to ask the folded copy
// for its live rows.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "carving/private_copy.h"
#include "core/backup_source.h"
#include "core/record.h"

namespace orvane {
class PhoneNameIndex;
}

namespace orvane::carving {

class CarverRun {
 public:
  CarverRun(ScanContext& ctx, std::filesystem::path folder, PrivateCopy::PlainFile plainFile = {});
  ~CarverRun();
  CarverRun(const CarverRun&) = delete;
  CarverRun& operator=(const CarverRun&) = delete;

  ScanContext& ctx() const { return ctx_; }
  const std::filesystem::path& folder() const { return folder_; }
  // The private copy of the first of these databases the backup holds,
  // read in plain (decrypted) form.
  std::optional<PrivateCopy> privateCopy(
      std::initializer_list<std::string_view> hashedNames) const {
    return PrivateCopy::make(folder_, hashedNames, ctx_.tempFolder, plainFile_);
  }
  void post(const char* eventName, RecordPtr record);
  void progress(std::int64_t value);
  // The live contacts' name for a phone number.
  std::optional<std::string> nameOf(std::string_view phoneNumber);

 private:
  ScanContext& ctx_;
  std::filesystem::path folder_;
  PrivateCopy::PlainFile plainFile_;
  std::unique_ptr<PhoneNameIndex> names_;
  std::size_t namesIndexed_ = 0;
};

// Runs `sql` on a folded copy and hands over each row; nothing when the
// statement cannot be prepared (a table the copy does not have).
void forEachRow(sqlite3* db, const char* sql, const std::function<void(sqlite3_stmt*)>& row);

// A text cell as the live readers decode it; empty for NULL.
std::string cellText(sqlite3_stmt* stmt, int column);

// The phone-number guess for a person without one: what follows `name`
// (compared without regard to case) in the text of the address book's last
// page, up to and with the next space, when that is at most 20 characters.
std::optional<std::string> getNextSubStringInString(std::string_view pageText,
                                                    std::string_view name);

// The six carvers, each reading its database from the backup folder.
void scanDelContactThread(CarverRun& run);
void scanDelMessageThread(CarverRun& run);
void scanDelNoteThread(CarverRun& run);
void scanDelCallHistoryThread(CarverRun& run);
void scanDelBookMarkThread(CarverRun& run);
void scanDelCalenderThread(CarverRun& run);

// The Core Data stores of today's systems, carved by their tables' shapes
// within the calls' and the notes' carver; false when the store is not in
// the backup or the scan was stopped.
bool scanDelCallRecords(CarverRun& run);
bool scanDelNoteStore(CarverRun& run);

}  // namespace orvane::carving
