#pragma once

// Device backup folders of iOS 4, 5 and 6 whose databases have the tables
// of real devices, column by column, written through the SQLite library.
// Deletions keep their bytes (secure_delete off); in log mode what came
// before the first deletion is checkpointed into the main file, the rest
// stays in the log, written as the backup file of its own name.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvane::fixtures {

enum class LegacyIos { ios4, ios5, ios6 };
enum class Journal { rollback, writeAheadLog };
enum class Store { addressBook, messages, notes, calls, bookmarks, calendar };

struct LegacyPerson {
  std::string first{};
  std::string middle{};
  std::string last{};
  std::string organization{};
  std::string note{};
  std::vector<std::string> phones{};
  std::vector<std::string> emails{};
  bool unsorted = false;  // a name without sort sections (CJK)
};

struct LegacyMessage {
  std::string text{};
  std::string address{};
  std::int64_t date = 0;  // as stored: 1970 for SMS before iOS 6, else 2001
  bool fromMe = false;
  bool iMessage = false;
  // iOS 6: the text kept only in the attributed body, the text column NULL
  bool textInAttributedBody = false;
};

struct LegacyNote {
  std::string title{};
  std::string body{};
  double modified = 0;  // seconds from 2001
};

struct LegacyEvent {
  std::string title{};
  std::string description{};
  std::string location{};
  double start = 0;  // seconds from 2001
  double end = 0;
};

class LegacyBackupWriter {
 public:
  LegacyBackupWriter(std::filesystem::path folder, LegacyIos ios, Journal journal);
  ~LegacyBackupWriter();
  LegacyBackupWriter(const LegacyBackupWriter&) = delete;
  LegacyBackupWriter& operator=(const LegacyBackupWriter&) = delete;

  // Each answers the new row's ROWID.
  std::int64_t person(const LegacyPerson& person);
  std::int64_t message(const LegacyMessage& message);
  std::int64_t call(const std::string& address, std::int64_t date, std::int64_t duration,
                    int flags);
  std::int64_t note(const LegacyNote& note);
  std::int64_t event(const LegacyEvent& event);
  std::int64_t bookmark(const std::string& title, const std::string& url);

  // Runs statements that delete; in log mode the first of them on a store
  // checkpoints what came before into the main file.
  void deleteRows(Store store, const std::string& sql);
  sqlite3* db(Store store);

  // Closes the databases and writes the plists and the manifest.
  void write();
  std::filesystem::path pathOf(Store store) const;
  std::filesystem::path logPathOf(Store store) const;

 private:
  std::filesystem::path folder_;
  LegacyIos ios_;
  Journal journal_;
  std::map<Store, sqlite3*> open_;
  std::map<Store, bool> checkpointed_;
  std::map<std::string, std::int64_t> handles_;
  std::int64_t nextGuid_ = 1;
  std::int64_t nextOrder_ = 1;  // a folder's bookmarks in order
};

}  // namespace orvane::fixtures
