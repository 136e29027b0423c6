#pragma once

// Records decoded from BlackBerry desktop backups, one class per database.
// Stored files, attachments and pictures are content references into the
// backup, never copies.

#include <cstdint>
#include <optional>
#include <string>

#include "core/content_ref.h"
#include "core/record.h"

namespace orvane {

// "Address Book - All"
class PRBlackBerryContactNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryContactNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string contactName;
  std::string companyName;
  std::string titleName;
  ContentRef contactImageData;
  std::string email;
  std::string phoneNumber;  // copy of the phone field last updated
  std::string workCall;
  std::string homeCall;
  std::string mobilCall;
  std::string pinNumber;
  std::string address;
  std::string city;
  std::string provice;
  std::string country;
  std::string postZcode;
  std::string brithday;
  std::string categories;
  std::string webSite;
  std::string note;
};

// "Phone Call Logs" and "Phone History"
class PRBlackBerryCallNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryCallNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string CallName;
  std::string CallNumber;
  std::string CallTime;
  std::string CallType;
  std::string callDuration;
};

// "SMS Messages"
class PRBlackBerrySMSMessageNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerrySMSMessageNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::uint8_t isUncode = 0;
  std::string contentText;
  std::string numberString;
  std::string type;  // "Incoming", "outgoing" or empty
  std::string dateTime;
};

// "MMS Messages"
class PRBlackBerryMMSMessageNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryMMSMessageNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string numberName;
  std::string contentText;
  std::string contentDataName;  // attachment file name
  std::string contentType;      // file class or empty
  ContentRef contentData;
};

// "Memos"
class PRBlackBerryNoteNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryNoteNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string noteTittle;
  std::string noteContent;
};

// "Calendar - All"
class PRBlackBerryCalenderNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryCalenderNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string bbCalSubject;
  std::string bbCalInformation;
};

// "Content Store": a file kept on the device, joined from its pieces.
class PRBlackBerryContentNode : public PRRecord {
 public:
  const char* className() const override { return "PRBlackBerryContentNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string filePathName;
  ContentRef contentData;
  std::string ContentFileType;
  std::string contentFileSize;
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
