#pragma once

// Records decoded from BlackBerry desktop backups, one class per database.
// Their texts and byte fields are the compact kinds (Text, OptionalBytes):
// a backup can hold a million of them.

#include <cstdint>
#include <optional>
#include <string>

#include "core/optional_bytes.h"
#include "core/record.h"
#include "core/text.h"

namespace orvane {

// "Address Book - All"
class PRBlackBerryContactNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryContactNode"; }
  void visitFields(FieldVisitor& v) const override;

  Text contactName;
  Text companyName;
  Text titleName;
  OptionalBytes contactImageData;
  Text email;
  Text phoneNumber;  // copy of the phone field last updated
  Text workCall;
  Text homeCall;
  Text mobilCall;
  Text pinNumber;
  Text address;
  Text city;
  Text provice;
  Text country;
  Text postZcode;
  Text brithday;
  Text categories;
  Text webSite;
  Text note;
};

// "Phone Call Logs" and "Phone History"
class PRBlackBerryCallNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryCallNode"; }
  void visitFields(FieldVisitor& v) const override;

  Text CallName;
  Text CallNumber;
  Text CallTime;
  Text CallType;
  Text callDuration;
};

// "SMS Messages"
class PRBlackBerrySMSMessageNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerrySMSMessageNode"; }
  void visitFields(FieldVisitor& v) const override;

  // First, where it shares the base's padding.
  std::uint8_t isUncode = 0;
  Text contentText;
  Text numberString;
  Text type;  // "Incoming", "outgoing" or empty
  Text dateTime;
  OptionalBytes contentData;
};

// "MMS Messages"
class PRBlackBerryMMSMessageNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryMMSMessageNode"; }
  void visitFields(FieldVisitor& v) const override;

  Text numberName;
  Text contentText;
  Text contentDataName;  // attachment file name
  Text contentType;      // file class or empty
  OptionalBytes contentData;
};

// "Memos"
class PRBlackBerryNoteNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryNoteNode"; }
  void visitFields(FieldVisitor& v) const override;

  Text noteTittle;
  Text noteContent;
};

// "Calendar - All"
class PRBlackBerryCalenderNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryCalenderNode"; }
  void visitFields(FieldVisitor& v) const override;

  Text bbCalSubject;
  Text bbCalInformation;
};

// "Content Store": a file kept on the device, joined from its pieces.
class PRBlackBerryContentNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryContentNode"; }
  void visitFields(FieldVisitor& v) const override;

  Text filePathName;
  OptionalBytes contentData;
  Text ContentFileType;
  Text contentFileSize;
  std::uint64_t fileSize = 0;
};

// One entry of an IPD file's database name table.
struct PRBlackBerryDataBaseNode {
  std::int32_t databaseIndex = -1;
  std::optional<std::string> databaseName;
  std::uint64_t databaseLongth = UINT64_MAX;
  std::int32_t dataversion = -1;
  std::int32_t databaseHandle = -1;
  std::int32_t databaseRecordID = -1;
};

}  // namespace orvane
