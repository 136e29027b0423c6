#pragma once

// Records read from iOS device backups, and the intermediate pieces that a
// scanner joins before it makes a record. Dates are held as display text
// (local time, no zone) and, beside it, as the instant in ISO 8601 UTC.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/content_ref.h"
#include "core/record.h"

namespace orvane {

// One postal address of a contact, in its parts (iOS 5 on keeps them apart).
struct PRPostalAddress {
  std::string label;  // the address book's label, "_$!<Home>!$_" or the user's own
  std::string street;
  std::string city;
  std::string state;
  std::string zip;
  std::string country;
};

class PRContactNode : public PRRecord {
 public:
  const char* className() const override { return "PRContactNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::int32_t rowid = -1;
  std::string contactName;
  std::string contactPhone;  // every number, each preceded by one space
  std::string contactEmail;
  std::string contactHomepage;
  std::string contactCompany;
  std::string contactBirthday;
  std::string contactJobtitle;
  std::string contactNote;
  std::string contactAdress;
  // the parts of each address behind contactAdress, when the address book
  // kept them apart
  std::vector<PRPostalAddress> postalAddresses;
  std::optional<Bytes> imageData;
  std::uint8_t bDeleted = 0;
};

class PRMessageNode : public PRRecord {
 public:
  const char* className() const override { return "PRMessageNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string messageName;
  std::string messagePhone;
  std::string messageContent;
  std::string messageDate;
  std::optional<std::string> messageDateUTC;
  std::string messageType;  // "Received", "Send" or "unknown"
  std::uint8_t bImessage = 0;
  std::uint8_t bDeleted = 0;
  std::int32_t handle_id = -1;
};

class PRCallHistoryNode : public PRRecord {
 public:
  const char* className() const override { return "PRCallHistoryNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string callName;
  std::string callPhone;
  std::string callDate;
  std::optional<std::string> callDateUTC;
  std::string callType;  // "Outgoing" or "Incoming"
  std::int32_t callTime = -1;
  std::string callDuration;
  std::uint8_t bDeleted = 0;
};

class PRNoteNode : public PRRecord {
 public:
  const char* className() const override { return "PRNoteNode"; }
  void visitFields(FieldVisitor& v) const override;

  // The note carver tells a missing title or body apart from an empty one.
  std::optional<std::string> noteTitle = std::string();
  std::optional<std::string> noteContent = std::string();
  std::string noteDate;
  std::optional<std::string> noteDateUTC;
  std::int32_t uid = -1;
  std::uint8_t bDeleted = 0;
};

class PRBookMarkNode : public PRRecord {
 public:
  const char* className() const override { return "PRBookMarkNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string bookMarkTitle;
  std::string bookMarkURL;
  std::uint8_t bDeleted = 0;
};

class PRCalenderNode : public PRRecord {
 public:
  const char* className() const override { return "PRCalenderNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string calTitle;
  std::string calNote;
  std::string location;
  std::string startDate;
  std::optional<std::string> startDateUTC;
  std::string endDate;
  std::optional<std::string> endDateUTC;
  std::uint8_t bDeleted = 0;
};

class PRPhotoAndVideoNode : public PRRecord {
 public:
  const char* className() const override { return "PRPhotoAndVideoNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string fileNodeName;
  std::string fileNodeSize;
  std::string filePath;
  // the file's plain bytes when it cannot be read at filePath as it is (an
  // encrypted backup's file, decrypted on read); absent otherwise
  ContentRef content;
  std::uint8_t bmov = 0;
};

class PRFaceTwitterNode : public PRRecord {
 public:
  const char* className() const override { return "PRFaceTwitterNode"; }
  void visitFields(FieldVisitor& v) const override;

  std::string faceTwitterFileName;
  std::string faceTwitterFilePath;
  std::string fileSize;
  ContentRef content;  // as PRPhotoAndVideoNode::content
};

// Intermediate pieces, never shown.

struct PRContactImageNode {
  std::int32_t rowid = -1;
  std::optional<Bytes> imageData;
};

struct DelContactValue {
  std::string contactValue;
  std::int32_t valueType = -1;
  std::int32_t rowID = -1;
};

struct PRChatMessageNode {
  std::int32_t rowid = -1;
  std::string phoneValue;
};

struct PRNoteValueNode {
  std::string noteValue;
  std::int32_t uid = -1;
};

}  // namespace orvane
