#include "carving/legacy_backup_writer.h"

#include <cstdio>
#include <stdexcept>

#include "fixtures/ios_backup_writer.h"
#include "fixtures/scratch_folder.h"
#include "ios/backup_file_name.h"

namespace orvane::fixtures {

namespace {

constexpr const char* kAddressBook =
    "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, "
    "Middle TEXT, FirstPhonetic TEXT, MiddlePhonetic TEXT, LastPhonetic TEXT, Organization TEXT, "
    "Department TEXT, Note TEXT, Kind INTEGER, Birthday TEXT, JobTitle TEXT, Nickname TEXT, "
    "Prefix TEXT, Suffix TEXT, FirstSort TEXT, LastSort TEXT, CreationDate INTEGER, "
    "ModificationDate INTEGER, CompositeNameFallback TEXT, ExternalIdentifier TEXT, "
    "ExternalModificationTag TEXT, ExternalUUID TEXT, StoreID INTEGER, DisplayName TEXT, "
    "ExternalRepresentation BLOB, FirstSortSection TEXT, LastSortSection TEXT, "
    "FirstSortLanguageIndex INTEGER DEFAULT 2147483647, LastSortLanguageIndex INTEGER DEFAULT "
    "2147483647, PersonLink INTEGER DEFAULT -1, ImageURI TEXT, IsPreferredName INTEGER DEFAULT 1);"
    "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, "
    "identifier INTEGER, label INTEGER, value TEXT);"
    "CREATE INDEX ABMultiValueRecordIDIndex on ABMultiValue(record_id);"
    "CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value));"
    "INSERT INTO ABMultiValueLabel VALUES ('_$!<Mobile>!$_'), ('_$!<Home>!$_');";

constexpr const char* kMessageColumnsIos4 =
    "ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER, text TEXT, flags "
    "INTEGER, replace INTEGER, svc_center TEXT, group_id INTEGER, association_id INTEGER, height "
    "INTEGER, UIFlags INTEGER, version INTEGER, subject TEXT, country TEXT, headers BLOB, "
    "recipients BLOB, read INTEGER";
constexpr const char* kMadridColumns =
    ", madrid_attributedBody BLOB, madrid_handle TEXT, madrid_version INTEGER, madrid_guid TEXT, "
    "madrid_type INTEGER, madrid_roomname TEXT, madrid_service TEXT, madrid_account TEXT, "
    "madrid_account_guid TEXT, madrid_flags INTEGER, madrid_attachmentInfo BLOB, madrid_url "
    "TEXT, madrid_error INTEGER, is_madrid INTEGER DEFAULT 0, madrid_date_read INTEGER, "
    "madrid_date_delivered INTEGER";
constexpr const char* kGroups =
    "CREATE TABLE msg_group (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER, "
    "newest_message INTEGER, unread_count INTEGER, hash INTEGER);"
    "CREATE TABLE group_member (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, group_id INTEGER, "
    "address TEXT, country TEXT);";
constexpr const char* kMessagesIos6 =
    "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL, "
    "country TEXT, service TEXT NOT NULL, uncanonicalized_id TEXT, UNIQUE (id, service));"
    "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, "
    "text TEXT, replace INTEGER DEFAULT 0, service_center TEXT, handle_id INTEGER DEFAULT 0, "
    "subject TEXT, country TEXT, attributedBody BLOB, version INTEGER DEFAULT 0, type INTEGER "
    "DEFAULT 0, service TEXT, account TEXT, account_guid TEXT, error INTEGER DEFAULT 0, date "
    "INTEGER, date_read INTEGER, date_delivered INTEGER, is_delivered INTEGER DEFAULT 0, "
    "is_finished INTEGER DEFAULT 0, is_emote INTEGER DEFAULT 0, is_from_me INTEGER DEFAULT 0, "
    "is_empty INTEGER DEFAULT 0, is_delayed INTEGER DEFAULT 0, is_auto_reply INTEGER DEFAULT 0, "
    "is_prepared INTEGER DEFAULT 0, is_read INTEGER DEFAULT 0, is_system_message INTEGER "
    "DEFAULT 0, is_sent INTEGER DEFAULT 0, has_dd_results INTEGER DEFAULT 0, is_service_message "
    "INTEGER DEFAULT 0, is_forward INTEGER DEFAULT 0, was_downgraded INTEGER DEFAULT 0, "
    "is_archive INTEGER DEFAULT 0, cache_has_attachments INTEGER DEFAULT 0, cache_roomnames "
    "TEXT, was_data_detected INTEGER DEFAULT 0, was_deduplicated INTEGER DEFAULT 0);"
    "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL);"
    "CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER, PRIMARY KEY (chat_id, "
    "message_id));";
constexpr const char* kCallsIos5 =
    "CREATE TABLE call (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER, "
    "duration INTEGER, flags INTEGER, id INTEGER);";
constexpr const char* kCallsIos6 =
    "CREATE TABLE call (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER, "
    "duration INTEGER, flags INTEGER, id INTEGER, name TEXT, country_code TEXT, network_code "
    "TEXT, read INTEGER, assisted INTEGER, face_time_data BLOB, originalAddress TEXT);";
constexpr const char* kNotes =
    "CREATE TABLE ZNOTE (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZCONTAINSCJK "
    "INTEGER, ZCONTENTTYPE INTEGER, ZDELETEDFLAG INTEGER, ZEXTERNALFLAGS INTEGER, "
    "ZEXTERNALSERVERINTID INTEGER, ZINTEGERID INTEGER, ZISBOOKKEEPINGENTRY INTEGER, ZBODY "
    "INTEGER, ZSTORE INTEGER, ZCREATIONDATE TIMESTAMP, ZMODIFICATIONDATE TIMESTAMP, ZAUTHOR "
    "VARCHAR, ZGUID VARCHAR, ZSERVERID VARCHAR, ZSUMMARY VARCHAR, ZTITLE VARCHAR);"
    "CREATE TABLE ZNOTEBODY (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZOWNER "
    "INTEGER, ZCONTENT VARCHAR, ZEXTERNALCONTENTREF VARCHAR, ZEXTERNALREPRESENTATION BLOB);";
constexpr const char* kBookmarks =
    "CREATE TABLE bookmarks (id INTEGER PRIMARY KEY, special_id INTEGER DEFAULT 0, parent "
    "INTEGER, type INTEGER, title TEXT, url TEXT, num_children INTEGER DEFAULT 0, editable "
    "INTEGER DEFAULT 1, deletable INTEGER DEFAULT 1, order_index INTEGER NOT NULL, "
    "external_uuid TEXT);"
    "INSERT INTO bookmarks (id, special_id, parent, type, title, order_index, external_uuid) "
    "VALUES (0, 0, NULL, 1, 'Root', 0, '00000000-0000-0000-0000-000000000000');";
constexpr const char* kCalendarItemIos5 =
    "ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT, location_id INTEGER, description "
    "TEXT, start_date REAL, start_tz TEXT, end_date REAL, all_day INTEGER, calendar_id INTEGER, "
    "orig_item_id INTEGER, orig_date REAL, organizer_id INTEGER, self_attendee_id INTEGER, "
    "status INTEGER, invitation_status INTEGER, availability INTEGER, privacy_level INTEGER, url "
    "TEXT, last_modified REAL, sequence_num INTEGER, birthday_id INTEGER, modified_properties "
    "INTEGER, external_tracking_status INTEGER, external_id TEXT, external_mod_tag TEXT, "
    "unique_identifier TEXT, external_schedule_id TEXT, external_rep BLOB, response_comment "
    "TEXT, hidden INTEGER, has_recurrences INTEGER, has_attendees INTEGER, UUID TEXT, "
    "entity_type INTEGER, priority INTEGER, due_date REAL, due_tz TEXT, due_all_day INTEGER, "
    "completion_date REAL, creation_date REAL, conference TEXT";
constexpr const char* kCalendarItemIos6 =
    ", display_order INTEGER, created_by_id INTEGER, modified_by_id INTEGER, "
    "shared_item_created_date REAL, shared_item_created_tz TEXT, shared_item_modified_date REAL, "
    "shared_item_modified_tz TEXT, invitation_changed_properties INTEGER, default_alarm_removed "
    "INTEGER, phantom_master INTEGER";
constexpr const char* kCalendarOthers =
    "CREATE TABLE Calendar (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, "
    "supported_entity_types INTEGER);"
    "INSERT INTO Calendar VALUES (1, 'Home', 4);"
    "CREATE TABLE Location (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, address TEXT);";

const char* domainPathOf(Store store) {
  switch (store) {
    case Store::addressBook:
      return "HomeDomain-Library/AddressBook/AddressBook.sqlitedb";
    case Store::messages:
      return "HomeDomain-Library/SMS/sms.db";
    case Store::notes:
      return "HomeDomain-Library/Notes/notes.sqlite";
    case Store::calls:
      return "WirelessDomain-Library/CallHistory/call_history.db";
    case Store::bookmarks:
      return "HomeDomain-Library/Safari/Bookmarks.db";
    case Store::calendar:
      return "HomeDomain-Library/Calendar/Calendar.sqlitedb";
  }
  return "";
}

void exec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string why = message != nullptr ? message : "?";
    sqlite3_free(message);
    throw std::runtime_error("legacy fixture: " + why);
  }
}

SqlValue orNull(const std::string& text) {
  if (text.empty()) return nullptr;
  return text;
}

// An NSAttributedString archive (typedstream) of a short text.
std::vector<std::uint8_t> attributedBodyOf(const std::string& text) {
  static constexpr char kHead[] =
      "\x04\x0bstreamtyped\x81\xe8\x03\x84\x01\x40\x84\x84\x84\x12NSAttributedString\x00"
      "\x84\x84\x08NSObject\x00\x85\x92\x84\x84\x84\x08NSString\x01\x94\x84\x01+";
  std::vector<std::uint8_t> blob(kHead, kHead + sizeof kHead - 1);
  blob.push_back(static_cast<std::uint8_t>(text.size()));
  blob.insert(blob.end(), text.begin(), text.end());
  blob.push_back(0x86);
  return blob;
}

std::string guidText(std::int64_t number) {
  char text[64];
  std::snprintf(text, sizeof text, "0F3C55A2-1B7D-4E8A-9C21-%012lld",
                static_cast<long long>(number));
  return text;
}

}  // namespace

LegacyBackupWriter::LegacyBackupWriter(std::filesystem::path folder, LegacyIos ios, Journal journal)
    : folder_(std::move(folder)), ios_(ios), journal_(journal) {
  std::filesystem::create_directories(folder_);
}

LegacyBackupWriter::~LegacyBackupWriter() {
  for (auto& [store, db] : open_) sqlite3_close(db);
}

std::filesystem::path LegacyBackupWriter::pathOf(Store store) const {
  return folder_ / *hashedNameOf(domainPathOf(store));
}

std::filesystem::path LegacyBackupWriter::logPathOf(Store store) const {
  return folder_ / *hashedNameOf(std::string(domainPathOf(store)) + "-wal");
}

sqlite3* LegacyBackupWriter::db(Store store) {
  if (const auto it = open_.find(store); it != open_.end()) return it->second;
  const std::filesystem::path where = pathOf(store);
  std::filesystem::remove(where);
  sqlite3* db = nullptr;
  if (sqlite3_open(where.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot create " + where.string());
  }
  open_[store] = db;
  // the library of the build machine deletes securely unless told not to
  exec(db, "PRAGMA secure_delete=OFF;");
  if (store == Store::notes || store == Store::bookmarks) {
    int on = 0;
    sqlite3_db_config(db, SQLITE_DBCONFIG_LEGACY_FILE_FORMAT, 1, &on);
  }
  if (journal_ == Journal::writeAheadLog) {
    exec(db, "PRAGMA journal_mode=WAL;");
    int unused = 0;
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, &unused);
    exec(db, "PRAGMA wal_autocheckpoint=0;");
  }
  const bool ios6 = ios_ == LegacyIos::ios6;
  switch (store) {
    case Store::addressBook:
      exec(db, kAddressBook);
      break;
    case Store::messages:
      if (ios6) {
        exec(db, kMessagesIos6);
      } else {
        exec(db, std::string("CREATE TABLE message (") + kMessageColumnsIos4 +
                     (ios_ == LegacyIos::ios5 ? kMadridColumns : "") + ");" + kGroups);
      }
      break;
    case Store::notes:
      exec(db, kNotes);
      break;
    case Store::calls:
      exec(db, ios6 ? kCallsIos6 : kCallsIos5);
      break;
    case Store::bookmarks:
      exec(db, kBookmarks);
      break;
    case Store::calendar:
      exec(db, std::string("CREATE TABLE CalendarItem (") + kCalendarItemIos5 +
                   (ios6 ? kCalendarItemIos6 : "") + ");" + kCalendarOthers);
      break;
  }
  // rows go in as one transaction: the benchmark writes hundreds of thousands
  exec(db, "BEGIN;");
  return db;
}

std::int64_t LegacyBackupWriter::person(const LegacyPerson& p) {
  sqlite3* book = db(Store::addressBook);
  const std::string firstSection = p.unsorted || p.first.empty() ? "" : p.first.substr(0, 1);
  const std::string lastSection = p.unsorted || p.last.empty() ? "" : p.last.substr(0, 1);
  const std::int64_t language = p.unsorted ? 2147483647 : 0;
  const std::int64_t row = insertRow(
      book,
      "INSERT INTO ABPerson (First, Last, Middle, Organization, Note, Kind, FirstSort, LastSort, "
      "CreationDate, ModificationDate, StoreID, FirstSortSection, LastSortSection, "
      "FirstSortLanguageIndex, LastSortLanguageIndex) VALUES (?,?,?,?,?,0,?,?,?,?,0,?,?,?,?)",
      {orNull(p.first), orNull(p.last), orNull(p.middle), orNull(p.organization), orNull(p.note),
       orNull(p.first + " " + p.last), orNull(p.last + " " + p.first), std::int64_t{372000000},
       std::int64_t{372000500}, orNull(firstSection), orNull(lastSection), language, language});
  std::int64_t identifier = 0;
  for (const auto& [property, list] : {std::pair{3, &p.phones}, std::pair{4, &p.emails}}) {
    for (const std::string& value : *list) {
      // the first value of a person carries the "mobile" label, the others "home"
      insertRow(
          book,
          "INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES "
          "(?,?,?,?,?)",
          {row, std::int64_t{property}, identifier, std::int64_t{identifier == 0 ? 1 : 2}, value});
      ++identifier;
    }
  }
  return row;
}

std::int64_t LegacyBackupWriter::message(const LegacyMessage& m) {
  sqlite3* sms = db(Store::messages);
  if (ios_ == LegacyIos::ios6) {
    const std::string service = m.iMessage ? "iMessage" : "SMS";
    auto handle = handles_.find(m.address);
    if (handle == handles_.end()) {
      const std::int64_t id = insertRow(
          sms, "INSERT INTO handle (id, country, service, uncanonicalized_id) VALUES (?,?,?,?)",
          {m.address, std::string("us"), service, nullptr});
      handle = handles_.emplace(m.address, id).first;
    }
    const std::int64_t guid = nextGuid_++;
    return insertRow(
        sms,
        "INSERT INTO message (guid, text, handle_id, attributedBody, version, service, account, "
        "account_guid, date, date_read, date_delivered, is_delivered, is_finished, is_from_me, "
        "is_read, is_sent) VALUES (?,?,?,?,10,?,?,?,?,?,?,1,1,?,1,?)",
        {guidText(guid), m.textInAttributedBody ? SqlValue(nullptr) : orNull(m.text),
         handle->second,
         m.textInAttributedBody ? SqlValue(attributedBodyOf(m.text)) : SqlValue(nullptr), service,
         std::string("e:owner@example.com"), guidText(guid + 5000), m.date, m.date + 30, m.date + 2,
         std::int64_t{m.fromMe}, std::int64_t{m.fromMe}});
  }
  // before iOS 6 a conversation is a group whose member holds the address
  std::int64_t group = 0;
  if (!m.iMessage) {
    auto known = handles_.find(m.address);
    if (known == handles_.end()) {
      const std::int64_t id =
          insertRow(sms,
                    "INSERT INTO msg_group (type, newest_message, unread_count, hash) VALUES "
                    "(0, 0, 0, 0)",
                    {});
      insertRow(sms, "INSERT INTO group_member (group_id, address, country) VALUES (?,?,?)",
                {id, m.address, std::string("us")});
      known = handles_.emplace(m.address, id).first;
    }
    group = known->second;
  }
  if (m.iMessage) {
    return insertRow(
        sms,
        "INSERT INTO message (address, date, text, flags, replace, group_id, association_id, "
        "height, UIFlags, version, read, madrid_handle, madrid_version, madrid_guid, madrid_type, "
        "madrid_service, madrid_account, madrid_account_guid, madrid_flags, madrid_error, "
        "is_madrid, madrid_date_read, madrid_date_delivered) VALUES (NULL,?,?,0,0,0,0,0,0,0,1,?,"
        "1,?,0,'iMessage','e:owner@example.com',?,?,0,1,?,?)",
        {m.date, orNull(m.text), m.address, guidText(nextGuid_++), guidText(9999),
         std::int64_t{m.fromMe ? 36869 : 12289}, m.date + 30, m.date + 2});
  }
  std::string columns =
      "address, date, text, flags, replace, group_id, association_id, height, UIFlags, version, "
      "country, read";
  std::string values = "?,?,?,?,0,?,0,0,0,0,'us',1";
  if (ios_ == LegacyIos::ios5) {
    columns += ", is_madrid";
    values += ",0";
  }
  return insertRow(sms, ("INSERT INTO message (" + columns + ") VALUES (" + values + ")").c_str(),
                   {m.address, m.date, orNull(m.text), std::int64_t{m.fromMe ? 3 : 2}, group});
}

std::int64_t LegacyBackupWriter::call(const std::string& address, std::int64_t date,
                                      std::int64_t duration, int flags) {
  return insertRow(db(Store::calls),
                   "INSERT INTO call (address, date, duration, flags, id) VALUES (?,?,?,?,-1)",
                   {address, date, duration, std::int64_t{flags}});
}

std::int64_t LegacyBackupWriter::note(const LegacyNote& n) {
  sqlite3* notes = db(Store::notes);
  const std::int64_t key = insertRow(
      notes, "INSERT INTO ZNOTEBODY (Z_ENT, Z_OPT, ZOWNER, ZCONTENT) VALUES (2,1,0,?)", {n.body});
  insertRow(notes,
            "INSERT INTO ZNOTE (Z_PK, Z_ENT, Z_OPT, ZCONTAINSCJK, ZCONTENTTYPE, ZDELETEDFLAG, "
            "ZEXTERNALFLAGS, ZEXTERNALSERVERINTID, ZINTEGERID, ZISBOOKKEEPINGENTRY, ZBODY, ZSTORE, "
            "ZCREATIONDATE, ZMODIFICATIONDATE, ZAUTHOR, ZGUID, ZSUMMARY, ZTITLE) VALUES "
            "(?,1,1,0,0,0,0,?,?,0,?,1,?,?,NULL,?,?,?)",
            {key, std::int64_t{4294967296} + key, std::int64_t{1000} + key, key,
             n.modified - 3600.25, n.modified, guidText(key), n.body.substr(0, 20), n.title});
  exec(notes, "UPDATE ZNOTEBODY SET ZOWNER = " + std::to_string(key) +
                  " WHERE Z_PK = " + std::to_string(key));
  return key;
}

std::int64_t LegacyBackupWriter::event(const LegacyEvent& e) {
  sqlite3* calendar = db(Store::calendar);
  SqlValue location = nullptr;
  if (!e.location.empty()) {
    location = insertRow(calendar, "INSERT INTO Location (title) VALUES (?)", {e.location});
  }
  return insertRow(
      calendar,
      "INSERT INTO CalendarItem (summary, location_id, description, start_date, start_tz, "
      "end_date, all_day, calendar_id, orig_item_id, orig_date, organizer_id, self_attendee_id, "
      "status, invitation_status, availability, privacy_level, last_modified, sequence_num, "
      "birthday_id, modified_properties, external_tracking_status, unique_identifier, hidden, "
      "has_recurrences, has_attendees, UUID, entity_type, priority, due_all_day, creation_date) "
      "VALUES (?,?,?,?,'Europe/London',?,0,1,0,0,0,0,0,0,0,0,?,0,0,0,0,?,0,0,0,?,2,0,0,?)",
      {orNull(e.title), location, orNull(e.description), e.start, e.end, e.start - 86400,
       guidText(nextGuid_), guidText(nextGuid_ + 1), e.start - 86400.5});
}

std::int64_t LegacyBackupWriter::bookmark(const std::string& title, const std::string& url) {
  const std::int64_t order = nextOrder_++;
  return insertRow(db(Store::bookmarks),
                   "INSERT INTO bookmarks (special_id, parent, type, title, url, order_index, "
                   "external_uuid) VALUES (0, 0, 0, ?, ?, ?, ?)",
                   {title, url, order, guidText(order + 100000)});
}

void LegacyBackupWriter::deleteRows(Store store, const std::string& sql) {
  sqlite3* database = db(store);
  if (sqlite3_get_autocommit(database) == 0) exec(database, "COMMIT;");
  if (journal_ == Journal::writeAheadLog && !checkpointed_[store]) {
    sqlite3_wal_checkpoint_v2(database, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    checkpointed_[store] = true;
  }
  exec(database, sql);
}

void LegacyBackupWriter::write() {
  for (auto& [store, database] : open_) {
    if (sqlite3_get_autocommit(database) == 0) exec(database, "COMMIT;");
    sqlite3_close(database);
    const std::string main = pathOf(store).string();
    std::error_code error;
    std::filesystem::remove(main + "-shm", error);
    // the log is a backup file of its own name
    if (std::filesystem::exists(main + "-wal")) {
      std::filesystem::rename(main + "-wal", logPathOf(store));
    }
  }
  open_.clear();
  const char* version = ios_ == LegacyIos::ios4   ? "4.3.5"
                        : ios_ == LegacyIos::ios5 ? "5.1.1"
                                                  : "6.1.6";
  writeFileBytes(folder_ / "Info.plist",
                 IosBackupWriter::plistBytes({{"Device Name", "Test iPhone"},
                                              {"Product Type", "iPhone4,1"},
                                              {"Product Version", version}},
                                             PlistForm::xml));
  std::vector<MbdbEntry> entries;
  for (Store store : {Store::addressBook, Store::messages, Store::notes, Store::calls,
                      Store::bookmarks, Store::calendar}) {
    if (!std::filesystem::exists(pathOf(store))) continue;
    const std::string domainPath = domainPathOf(store);
    const auto dash = domainPath.find('-');
    entries.push_back({domainPath.substr(0, dash), domainPath.substr(dash + 1), {}});
    if (std::filesystem::exists(logPathOf(store))) {
      entries.push_back({domainPath.substr(0, dash), domainPath.substr(dash + 1) + "-wal", {}});
    }
  }
  writeFileBytes(folder_ / "Manifest.mbdb", IosBackupWriter::mbdbBytes(entries));
}

}  // namespace orvane::fixtures
