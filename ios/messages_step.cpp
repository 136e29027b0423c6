// SMS, MMS and iMessage rows of the message database, in the layouts
// before iOS 6 (group_member, madrid columns) and from iOS 6 on (handle).

#include "core/event_names.h"
#include "ios/backup_file_name.h"
#include "ios/ios_backup_scanner.h"
#include "ios/row_records.h"
#include "ios/sqlite_access.h"

namespace orvane {

namespace {

// The columns go by the names messageFromRow reads.
constexpr const char* kBeforeIos6 =
    "select message.ROWID,message.group_id,subject,text,date,group_member.address as address,"
    "svc_center,flags,association_id,is_madrid,madrid_handle,madrid_account,madrid_flags,"
    "madrid_attachmentInfo from message left join group_member on message.group_id="
    "group_member.group_id";
constexpr const char* kWithoutMadrid =
    "select message.ROWID,message.group_id,subject,text,date,group_member.address as address,"
    "svc_center,flags,association_id from message left join group_member on message.group_id="
    "group_member.group_id";
constexpr const char* kIos6 =
    "select message.ROWID,message.text as text,message.date as date,message.handle_id,"
    "handle.id as address,is_from_me,message.service as service,message.attributedBody as "
    "attributedBody from message left join handle on message.handle_id=handle.ROWID";
// A message table without the service and attributedBody columns (a
// pared-down copy) is read without them.
constexpr const char* kIos6Plain =
    "select message.ROWID,message.text as text,message.date as date,message.handle_id,"
    "handle.id as address,is_from_me from message left join handle on "
    "message.handle_id=handle.ROWID";

enum class Layout { beforeIos6, withoutMadrid, ios6, ios6Plain };

// Pictures and videos sent in messages: attachment.filename is the path on
// the device ("~/Library/SMS/Attachments/ab/12/<GUID>/IMG_0001.HEIC"); the
// backup keeps the file in MediaDomain under the path after "~/".
constexpr const char* kAttachments =
    "select distinct attachment.filename from attachment join message_attachment_join on "
    "message_attachment_join.attachment_id=attachment.ROWID where attachment.filename is not null";

std::optional<std::string> attachmentDevicePath(std::string_view filename) {
  for (std::string_view home : {"~/", "/var/mobile/", "/private/var/mobile/"}) {
    if (filename.starts_with(home)) return std::string(filename.substr(home.size()));
  }
  return std::nullopt;
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
    const Layout preferred[4] = {iOS6Version_ ? Layout::ios6 : Layout::beforeIos6,
                                 iOS6Version_ ? Layout::beforeIos6 : Layout::ios6,
                                 Layout::ios6Plain, Layout::withoutMadrid};
    std::unique_ptr<SqliteStatement> rows;
    for (Layout candidate : preferred) {
      const char* sql = candidate == Layout::ios6         ? kIos6
                        : candidate == Layout::ios6Plain  ? kIos6Plain
                        : candidate == Layout::beforeIos6 ? kBeforeIos6
                                                          : kWithoutMadrid;
      rows = std::make_unique<SqliteStatement>(*db, sql);
      if (rows->prepared()) break;
    }

    while (!ctx_.stopRequested() && rows->step()) {
      auto message = messageFromRow(StatementRow(*rows));
      if (!message->messagePhone.empty()) {
        if (const auto name = contactNameOf(message->messagePhone)) message->messageName = *name;
      }
      post(events::ScanMessageInfo, std::move(message));
    }
    rows.reset();
    SqliteStatement attachments(*db, kAttachments);
    while (!ctx_.stopRequested() && attachments.step()) {
      const auto devicePath = attachmentDevicePath(attachments.text(0).value_or(""));
      if (!devicePath) continue;
      const auto name = backupFileName("MediaDomain", *devicePath);
      const auto file = name ? locateBackupFile(folder, *name) : std::nullopt;
      // the manifest pass has listed most of them already
      if (file && !listedMedia_.contains(file->string())) {
        GetMediaFileByNode({"MediaDomain", *devicePath, file->string()});
      }
    }
  }
  postProgress(50);
}

}  // namespace orvane
