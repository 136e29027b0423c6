// Report entries of iOS records. Every entry is the parts below run
// together, each part exactly as shown with its two trailing blanks; the
// values are the record's fields as they are (the blank that the address
// book's joins leave in front of a name or a number stays):
//
//   Contacts.txt           "Name:%@  Company:%@  Job Title:%@  Phone:%@  Email:%@  Homepage:%@  "
//                          "Address:%@  Birthday:%@  Note:%@  Picture:%@  Deleted:%@  "
//   Messages.txt           "Name:%@  Phone:%@  Date:%@  Type:%@  iMessage:%@  Deleted:%@  "
//                          "Content:%@  "
//   CallHistory.txt        "Name:%@  Phone:%@  Date:%@  Type:%@  Duration:%@  Seconds:%@  "
//                          "Deleted:%@  "
//   Notes.txt              "Title:%@  Date:%@  Deleted:%@  Note:%@  "
//   Calendar&Reminder.txt  "Subject:%@  Location:%@  Start:%@  End:%@  Deleted:%@  "
//                          "Information:%@  "
//   BookMark.txt           "Title:%@  URL:%@  Deleted:%@  "
//
// Flags (iMessage, Deleted, and Picture for a contact with a picture) are
// "Yes" or "No". Seconds is the call's length as a number, empty when the
// call log had none. A note title or body that the carver could not find
// is empty. Long free texts (message content, note body, event
// description) come last, so the short fields stay on the entry's first
// line however many lines the text has. Row numbers (`rowid`, `uid`,
// `handle_id`) join database tables and mean nothing to the reader, so they
// are left out.

#include "export/ios_entries.h"

namespace orvane {

namespace {

std::string part(std::string_view field, std::string_view value) {
  std::string text;
  text.reserve(field.size() + value.size() + 3);
  text += field;
  text += ':';
  text += value;
  text += "  ";
  return text;
}

std::string_view yesNo(std::uint8_t flag) { return flag == 1 ? "Yes" : "No"; }

}  // namespace

std::string reportEntry(const PRContactNode& node) {
  const bool hasPicture = node.imageData && !node.imageData->empty();
  return part("Name", node.contactName) + part("Company", node.contactCompany) +
         part("Job Title", node.contactJobtitle) + part("Phone", node.contactPhone) +
         part("Email", node.contactEmail) + part("Homepage", node.contactHomepage) +
         part("Address", node.contactAdress) + part("Birthday", node.contactBirthday) +
         part("Note", node.contactNote) + part("Picture", hasPicture ? "Yes" : "No") +
         part("Deleted", yesNo(node.bDeleted));
}

std::string reportEntry(const PRMessageNode& node) {
  return part("Name", node.messageName) + part("Phone", node.messagePhone) +
         part("Date", node.messageDate) + part("Type", node.messageType) +
         part("iMessage", yesNo(node.bImessage)) + part("Deleted", yesNo(node.bDeleted)) +
         part("Content", node.messageContent);
}

std::string reportEntry(const PRCallHistoryNode& node) {
  const std::string seconds = node.callTime >= 0 ? std::to_string(node.callTime) : "";
  return part("Name", node.callName) + part("Phone", node.callPhone) + part("Date", node.callDate) +
         part("Type", node.callType) + part("Duration", node.callDuration) +
         part("Seconds", seconds) + part("Deleted", yesNo(node.bDeleted));
}

std::string reportEntry(const PRNoteNode& node) {
  return part("Title", node.noteTitle.value_or("")) + part("Date", node.noteDate) +
         part("Deleted", yesNo(node.bDeleted)) + part("Note", node.noteContent.value_or(""));
}

std::string reportEntry(const PRCalenderNode& node) {
  return part("Subject", node.calTitle) + part("Location", node.location) +
         part("Start", node.startDate) + part("End", node.endDate) +
         part("Deleted", yesNo(node.bDeleted)) + part("Information", node.calNote);
}

std::string reportEntry(const PRBookMarkNode& node) {
  return part("Title", node.bookMarkTitle) + part("URL", node.bookMarkURL) +
         part("Deleted", yesNo(node.bDeleted));
}

}  // namespace orvane
