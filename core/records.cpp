#include <algorithm>
#include <cstring>

#include "core/blackberry_records.h"
#include "core/ios_records.h"
#include "core/scan_list_node.h"

namespace orvane {

void PRContactNode::visitFields(FieldVisitor& v) const {
  v.number("rowid", rowid);
  v.text("contactName", contactName);
  v.text("contactPhone", contactPhone);
  v.text("contactEmail", contactEmail);
  v.text("contactHomepage", contactHomepage);
  v.text("contactCompany", contactCompany);
  v.text("contactBirthday", contactBirthday);
  v.text("contactJobtitle", contactJobtitle);
  v.text("contactNote", contactNote);
  v.text("contactAdress", contactAdress);
  v.bytes("imageData", imageData);
  v.number("bDeleted", bDeleted);
  v.number("bSelected", bSelected);
}

void PRMessageNode::visitFields(FieldVisitor& v) const {
  v.text("messageName", messageName);
  v.text("messagePhone", messagePhone);
  v.text("messageContent", messageContent);
  v.text("messageDate", messageDate);
  v.optionalText("messageDateUTC", messageDateUTC);
  v.text("messageType", messageType);
  v.number("bImessage", bImessage);
  v.number("bSelected", bSelected);
  v.number("bDeleted", bDeleted);
  v.number("handle_id", handle_id);
}

void PRCallHistoryNode::visitFields(FieldVisitor& v) const {
  v.text("callName", callName);
  v.text("callPhone", callPhone);
  v.text("callDate", callDate);
  v.optionalText("callDateUTC", callDateUTC);
  v.text("callType", callType);
  v.number("callTime", callTime);
  v.text("callDuration", callDuration);
  v.number("bSelected", bSelected);
  v.number("bDeleted", bDeleted);
}

void PRNoteNode::visitFields(FieldVisitor& v) const {
  v.optionalText("noteTitle", noteTitle);
  v.optionalText("noteContent", noteContent);
  v.text("noteDate", noteDate);
  v.optionalText("noteDateUTC", noteDateUTC);
  v.number("uid", uid);
  v.number("bSelected", bSelected);
  v.number("bDeleted", bDeleted);
}

void PRBookMarkNode::visitFields(FieldVisitor& v) const {
  v.text("bookMarkTitle", bookMarkTitle);
  v.text("bookMarkURL", bookMarkURL);
  v.number("bSelected", bSelected);
  v.number("bDeleted", bDeleted);
}

void PRCalenderNode::visitFields(FieldVisitor& v) const {
  v.text("calTitle", calTitle);
  v.text("calNote", calNote);
  v.text("location", location);
  v.text("startDate", startDate);
  v.optionalText("startDateUTC", startDateUTC);
  v.text("endDate", endDate);
  v.optionalText("endDateUTC", endDateUTC);
  v.number("bDeleted", bDeleted);
  v.number("bSelected", bSelected);
}

void PRPhotoAndVideoNode::visitFields(FieldVisitor& v) const {
  v.text("fileNodeName", fileNodeName);
  v.text("fileNodeSize", fileNodeSize);
  v.text("filePath", filePath);
  v.number("bmov", bmov);
  v.number("bSelected", bSelected);
}

void PRFaceTwitterNode::visitFields(FieldVisitor& v) const {
  v.text("faceTwitterFileName", faceTwitterFileName);
  v.text("faceTwitterFilePath", faceTwitterFilePath);
  v.text("fileSize", fileSize);
  v.number("bSelected", bSelected);
}

void PRBlackBerryContactNode::visitFields(FieldVisitor& v) const {
  v.text("contactName", contactName);
  v.text("companyName", companyName);
  v.text("titleName", titleName);
  v.content("contactImageData", contactImageData);
  v.text("email", email);
  v.text("phoneNumber", phoneNumber);
  v.text("workCall", workCall);
  v.text("homeCall", homeCall);
  v.text("mobilCall", mobilCall);
  v.text("pinNumber", pinNumber);
  v.text("address", address);
  v.text("city", city);
  v.text("provice", provice);
  v.text("country", country);
  v.text("postZcode", postZcode);
  v.text("brithday", brithday);
  v.text("categories", categories);
  v.text("webSite", webSite);
  v.text("note", note);
  v.number("bSelected", bSelected);
}

void PRBlackBerryCallNode::visitFields(FieldVisitor& v) const {
  v.text("CallName", CallName);
  v.text("CallNumber", CallNumber);
  v.text("CallTime", CallTime);
  v.text("CallType", CallType);
  v.text("callDuration", callDuration);
  v.number("bSelected", bSelected);
}

void PRBlackBerrySMSMessageNode::visitFields(FieldVisitor& v) const {
  v.text("contentText", contentText);
  v.text("numberString", numberString);
  v.number("isUncode", isUncode);
  v.text("type", type);
  v.text("dateTime", dateTime);
  // a backup keeps no SMS body bytes besides the text; the field stays for
  // readers of the JSON
  v.bytes("contentData", std::optional<ByteView>());
  v.number("bSelected", bSelected);
}

void PRBlackBerryMMSMessageNode::visitFields(FieldVisitor& v) const {
  v.text("numberName", numberName);
  v.text("contentText", contentText);
  v.text("contentDataName", contentDataName);
  v.text("contentType", contentType);
  v.content("contentData", contentData);
  v.number("bSelected", bSelected);
}

void PRBlackBerryNoteNode::visitFields(FieldVisitor& v) const {
  v.text("noteTittle", noteTittle);
  v.text("noteContent", noteContent);
  v.number("bSelected", bSelected);
}

void PRBlackBerryCalenderNode::visitFields(FieldVisitor& v) const {
  v.text("bbCalSubject", bbCalSubject);
  v.text("bbCalInformation", bbCalInformation);
  v.number("bSelected", bSelected);
}

void PRBlackBerryContentNode::visitFields(FieldVisitor& v) const {
  v.text("filePathName", filePathName);
  v.content("contentData", contentData);
  v.text("ContentFileType", ContentFileType);
  v.text("contentFileSize", contentFileSize);
  v.unsignedNumber("fileSize", fileSize);
  v.number("bSelected", bSelected);
}

void PRScanListNode::setfile(std::uint64_t fileStart, std::uint32_t fileLength,
                             std::string_view proposedName, std::vector<ContentRun> runs) {
  constexpr std::size_t kLongestName = 4096;
  fileinfo.file_start = fileStart;
  fileinfo.file_len = fileLength;
  proposedName = proposedName.substr(0, std::min(proposedName.size(), kLongestName));
  fileinfo.pFileName.assign(proposedName.substr(0, proposedName.find('\0')));
  std::uint64_t total = 0;
  for (const ContentRun& run : runs) total += run.length;
  if (total != fileLength) runs.clear();
  fileinfo.runs = std::move(runs);
}

void PRScanListNode::visitFields(FieldVisitor& v) const {
  v.text("nodeName", nodeName);
  v.text("nodeSizeString", nodeSizeString);
  v.unsignedNumber("fileSizeNumber", fileSizeNumber);
  v.text("fileType", fileType);
  v.optionalText("createTime", createTime);
  v.optionalText("modifyTime", modifyTime);
  v.optionalText("validaty", validaty);
  v.optionalText("bDeleted", bDeleted);
  v.number("bMarked", bMarked);
  v.number("bSelected", bSelected);
  v.unsignedNumber("file_start", fileinfo.file_start);
}

}  // namespace orvane
