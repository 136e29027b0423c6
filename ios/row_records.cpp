#include "ios/row_records.h"

#include <cstdio>
#include <utility>

#include "core/conversions.h"
#include "ios/attributed_body.h"
#include "ios/note_body.h"

namespace orvane {

namespace {

constexpr std::int64_t kOutgoingFlags = 5;

const char* directionOfFlags(std::int64_t flags) {
  if (flags == 2 || flags == 22) return "Received";
  if (flags == 3 || flags == 16387) return "Send";
  return "unknown";
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

// A duration cell that is missing leaves the call at -1 seconds, which is
// not a missed call; it reads "-1 second".
std::string durationText(std::int32_t seconds) {
  if (seconds >= 0)
    return FieldConversions::getCallHistoryDuration(static_cast<std::uint32_t>(seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%d second", seconds);
  return text;
}

std::int32_t clampedSeconds(std::int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

// A text cell, or the UTF-8 bytes of a blob cell (Core Data keeps some
// addresses as blobs).
std::optional<std::string> textOrBlob(const DbRow& row, std::string_view column) {
  if (auto text = row.text(column)) return text;
  const auto bytes = row.blob(column);
  if (bytes.empty()) return std::nullopt;
  std::string text = FieldConversions::GetStringFormChar(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace

void setDate(std::string& text, std::optional<std::string>& utc, std::int64_t stored,
             DateEpoch epoch, DateUnit unit) {
  text = dateText(stored, epoch, unit).value_or("");
  utc = utcDateText(stored, epoch, unit);
}

std::shared_ptr<PRMessageNode> messageFromRow(const DbRow& row) {
  auto message = std::make_shared<PRMessageNode>();
  if (auto text = row.text("text")) message->messageContent = std::move(*text);
  if (auto address = row.text("address")) message->messagePhone = std::move(*address);

  if (row.has("is_from_me")) {
    if (message->messageContent.empty()) {
      const auto body = row.blob("attributedBody");
      if (!body.empty()) {
        if (auto text = attributedBodyText(body)) {
          message->messageContent = std::move(*text);
        } else {
          std::fprintf(stderr, "attributedBody not readable (%zu bytes)\n", body.size());
        }
      }
    }
    if (const auto date = row.decimal("date")) {
      setDate(message->messageDate, message->messageDateUTC, *date, DateEpoch::kApple2001,
              DateUnit::kSecondsOrNanoseconds);
    }
    if (const auto fromMe = row.decimal("is_from_me")) {
      message->messageType = *fromMe == 1 ? "Send" : *fromMe == 0 ? "Received" : "unknown";
    }
    if (row.text("service") == "iMessage") message->bImessage = 1;
    return message;
  }

  const bool madrid = row.decimal("is_madrid") == 1;
  if (const auto date = row.decimal("date")) {
    setDate(message->messageDate, message->messageDateUTC, *date,
            madrid ? DateEpoch::kApple2001 : DateEpoch::kUnix1970);
  }
  if (const auto flags = row.decimal("flags")) message->messageType = directionOfFlags(*flags);
  if (madrid) {
    message->bImessage = 1;
    if (auto handle = row.text("madrid_handle")) message->messagePhone = std::move(*handle);
    if (const auto flags = row.decimal("madrid_flags"))
      message->messageType = directionOfFlags(*flags);
    if (const auto attachment = row.blob("madrid_attachmentInfo"); !attachment.empty()) {
      message->messageContent = joinedPieces(attachment);
    }
  }
  return message;
}

std::shared_ptr<PRCallHistoryNode> callFromRow(const DbRow& row) {
  auto call = std::make_shared<PRCallHistoryNode>();
  if (auto address = textOrBlob(row, "address")) call->callPhone = std::move(*address);
  if (const auto duration = row.decimal("duration")) call->callTime = clampedSeconds(*duration);

  bool unanswered = false;
  if (row.has("originated")) {
    if (const auto date = row.decimal("date")) {
      setDate(call->callDate, call->callDateUTC, *date, DateEpoch::kApple2001);
    }
    call->callType = row.decimal("originated") == 1 ? "Outgoing" : "Incoming";
    unanswered = call->callType == "Incoming" && row.decimal("answered") == 0;
  } else {
    if (const auto date = row.decimal("date")) {
      setDate(call->callDate, call->callDateUTC, *date, DateEpoch::kUnix1970);
    }
    if (const auto flags = row.decimal("flags")) {
      call->callType = *flags == kOutgoingFlags ? "Outgoing" : "Incoming";
    }
  }
  if (call->callTime != 0 && !unanswered) {
    call->callDuration = durationText(call->callTime);
  } else {
    call->callDuration = call->callType == "Outgoing" ? "Cancelled" : "Missed";
  }
  return call;
}

std::shared_ptr<PRNoteNode> noteFromRow(const DbRow& row) {
  auto note = std::make_shared<PRNoteNode>();
  if (auto title = row.text("title")) note->noteTitle = std::move(*title);
  if (const auto when =
          row.decimal("modified") ? row.decimal("modified") : row.decimal("created")) {
    setDate(note->noteDate, note->noteDateUTC, *when, DateEpoch::kApple2001);
  }
  if (row.decimal("deleted").value_or(0) != 0) note->bDeleted = 1;
  if (row.decimal("locked").value_or(0) != 0) {
    note->noteContent = "(locked)";
  } else if (auto body = row.text("body")) {
    note->noteContent = std::move(*body);
  } else if (const auto data = row.blob("body_data"); !data.empty()) {
    if (auto text = noteBodyText(data)) {
      note->noteContent = std::move(*text);
    } else {
      std::fprintf(stderr, "note body not readable (%zu bytes)\n", data.size());
    }
  }
  return note;
}

}  // namespace orvane
