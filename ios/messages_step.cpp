// SMS, MMS and iMessage rows of the message database, in the layouts
// before iOS 6 (group_member, madrid columns) and from iOS 6 on (handle).

#include "core/conversions.h"
#include "core/event_names.h"
#include "ios/backup_file_name.h"
#include "ios/ios_backup_scanner.h"
#include "ios/sqlite_access.h"

namespace orvane {

namespace {

constexpr const char* kBeforeIos6 =
    "select message.ROWID,message.group_id,subject, text,date,group_member.address,svc_center,"
    "flags,association_id ,is_madrid,madrid_handle, madrid_account,madrid_flags,"
    "madrid_attachmentInfo from message left join  group_member on  message.group_id= "
    "group_member.group_id";
constexpr const char* kWithoutMadrid =
    "select message.ROWID,message.group_id,subject, text,date,group_member.address,svc_center,"
    "flags,association_id from message left join  group_member on  message.group_id= "
    "group_member.group_id";
constexpr const char* kIos6 =
    "select message.ROWID,message.text,message.date,message.handle_id,handle.id,is_from_me from "
    "message left join handle on message.handle_id=handle.ROWID";

enum class Layout { beforeIos6, withoutMadrid, ios6 };

const char* directionOfFlags(std::int64_t flags) {
  if (flags == 2 || flags == 22) return "Received";
  if (flags == 3 || flags == 16387) return "Send";
  return "unknown";
}

// From iOS 11 on the date counts nanoseconds since 2001; no date in seconds
// comes near this value (it is past the year 5000).
constexpr std::int64_t kLargestSecondsDate = 100000000000;

std::optional<std::string> messageDate(std::int64_t stored) {
  if (stored > kLargestSecondsDate) stored /= 1000000000;
  return FieldConversions::GetDateTime(stored, DateKind::kMessages);
}

// The attachment info blob is a run of NUL-ended pieces; joined without
// separator they are the message text.
std::string joinedPieces(std::span<const std::uint8_t> blob) {
  std::string joined;
  joined.reserve(blob.size());
  for (std::uint8_t byte : blob) {
    if (byte != 0) joined.push_back(static_cast<char>(byte));
  }
  return FieldConversions::GetStringFormChar(joined);
}

}  // namespace

void PRIOSBackupScanner::scanMessageThread(const std::filesystem::path& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return;
  const auto database = locateBackupFile(folder, backup_names::kMessages);
  if (!database) return;

  // Rows still in the write-ahead log count too, so this step reads a
  // folded copy like the others.
  const auto readable = commitDB(*database);
  std::optional<SqliteDatabase> db;
  if (readable) db = SqliteDatabase::openReadOnly(*readable);
  if (db) {
    // The version flag picks the first layout to try; a database of a later
    // system has the iOS 6 layout whatever the flag says, so the other
    // layout is tried before the one without madrid columns.
    const Layout preferred[3] = {iOS6Version_ ? Layout::ios6 : Layout::beforeIos6,
                                 iOS6Version_ ? Layout::beforeIos6 : Layout::ios6,
                                 Layout::withoutMadrid};
    std::unique_ptr<SqliteStatement> rows;
    Layout layout = Layout::withoutMadrid;
    for (Layout candidate : preferred) {
      const char* sql = candidate == Layout::ios6         ? kIos6
                        : candidate == Layout::beforeIos6 ? kBeforeIos6
                                                          : kWithoutMadrid;
      rows = std::make_unique<SqliteStatement>(*db, sql);
      if (rows->prepared()) {
        layout = candidate;
        break;
      }
    }

    while (!ctx_.stopRequested() && rows->step()) {
      auto message = std::make_shared<PRMessageNode>();
      if (layout == Layout::ios6) {
        if (auto text = rows->text(1)) message->messageContent = std::move(*text);
        if (const auto date = rows->decimal(2))
          message->messageDate = messageDate(*date).value_or("");
        if (auto handle = rows->text(4)) message->messagePhone = std::move(*handle);
        if (const auto fromMe = rows->decimal(5)) {
          message->messageType = *fromMe == 1 ? "Send" : *fromMe == 0 ? "Received" : "unknown";
        }
      } else {
        if (auto text = rows->text(3)) message->messageContent = std::move(*text);
        if (const auto date = rows->decimal(4))
          message->messageDate = messageDate(*date).value_or("");
        if (auto address = rows->text(5)) message->messagePhone = std::move(*address);
        if (const auto flags = rows->decimal(7)) message->messageType = directionOfFlags(*flags);
        if (layout == Layout::beforeIos6 && rows->decimal(9) == 1) {
          message->bImessage = 1;
          if (auto handle = rows->text(10)) message->messagePhone = std::move(*handle);
          if (const auto flags = rows->decimal(12)) message->messageType = directionOfFlags(*flags);
          if (const auto attachment = rows->blob(13); !attachment.empty()) {
            message->messageContent = joinedPieces(attachment);
          }
        }
      }
      if (!message->messagePhone.empty()) {
        if (const auto name = contactNameOf(message->messagePhone)) message->messageName = *name;
      }
      post(events::ScanMessageInfo, std::move(message));
    }
  }
  postProgress(50);
}

}  // namespace orvane
