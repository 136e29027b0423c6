// Field tables and join rules of the seven database decoders, the SMS
// metadata (direction, times, the coding scheme that decides how the body is
// read), and how stored files, attachments and pictures refer to their
// pieces in the file.

#include <gtest/gtest.h>

#include "bb_test_support.h"
#include "core/time_zone_test.h"

namespace orvane::testing {
namespace {

using DB = BlackBerryDatabase;

PRBlackBerrySMSMessageNode decodeSms(const std::vector<Field>& fields,
                                     const std::string& charset = "") {
  return decodeOne<PRBlackBerrySMSMessageNode>(DB::kSms, fields, charset);
}

// Type 5 is followed by 3 bytes its length does not count; texts stop at
// their NUL; invalid UTF-8 gives empty text.
TEST(AddressBookDecoder, FieldTypesJoinsAndPhoneNumber) {
  const auto contact = decodeOne<PRBlackBerryContactNode>(
      DB::kAddressBook, {Field(1, "ann@example.com"),
                         Field(10, "2100000A"),
                         Field::raw(5, {0x01}).trailing({0x09, 0x00, 0x20}),
                         Field::raw(33, bytesOf(std::string("Acme\0junk", 9))),
                         Field(35, "Flat 2"),
                         Field(36, "1 High St"),
                         Field(38, "Springfield"),
                         Field::raw(39, {0xC3, 0x28}),
                         Field(40, "62701"),
                         Field(41, "USA"),
                         Field(54, "http://ann.example"),
                         Field(55, "Engineer"),
                         Field(59, "Work"),
                         Field(64, "met at the fair"),
                         Field(82, "1980-02-29"),
                         Field(200, "ignored"),
                         Field(32, "John"),
                         Field(32, "Smith"),
                         Field(6, "1"),
                         Field(16, "2"),
                         Field(8, "777"),
                         Field(7, "3"),
                         Field(17, "4")});
  EXPECT_EQ(dumpRecord(contact),
            "PRBlackBerryContactNode\ncontactName=Smith John \ncompanyName=Acme\n"
            "titleName=Engineer\ncontactImageData=<none>\nemail=ann@example.com\n"
            "phoneNumber=4 3 \nworkCall=2 1 \nhomeCall=4 3 \nmobilCall=777 \n"
            "pinNumber=2100000A\naddress=1 High St Flat 2 \ncity=Springfield\nprovice=\n"
            "country=USA\npostZcode=62701\nbrithday=1980-02-29\ncategories=Work\n"
            "webSite=http://ann.example\n"
            "note=met at the fair\nbSelected=0\n");
}

TEST(CallLogDecoder, KindDurationAndNameJoinedNewLast) {
  for (const auto& [byte, label] : std::vector<std::pair<std::uint8_t, std::string>>{
           {0, "Recived"}, {1, "Send"}, {3, "Cancel"}, {2, "UnKnown"}, {5, "UnKnown"}}) {
    EXPECT_EQ(decodeOne<PRBlackBerryCallNode>(DB::kCallLog, {Field::raw(2, {byte, 7})}).CallType,
              label)
        << int{byte};
  }
  const auto call = decodeOne<PRBlackBerryCallNode>(
      DB::kCallLog, {Field::raw(2, {}), Field::raw(3, {75, 1}), Field(4, "1336314720"),
                     Field(12, "+15551234"), Field(31, "Smith"), Field(55, "John")});
  // no byte, no kind
  EXPECT_EQ(dumpRecord(call),
            "PRBlackBerryCallNode\nCallName= Smith John\nCallNumber=+15551234\n"
            "CallTime=1336314720\nCallType=\ncallDuration=1 minute\nbSelected=0\n");
}

TEST(SmsDecoder, NumberAndText) {
  const auto sms = decodeOne<PRBlackBerrySMSMessageNode>(
      DB::kSms, {Field::skip4(2, "+15551234"), Field(4, "See you at 7 ✓")});
  EXPECT_EQ(dumpRecord(sms),
            "PRBlackBerrySMSMessageNode\ncontentText=See you at 7 ✓\nnumberString=+15551234\n"
            "isUncode=0\ntype=\ndateTime=\ncontentData=<none>\nbSelected=0\n");
}

TEST(SmsMetadata, DirectionIsTheMetadataFieldsOwnFirstByte) {
  struct Case {
    const char* what;
    std::vector<Field> fields;
    std::string type;
  };
  const std::vector<Case> cases{
      {"received", {Field::smsMetadata(1), Field(4, "hi")}, "Incoming"},
      {"sent", {Field::smsMetadata(0), Field(4, "hi")}, "outgoing"},
      {"unknown value", {Field::smsMetadata(2)}, ""},
      {"empty metadata", {Field::raw(1, {})}, ""},
      // another field's first byte says nothing, wherever the metadata stands
      {"metadata not first", {Field::raw(9, {0x00}), Field::smsMetadata(1)}, "Incoming"},
  };
  for (const auto& c : cases) EXPECT_EQ(decodeSms(c.fields).type, c.type) << c.what;
}

class SmsDate : public TimeZoneTest {};

TEST_F(SmsDate, SentTimeElseServiceCentreTime) {
  useZone("UTC");
  constexpr std::int64_t kSent = 1336314720000;    // 2012-05-06 14:32:00 UTC
  constexpr std::int64_t kCentre = 1336402259999;  // 2012-05-07 14:50:59.999 UTC
  struct Case {
    const char* what;
    Field metadata;
    std::string dateTime;
  };
  const std::vector<Case> cases{
      {"sent time", Field::smsMetadata(1, kSent, kCentre), "05-06-2012 14:32"},
      {"no sent time", Field::smsMetadata(0, 0, kCentre), "05-07-2012 14:50"},
      {"no time at all", Field::smsMetadata(1), ""},
      {"shortest with a date", Field::smsMetadata(1, kSent, 0, 0, 30), "05-06-2012 14:32"},
      {"one byte short", Field::smsMetadata(1, kSent, 0, 0, 29), ""},
  };
  for (const auto& c : cases) {
    const auto sms = decodeSms({c.metadata, Field(4, "hi")});
    EXPECT_EQ(sms.dateTime, c.dateTime) << c.what;
  }
}

// The body by the metadata's coding scheme, else by what its bytes are.
TEST(SmsText, CodingSchemeUtf8AndLegacyCharsets) {
  struct Case {
    const char* what;
    std::optional<std::uint8_t> codingScheme;  // none: no metadata
    Bytes body;
    std::string charset;
    std::string text;
  };
  const Bytes ucs2{0x04, 0x1F, 0x04, 0x40, 0x04, 0x38, 0x00, '!', 0x00, 0x00};
  const std::vector<Case> cases{
      {"UCS-2 big-endian", 2, ucs2, "", "При!"},
      // an odd count is never read as UTF-16, even when the metadata says so
      {"UCS-2 of odd length", 2, {'O', 'K', '!'}, "", "OK!"},
      {"private use in UCS-2", 2, {0xE0, 0x01, 0x00, 'a'}, "", "\uFFFDa"},
      {"seven-bit", 0, bytesOf(std::string("See you\0", 8)), "", "See you"},
      {"eight-bit UTF-8", 1, bytesOf("Caf\xC3\xA9"), "", "Café"},
      {"eight-bit Windows-1252", 1, {'C', 'a', 'f', 0xE9, ' ', 0x80, 0x00}, "", "Café €"},
      {"named charset", 0, {0xE3, 0xE5, 0xE9, 0xDC, 0x00}, "ISO-8859-7", "γειά"},
      {"no metadata, plainly UTF-16", std::nullopt, {'H', 0, 'i', 0, 0, 0}, "", "Hi"},
      {"no metadata, little-endian mark", std::nullopt, {0xFF, 0xFE, 0x1F, 0x04}, "", "П"},
      {"no metadata, a surrogate pair, then a lone one",
       std::nullopt,
       {0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xD8},
       "",
       "😀\uFFFD"},
      {"no metadata, odd length", std::nullopt, {0xE9, 0x00, 'a'}, "", "é"},
      {"no metadata, 8-bit", std::nullopt, {'n', 0xE3, 'o'}, "", "não"},
  };
  for (const auto& c : cases) {
    std::vector<Field> fields;
    if (c.codingScheme) fields.push_back(Field::smsMetadata(1, 0, 0, *c.codingScheme));
    fields.push_back(Field::raw(4, c.body));
    EXPECT_EQ(decodeSms(fields, c.charset).contentText, c.text) << c.what;
  }
}

TEST(MmsDecoder, AttachmentNameClassAndSender) {
  const auto mms = decodeOne<PRBlackBerryMMSMessageNode>(
      DB::kMms, {Field::skip4(2, "ignored"), Field(111, "Ann"), Field(114, "+1555"),
                 Field(103, "a.mp3"), Field(103, "smil.qqq")});
  // an extension no list knows leaves the class as it was
  EXPECT_EQ(dumpRecord(mms),
            "PRBlackBerryMMSMessageNode\nnumberName=+1555 Ann \ncontentText=\n"
            "contentDataName=smil.qqq\ncontentType=Audio\ncontentData=<none>\nbSelected=0\n");
}

TEST(MmsDecoder, ContentPiecesJoinByTheirRules) {
  const std::vector<std::pair<std::vector<Field>, std::optional<Bytes>>> cases{
      // 104 starts the content whatever its size; 105 appends once it has 2 bytes
      {{Field::raw(104, {1, 2, 3}), Field::raw(105, {4, 5})}, Bytes{1, 2, 3, 4, 5}},
      // a first 105 piece below 9 bytes is dropped, one of 9 starts the content
      {{Field::raw(105, Bytes(8, 7)), Field::raw(105, {8, 8, 8, 8, 8, 8, 8, 8, 8}),
        Field::raw(105, {9})},
       Bytes{8, 8, 8, 8, 8, 8, 8, 8, 8, 9}},
      // a later 104 starts over; an empty one is present and empty
      {{Field::raw(104, {1, 2}), Field::raw(104, {3})}, Bytes{3}},
      {{Field::raw(104, {})}, Bytes{}},
      {{Field::raw(105, Bytes(8, 1))}, std::nullopt}};
  for (const auto& [fields, content] : cases) {
    EXPECT_EQ(contentOf(decodeOne<PRBlackBerryMMSMessageNode>(DB::kMms, fields).contentData),
              content);
  }
}

TEST(MemoAndCalendarDecoders, FieldTables) {
  const auto memo =
      decodeOne<PRBlackBerryNoteNode>(DB::kMemos, {Field(1, "Shopping"), Field(2, "milk, eggs")});
  EXPECT_EQ(dumpRecord(memo),
            "PRBlackBerryNoteNode\nnoteTittle=Shopping\nnoteContent=milk, eggs\nbSelected=0\n");
  // type 5 is followed by 7 bytes its length does not count
  const auto entry = decodeOne<PRBlackBerryCalenderNode>(
      DB::kCalendar, {Field(2, "Lunch"), Field::raw(5, {1, 2}).trailing(Bytes(7, 0x41)),
                      Field(3, "Café"), Field(2, "with Ann")});
  EXPECT_EQ(dumpRecord(entry),
            "PRBlackBerryCalenderNode\nbbCalSubject= Lunch with Ann\nbbCalInformation= Café\n"
            "bSelected=0\n");
}

// A record without content is not posted; once there is content, pieces of
// any size join it; the class follows the extension, in the lists' order.
TEST(ContentStoreDecoder, PostedOnlyWithContentAndClassedByExtension) {
  for (const auto& fields : std::vector<std::vector<Field>>{
           {Field(1, "/a.txt"), Field::raw(7, Bytes(5, 1))},  // a 5-byte piece is not content
           {Field(1, "/store/")},                             // a folder: no piece at all
           {}}) {
    EXPECT_TRUE(decodeAll<PRBlackBerryContentNode>(DB::kContentStore, fieldArea(fields)).empty());
  }
  const std::vector<std::pair<std::string, std::string>> classes{
      {"/a/b.png", "Image"}, {"/a/b.MOV", "Video"},   {"/a/b.mp3", "Audio"},
      {"/a/b.eml", "Email"}, {"/a/b.zip", "Archive"}, {"/a/b.txt", "Document"},
      {"/a/b.qqq", ""},      {"/a.d/readme", ""},     {"noextension", ""}};
  for (const auto& [path, label] : classes) {
    const auto stored = decodeOne<PRBlackBerryContentNode>(
        DB::kContentStore, {Field::raw(7, Bytes(100, 1)), Field::raw(7, Bytes(1436, 2)),
                            Field::raw(7, {3}), Field(1, path)});
    EXPECT_EQ(stored.ContentFileType, label) << path;
    EXPECT_EQ(stored.fileSize, 1537u);
    EXPECT_EQ(stored.contentFileSize, "1.54K");
  }
}

TEST(FieldWalk, FieldsNeverReadPastTheirRecord) {
  // a length past the record gives what the record holds, texts and content alike
  const auto contact = decodeOne<PRBlackBerryContactNode>(
      DB::kAddressBook, {Field(32, "Jo"), Field::raw(77, {1, 2, 3}).claimedLength(65535)});
  EXPECT_EQ(contact.contactName, "Jo ");
  EXPECT_EQ(contentOf(contact.contactImageData), (Bytes{1, 2, 3}));

  // a skip-4 field shorter than its 4 bytes has no data and still ends where it says
  const auto sms =
      decodeOne<PRBlackBerrySMSMessageNode>(DB::kSms, {Field::raw(2, {9, 9}), Field(4, "hi")});
  EXPECT_EQ(sms.numberString, "");
  EXPECT_EQ(sms.contentText, "hi");

  // a field header cut by the end of the area ends the walk
  Bytes area = fieldArea({Field(1, "Title")});
  area.push_back(0x05);
  EXPECT_EQ(decodeAll<PRBlackBerryNoteNode>(DB::kMemos, area).at(0)->noteTittle, "Title");
}

}  // namespace
}  // namespace orvane::testing
