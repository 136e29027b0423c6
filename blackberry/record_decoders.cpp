#include "blackberry/record_decoders.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "blackberry/byte_reader.h"
#include "blackberry/field_text.h"
#include "blackberry/field_walk.h"
#include "core/blackberry_records.h"
#include "core/conversions.h"
#include "core/dates.h"
#include "core/event_names.h"

namespace orvane {

namespace {

using Data = std::span<const std::uint8_t>;

// The phone number field of address-book type 5 is followed by 3 bytes its
// length does not count.
constexpr FieldRules kContactRules{.extraType = 5, .extraBytes = 3};
// Calendar type 5 is followed by 7 uncounted bytes.
constexpr FieldRules kCalendarRules{.extraType = 5, .extraBytes = 7};
// The number of SMS and MMS records (type 2) follows 4 bytes of its own.
constexpr FieldRules kMessageRules{.skip4Type = 2};
constexpr FieldRules kPlainRules{};

using ContactText = std::string PRBlackBerryContactNode::*;

// Address-book fields that simply take their text.
constexpr std::pair<std::uint8_t, ContactText> kContactTexts[] = {
    {1, &PRBlackBerryContactNode::email},        {10, &PRBlackBerryContactNode::pinNumber},
    {33, &PRBlackBerryContactNode::companyName}, {38, &PRBlackBerryContactNode::city},
    {39, &PRBlackBerryContactNode::provice},     {40, &PRBlackBerryContactNode::postZcode},
    {41, &PRBlackBerryContactNode::country},     {54, &PRBlackBerryContactNode::webSite},
    {55, &PRBlackBerryContactNode::titleName},   {59, &PRBlackBerryContactNode::categories},
    {64, &PRBlackBerryContactNode::note},        {82, &PRBlackBerryContactNode::brithday},
};

// Phone numbers join new-first per kind; `phoneNumber` follows the kind
// updated last.
constexpr std::pair<std::uint8_t, ContactText> kContactPhones[] = {
    {6, &PRBlackBerryContactNode::workCall},  {16, &PRBlackBerryContactNode::workCall},
    {7, &PRBlackBerryContactNode::homeCall},  {17, &PRBlackBerryContactNode::homeCall},
    {8, &PRBlackBerryContactNode::mobilCall},
};

template <class Record>
std::shared_ptr<Record> newRecord() {
  return std::make_shared<Record>();
}

template <class Record>
void post(NotificationCenter& nc, const char* eventName, std::shared_ptr<Record> record) {
  nc.postNotificationName(eventName, EventObject(std::in_place_type<RecordPtr>, std::move(record)));
}

// Where a field's data lies in the file: data is a part of the field area.
ContentRun runOf(Data fieldArea, std::uint64_t fieldAreaOffset, Data data) {
  return {fieldAreaOffset + static_cast<std::uint64_t>(data.data() - fieldArea.data()),
          data.size()};
}

// Stored files and attachments come in pieces. A first piece of fewer than
// 9 bytes is not file content and is dropped; once there is content, every
// piece is appended to it.
void addPiece(ContentRef& content, const std::shared_ptr<const ContentSource>& source,
              ContentRun piece) {
  if (content.size() >= 2) {
    content.append(piece);
  } else if (piece.length >= 9) {
    content = ContentRef(source, {piece});
  }
}

// The SMS metadata (type 1) holds, little-endian after the direction
// byte: the status (4 bytes at 5), the sent time (8 bytes at 13) and the
// service-centre time (8 bytes at 21), both in milliseconds since 1970 UTC,
// and the data coding scheme (1 byte at 29).
constexpr std::size_t kSmsSentTimeOffset = 13;
constexpr std::size_t kSmsCentreTimeOffset = 21;
constexpr std::size_t kSmsCodingSchemeOffset = 29;

std::optional<std::int64_t> u64leAt(Data data, std::size_t offset) {
  ByteReader reader(data, offset);
  const auto low = reader.u32le();
  const auto high = reader.u32le();
  if (!low || !high) return std::nullopt;
  return static_cast<std::int64_t>(std::uint64_t{*high} << 32 | *low);
}

// The sent time, or the service-centre time when the phone kept no sent
// time; empty for a metadata field too short to hold the coding scheme.
std::string smsDateText(Data metadata) {
  if (metadata.size() <= kSmsCodingSchemeOffset) return {};
  std::int64_t stored = u64leAt(metadata, kSmsSentTimeOffset).value_or(0);
  if (stored == 0) stored = u64leAt(metadata, kSmsCentreTimeOffset).value_or(0);
  return dateText(stored, DateEpoch::kUnix1970, DateUnit::kMilliseconds).value_or("");
}

}  // namespace

void BlackBerryDecoders::ScanBlackBerryContactwith(Area fieldArea, std::uint64_t fieldAreaOffset) {
  auto contact = newRecord<PRBlackBerryContactNode>();
  walkFields(fieldArea, kContactRules, [&](std::uint8_t type, Data data) {
    for (const auto& [textType, member] : kContactTexts) {
      if (type == textType) {
        (*contact).*member = fieldText(data);
        return;
      }
    }
    for (const auto& [phoneType, member] : kContactPhones) {
      if (type == phoneType) {
        joinNewFirst((*contact).*member, fieldText(data));
        contact->phoneNumber = (*contact).*member;
        return;
      }
    }
    if (type == 32) joinNewFirst(contact->contactName, fieldText(data));
    if (type == 35 || type == 36) joinNewFirst(contact->address, fieldText(data));
    if (type == 77)
      contact->contactImageData = ContentRef(source_, {runOf(fieldArea, fieldAreaOffset, data)});
  });
  post(nc_, events::BlacBerryContactInfo, std::move(contact));
}

void BlackBerryDecoders::ScanBlackBerryCallLogwith(Area fieldArea,
                                                   std::uint64_t /*fieldAreaOffset*/) {
  auto call = newRecord<PRBlackBerryCallNode>();
  walkFields(fieldArea, kPlainRules, [&](std::uint8_t type, Data data) {
    switch (type) {
      case 2:
        if (data.empty()) break;
        switch (data[0]) {
          case 0:
            call->CallType = "Recived";
            break;
          case 1:
            call->CallType = "Send";
            break;
          case 3:
            call->CallType = "Cancel";
            break;
          default:
            call->CallType = "UnKnown";
            break;
        }
        break;
      case 3:
        // the duration is kept in the field's first byte
        if (!data.empty()) call->callDuration = FieldConversions::getCallHistoryDuration(data[0]);
        break;
      case 4:
        call->CallTime = fieldText(data);
        break;
      case 12:
        call->CallNumber = fieldText(data);
        break;
      case 31:
      case 55:
        joinNewLast(call->CallName, fieldText(data));
        break;
      default:
        break;
    }
  });
  post(nc_, events::BlacBerryCallLogInfo, std::move(call));
}

void BlackBerryDecoders::ScanBlackBerrySMSMessagewith(Area fieldArea,
                                                      std::uint64_t /*fieldAreaOffset*/) {
  auto sms = newRecord<PRBlackBerrySMSMessageNode>();
  std::optional<std::uint8_t> codingScheme;
  std::optional<Data> body;
  walkFields(fieldArea, kMessageRules, [&](std::uint8_t type, Data data) {
    switch (type) {
      case 1:
        // The metadata's first byte is 1 for a message the phone received
        // and 0 for one it sent.
        if (!data.empty()) {
          if (data[0] == 0x01) sms->type = "Incoming";
          if (data[0] == 0x00) sms->type = "outgoing";
        }
        sms->dateTime = smsDateText(data);
        codingScheme = data.size() > kSmsCodingSchemeOffset
                           ? std::optional<std::uint8_t>(data[kSmsCodingSchemeOffset])
                           : std::nullopt;
        break;
      case 2:
        sms->numberString = fieldText(data);
        break;
      case 4:
        body = data;
        break;
      default:
        break;
    }
  });
  // the body is read once the walk has met the metadata, wherever it stands
  if (body) sms->contentText = smsBodyText(*body, codingScheme, textCharset_);
  post(nc_, events::BlackBerrySMSMessageInfo, std::move(sms));
}

void BlackBerryDecoders::ScanBlackBerryMMSMessagewith(Area fieldArea,
                                                      std::uint64_t fieldAreaOffset) {
  auto mms = newRecord<PRBlackBerryMMSMessageNode>();
  walkFields(fieldArea, kMessageRules, [&](std::uint8_t type, Data data) {
    switch (type) {
      case 103: {
        mms->contentDataName = fieldText(data);
        std::string fileClass = fileClassOf(mms->contentDataName);
        if (!fileClass.empty()) mms->contentType = std::move(fileClass);
        break;
      }
      case 104:
        mms->contentData = ContentRef(source_, {runOf(fieldArea, fieldAreaOffset, data)});
        break;
      case 105:
        addPiece(mms->contentData, source_, runOf(fieldArea, fieldAreaOffset, data));
        break;
      case 111:
      case 114:
        joinNewFirst(mms->numberName, fieldText(data));
        break;
      default:
        break;
    }
  });
  post(nc_, events::BlackBerryMMSMessageInfo, std::move(mms));
}

void BlackBerryDecoders::ScanBlackBerryMemoswith(Area fieldArea,
                                                 std::uint64_t /*fieldAreaOffset*/) {
  auto memo = newRecord<PRBlackBerryNoteNode>();
  walkFields(fieldArea, kPlainRules, [&](std::uint8_t type, Data data) {
    if (type == 1) memo->noteTittle = fieldText(data);
    if (type == 2) memo->noteContent = fieldText(data);
  });
  post(nc_, events::BlackBerryNoteInfo, std::move(memo));
}

void BlackBerryDecoders::ScanBlackBerryCalenderwith(Area fieldArea,
                                                    std::uint64_t /*fieldAreaOffset*/) {
  auto entry = newRecord<PRBlackBerryCalenderNode>();
  walkFields(fieldArea, kCalendarRules, [&](std::uint8_t type, Data data) {
    if (type == 2) joinNewLast(entry->bbCalSubject, fieldText(data));
    if (type == 3) joinNewLast(entry->bbCalInformation, fieldText(data));
  });
  post(nc_, events::BlackBerryCalenderInfo, std::move(entry));
}

void BlackBerryDecoders::ScanBlackBerryContentStorewith(Area fieldArea,
                                                        std::uint64_t fieldAreaOffset) {
  auto stored = newRecord<PRBlackBerryContentNode>();
  bool hasContent = false;
  walkFields(fieldArea, kPlainRules, [&](std::uint8_t type, Data data) {
    if (type == 1) stored->filePathName = fieldText(data);
    if (type == 7) {
      addPiece(stored->contentData, source_, runOf(fieldArea, fieldAreaOffset, data));
      hasContent = true;
    }
  });
  // Folders and empty files of the store have no content worth listing.
  if (!hasContent || stored->contentData.empty()) return;
  stored->ContentFileType = fileClassOf(stored->filePathName);
  stored->fileSize = stored->contentData.size();
  stored->contentFileSize = FieldConversions::size_to_unit(stored->fileSize);
  post(nc_, events::BlackBerryContentStoreInfo, std::move(stored));
}

void BlackBerryDecoders::decode(BlackBerryDatabase database, Area fieldArea,
                                std::uint64_t fieldAreaOffset) {
  switch (database) {
    case BlackBerryDatabase::kAddressBook:
      ScanBlackBerryContactwith(fieldArea, fieldAreaOffset);
      break;
    case BlackBerryDatabase::kCallLog:
      ScanBlackBerryCallLogwith(fieldArea, fieldAreaOffset);
      break;
    case BlackBerryDatabase::kSms:
      ScanBlackBerrySMSMessagewith(fieldArea, fieldAreaOffset);
      break;
    case BlackBerryDatabase::kMms:
      ScanBlackBerryMMSMessagewith(fieldArea, fieldAreaOffset);
      break;
    case BlackBerryDatabase::kMemos:
      ScanBlackBerryMemoswith(fieldArea, fieldAreaOffset);
      break;
    case BlackBerryDatabase::kCalendar:
      ScanBlackBerryCalenderwith(fieldArea, fieldAreaOffset);
      break;
    case BlackBerryDatabase::kContentStore:
      ScanBlackBerryContentStorewith(fieldArea, fieldAreaOffset);
      break;
  }
}

}  // namespace orvane
