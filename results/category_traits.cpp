#include "results/category_traits.h"

#include <array>
#include <cstdint>
#include <optional>

#include "core/blackberry_records.h"
#include "core/ios_records.h"
#include "core/scan_list_node.h"

namespace orvane {

namespace {

// The class a pointer to member belongs to.
template <class M>
struct MemberOf;
template <class Node, class Field>
struct MemberOf<Field Node::*> {
  using type = Node;
};

// Any text field reads as a view; a text a scanner may leave missing reads
// as empty.
template <class T>
std::string_view textOf(const T& value) {
  return std::string_view(value);
}
std::string_view textOf(const std::optional<std::string>& value) {
  return value ? std::string_view(*value) : std::string_view();
}

template <auto Field>
std::optional<std::string_view> fieldText(const PRRecord& record) {
  using Node = typename MemberOf<decltype(Field)>::type;
  const auto* node = dynamic_cast<const Node*>(&record);
  if (node == nullptr) return std::nullopt;
  return textOf(node->*Field);
}

// The field as it stands, without surrounding blanks.
template <auto Field>
std::string whole(const PRRecord& record) {
  const auto text = fieldText<Field>(record);
  return text ? std::string(trimSpace(*text)) : std::string();
}

// Long texts show their first line only.
template <auto Field>
std::string firstLine(const PRRecord& record) {
  const auto text = fieldText<Field>(record);
  return text ? std::string(trimSpace(text->substr(0, text->find('\n')))) : std::string();
}

// A device path shows its last component, blanks included.
template <auto Field>
std::string fileName(const PRRecord& record) {
  const auto text = fieldText<Field>(record);
  return text ? std::string(text->substr(text->rfind('/') + 1)) : std::string();
}

using BC = PRBlackBerryContactNode;
using BS = PRBlackBerrySMSMessageNode;
using BN = PRBlackBerryNoteNode;
using BH = PRBlackBerryCallNode;
using BK = PRBlackBerryCalenderNode;
using BM = PRBlackBerryMMSMessageNode;
using BF = PRBlackBerryContentNode;
using IP = PRPhotoAndVideoNode;
using IC = PRContactNode;
using IM = PRMessageNode;
using IN = PRNoteNode;
using IH = PRCallHistoryNode;
using IB = PRBookMarkNode;
using IE = PRCalenderNode;
using IT = PRFaceTwitterNode;
using CF = PRScanListNode;

constexpr ColumnTraits kContentColumns[] = {{"Name", 220, &fileName<&BF::filePathName>},
                                            {"Type", 90, &whole<&BF::ContentFileType>},
                                            {"Size", 80, &whole<&BF::contentFileSize>}};
constexpr ColumnTraits kBbContactColumns[] = {{"Name", 150, &whole<&BC::contactName>},
                                              {"Company", 120, &whole<&BC::companyName>},
                                              {"Mobile", 110, &whole<&BC::mobilCall>},
                                              {"Email", 160, &whole<&BC::email>}};
constexpr ColumnTraits kSmsColumns[] = {{"Phone", 120, &whole<&BS::numberString>},
                                        {"Type", 70, &whole<&BS::type>},
                                        {"Date", 110, &whole<&BS::dateTime>},
                                        {"Content", 240, &firstLine<&BS::contentText>}};
constexpr ColumnTraits kBbNoteColumns[] = {{"Title", 120, &whole<&BN::noteTittle>},
                                           {"Content", 307, &firstLine<&BN::noteContent>}};
constexpr ColumnTraits kBbCallColumns[] = {{"Name", 110, &whole<&BH::CallName>},
                                           {"Number", 174, &whole<&BH::CallNumber>},
                                           {"Type", 60, &whole<&BH::CallType>},
                                           {"Date", 106, &whole<&BH::CallTime>},
                                           {"Duration", 80, &whole<&BH::callDuration>}};
constexpr ColumnTraits kBbCalendarColumns[] = {
    {"Subject", 250, &whole<&BK::bbCalSubject>},
    {"Information", 400, &firstLine<&BK::bbCalInformation>}};
constexpr ColumnTraits kMmsColumns[] = {{"Number", 220, &whole<&BM::numberName>},
                                        {"Attachment", 200, &whole<&BM::contentDataName>},
                                        {"Type", 100, &whole<&BM::contentType>},
                                        {"Text", 200, &firstLine<&BM::contentText>}};

constexpr ColumnTraits kPhotoColumns[] = {{"Name", 220, &whole<&IP::fileNodeName>},
                                          {"Size", 90, &whole<&IP::fileNodeSize>}};
constexpr ColumnTraits kContactColumns[] = {{"Name", 170, &whole<&IC::contactName>},
                                            {"Phone", 150, &whole<&IC::contactPhone>},
                                            {"Email", 160, &whole<&IC::contactEmail>}};
constexpr ColumnTraits kMessageColumns[] = {{"Name", 110, &whole<&IM::messageName>},
                                            {"Phone", 110, &whole<&IM::messagePhone>},
                                            {"Date", 110, &whole<&IM::messageDate>},
                                            {"Content", 240, &firstLine<&IM::messageContent>}};
constexpr ColumnTraits kNoteColumns[] = {{"Title", 150, &whole<&IN::noteTitle>},
                                         {"Date", 110, &whole<&IN::noteDate>}};
constexpr ColumnTraits kCallColumns[] = {{"Name", 120, &whole<&IH::callName>},
                                         {"Number", 174, &whole<&IH::callPhone>},
                                         {"Type", 70, &whole<&IH::callType>},
                                         {"Date", 110, &whole<&IH::callDate>}};
constexpr ColumnTraits kBookmarkColumns[] = {{"Title", 200, &whole<&IB::bookMarkTitle>},
                                             {"URL", 260, &whole<&IB::bookMarkURL>}};
constexpr ColumnTraits kCalendarColumns[] = {{"Title", 200, &whole<&IE::calTitle>},
                                             {"Location", 140, &whole<&IE::location>},
                                             {"Start", 110, &whole<&IE::startDate>},
                                             {"End", 110, &whole<&IE::endDate>}};
constexpr ColumnTraits kAppMediaColumns[] = {{"Name", 220, &whole<&IT::faceTwitterFileName>},
                                             {"Size", 90, &whole<&IT::fileSize>}};

constexpr ColumnTraits kFoundFileColumns[] = {{"Name", 260, &whole<&CF::nodeName>},
                                              {"Size", 90, &whole<&CF::nodeSizeString>},
                                              {"Type", 90, &whole<&CF::fileType>}};

constexpr HeaderSort kNoSort{};

// In the order of the buttons on the bar, which is that of ResultTable.
constexpr CategoryTraits kPages[] = {
    {ResultTable::photo,
     "Photo&Video",
     "photoBtn",
     "phone&videoNom",
     "phone&videoOn",
     PreviewKind::media,
     true,
     {SortKey::name, SortKey::size, SortKey::none}},
    {ResultTable::contact,
     "Contacts",
     "contactBtn",
     "contactNom",
     "contactOn",
     PreviewKind::contact,
     true,
     {SortKey::name, SortKey::name, SortKey::name}},
    {ResultTable::message,
     "Messages",
     "messageBtn",
     "messageNom",
     "messageOn",
     PreviewKind::message,
     true,
     {SortKey::name, SortKey::name, SortKey::name}},
    {ResultTable::note, "Notes", "noteBtn", "noteNom", "noteOn", PreviewKind::note, true, kNoSort},
    {ResultTable::callHistory,
     "Call History",
     "callBtn",
     "callNom",
     "callOn",
     PreviewKind::call,
     true,
     {SortKey::name, SortKey::date, SortKey::date}},
    {ResultTable::calender, "Calendar", "calendarBtn", "CalendarReminderNom", "CalendarReminderOn",
     PreviewKind::calendar, false, kNoSort},
    {ResultTable::mms, "MMS", "bbMMSButton", "MMSMessageBtn", "MMSMessageBtnDown", PreviewKind::mms,
     false, kNoSort},
    {ResultTable::bookMark, "Bookmarks", "bookMarkBtn", "Safari-BookMarkNom", "Safari-BookMarkOn",
     PreviewKind::bookmark, false, kNoSort},
    {ResultTable::faceTwitter, "Facebook/Twitter", "facetwitterBtn", "TwitterFaceBookNom",
     "TwitterFaceBookOn", PreviewKind::appMedia, false, kNoSort},
    {ResultTable::bbImage, "Image", "bbImageBtn", "imageButton", "imageButtonDown",
     PreviewKind::cardImage, false, kNoSort},
    {ResultTable::bbVideo, "Video", "bbVideoBtn", "videoBtn", "videoBtnDown", PreviewKind::none,
     false, kNoSort},
    {ResultTable::bbAudio, "Audio", "bbAudioBtn", "audioBtn", "audioBtnDown", PreviewKind::none,
     false, kNoSort},
    {ResultTable::bbDocument, "Document", "bbDocumentBtn", "DocumentBtn", "DocumentBtnDown",
     PreviewKind::none, false, kNoSort},
    {ResultTable::bbArchive, "Archive", "bbArchiveBtn", "archiveBtn", "archiveBtn",
     PreviewKind::none, false, kNoSort},
};
static_assert(std::size(kPages) == kResultTableCount);

constexpr auto kBlackBerry = BrowseSource::blackBerry;
constexpr auto kIos = BrowseSource::ios;
constexpr auto kCard = BrowseSource::memoryCard;

// A source's first list of a page is the one the page falls back to for the
// sources that do not fill it, so the BlackBerry lists come first.
constexpr CategoryList kLists[] = {
    {kBlackBerry, ResultList::bbContentStoreArray, ResultTable::photo, "PRBlackBerryContentNode",
     kContentColumns, false, "Content_Store", "", "Photo&Video"},
    {kBlackBerry, ResultList::bbContactArray, ResultTable::contact, "PRBlackBerryContactNode",
     kBbContactColumns, false, "Contact", "Contact", "Contacts"},
    {kBlackBerry, ResultList::bbSMSArray, ResultTable::message, "PRBlackBerrySMSMessageNode",
     kSmsColumns, false, "Message", "Message", "Messages"},
    {kBlackBerry, ResultList::bbNoteArray, ResultTable::note, "PRBlackBerryNoteNode",
     kBbNoteColumns, false, "Note", "Note", "Notes"},
    {kBlackBerry, ResultList::bbCallArray, ResultTable::callHistory, "PRBlackBerryCallNode",
     kBbCallColumns, false, "CallHistory", "CallHistory", "Call History"},
    {kBlackBerry, ResultList::bbCalderArray, ResultTable::calender, "PRBlackBerryCalenderNode",
     kBbCalendarColumns, false, "Calendar&Reminder", "Calendar&Reminder", "Calendar"},
    // the folder's name is spelled so on purpose: users' scripts know it;
    // its report is a "Messages.txt" like the SMS one
    {kBlackBerry, ResultList::bbMMSArray, ResultTable::mms, "PRBlackBerryMMSMessageNode",
     kMmsColumns, false, "MMSMessgae", "Message", "MMS"},

    {kIos, ResultList::photoAndVideoArray, ResultTable::photo, "PRPhotoAndVideoNode", kPhotoColumns,
     false, "Photo&Video", "", "Photo&Video"},
    {kIos, ResultList::contactArray, ResultTable::contact, "PRContactNode", kContactColumns, true,
     "Contact", "Contact", "Contacts"},
    {kIos, ResultList::messageArray, ResultTable::message, "PRMessageNode", kMessageColumns, true,
     "Message", "Message", "Messages"},
    {kIos, ResultList::noteArray, ResultTable::note, "PRNoteNode", kNoteColumns, true, "Note",
     "Note", "Notes"},
    {kIos, ResultList::callHistoryArray, ResultTable::callHistory, "PRCallHistoryNode",
     kCallColumns, true, "CallHistory", "CallHistory", "Call History"},
    {kIos, ResultList::bookMarkArray, ResultTable::bookMark, "PRBookMarkNode", kBookmarkColumns,
     true, "BookMark", "BookMark", "Bookmarks"},
    {kIos, ResultList::calenderArray, ResultTable::calender, "PRCalenderNode", kCalendarColumns,
     true, "Calendar&Reminder", "Calendar&Reminder", "Calendar"},
    {kIos, ResultList::faceTwitterArray, ResultTable::faceTwitter, "PRFaceTwitterNode",
     kAppMediaColumns, false, "App Media", "", "App Media"},

    {kCard, ResultList::bbImageArray, ResultTable::bbImage, "PRScanListNode", kFoundFileColumns,
     false, "Image", "", "Image"},
    {kCard, ResultList::bbVedioArray, ResultTable::bbVideo, "PRScanListNode", kFoundFileColumns,
     false, "Video", "", "Video"},
    {kCard, ResultList::bbAudioArray, ResultTable::bbAudio, "PRScanListNode", kFoundFileColumns,
     false, "Audio", "", "Audio"},
    {kCard, ResultList::bbDocumentArray, ResultTable::bbDocument, "PRScanListNode",
     kFoundFileColumns, false, "Document", "", "Document"},
    {kCard, ResultList::bbArchiveArray, ResultTable::bbArchive, "PRScanListNode", kFoundFileColumns,
     false, "Archive", "", "Archive"},
};
static_assert(std::size(kLists) == kResultListCount);

// The code point that starts at `text[at]`, and its length in bytes; a
// byte that starts no valid sequence is its own (non-blank) character.
std::pair<char32_t, std::size_t> decodeAt(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 0;
  if (length == 0 || at + length > text.size()) return {0xFFFD, 1};
  char32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1Fu) : (lead & 0x0Fu);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return {0xFFFD, 1};
    code = (code << 6) | (next & 0x3Fu);
  }
  // an over-long form is no character either
  if ((length == 2 && code < 0x80) || (length == 3 && code < 0x800)) return {0xFFFD, 1};
  return {code, length};
}

bool isSpace(char32_t code) {
  return code == 0x20 || (code >= 0x09 && code <= 0x0D) || code == 0x85 || code == 0xA0 ||
         code == 0x1680 || (code >= 0x2000 && code <= 0x200A) || code == 0x2028 || code == 0x2029 ||
         code == 0x202F || code == 0x205F || code == 0x3000;
}

}  // namespace

std::string_view trimSpace(std::string_view text) {
  // every blank is below U+10000, so sequences of up to three bytes suffice
  std::size_t begin = 0;
  while (begin < text.size()) {
    const auto [code, length] = decodeAt(text, begin);
    if (!isSpace(code)) break;
    begin += length;
  }
  std::size_t end = text.size();
  while (end > begin) {
    std::size_t start = end - 1;
    while (start > begin && end - start < 3 &&
           (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
      --start;
    }
    const auto [code, length] = decodeAt(text, start);
    if (start + length != end || !isSpace(code)) break;
    end = start;
  }
  return text.substr(begin, end - begin);
}

std::span<const CategoryTraits> categoryPages() { return kPages; }

const CategoryTraits& categoryTraits(ResultTable table) {
  return kPages[static_cast<std::size_t>(table)];
}

std::span<const CategoryList> categoryLists() { return kLists; }

const CategoryList& categoryList(ResultList list) {
  for (const CategoryList& entry : kLists) {
    if (entry.list == list) return entry;
  }
  return kLists[0];  // not reached: every list has its row
}

const CategoryList& categoryList(ResultTable table, BrowseSource source) {
  const CategoryList* first = nullptr;
  for (const CategoryList& entry : kLists) {
    if (entry.table != table) continue;
    if (entry.source == source) return entry;
    if (first == nullptr) first = &entry;
  }
  return *first;  // every page has at least one list
}

std::vector<const CategoryList*> listsOf(BrowseSource source) {
  std::vector<const CategoryList*> lists;
  for (const CategoryList& entry : kLists) {
    if (entry.source == source) lists.push_back(&entry);
  }
  return lists;
}

}  // namespace orvane
