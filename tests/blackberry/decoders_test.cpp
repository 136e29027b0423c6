// Field tables and join rules of the seven database decoders.

#include <gtest/gtest.h>

#include "bb_test_support.h"
#include "core/content_memory.h"

namespace orvane::testing {
namespace {

using DB = BlackBerryDatabase;

TEST(AddressBookDecoder, EachFieldTypeLandsInItsMember) {
  const auto contact = decodeOne<PRBlackBerryContactNode>(
      DB::kAddressBook,
      {Field(1, "ann@example.com"), Field(10, "2100000A"), Field(33, "Acme"),
       Field(35, "1 Main St"), Field(38, "Springfield"), Field(39, "IL"), Field(40, "62701"),
       Field(41, "USA"), Field(54, "http://ann.example"), Field(55, "Engineer"), Field(59, "Work"),
       Field(64, "met at the fair"), Field(82, "1980-02-29"), Field(200, "ignored")});
  EXPECT_EQ(contact.email, "ann@example.com");
  EXPECT_EQ(contact.pinNumber, "2100000A");
  EXPECT_EQ(contact.companyName, "Acme");
  EXPECT_EQ(contact.address, "1 Main St ");
  EXPECT_EQ(contact.city, "Springfield");
  EXPECT_EQ(contact.provice, "IL");
  EXPECT_EQ(contact.postZcode, "62701");
  EXPECT_EQ(contact.country, "USA");
  EXPECT_EQ(contact.webSite, "http://ann.example");
  EXPECT_EQ(contact.titleName, "Engineer");
  EXPECT_EQ(contact.categories, "Work");
  EXPECT_EQ(contact.note, "met at the fair");
  EXPECT_EQ(contact.brithday, "1980-02-29");
  EXPECT_EQ(contact.contactName, "");
  EXPECT_FALSE(contact.contactImageData.has_value());
}

TEST(AddressBookDecoder, NamePartsAndAddressLinesJoinNewFirst) {
  const auto contact = decodeOne<PRBlackBerryContactNode>(
      DB::kAddressBook,
      {Field(32, "John"), Field(32, "Smith"), Field(35, "Flat 2"), Field(36, "1 High St")});
  EXPECT_EQ(contact.contactName, "Smith John ");
  EXPECT_EQ(contact.address, "1 High St Flat 2 ");
}

TEST(AddressBookDecoder, PhoneNumberCopiesTheKindLastUpdated) {
  auto contact =
      decodeOne<PRBlackBerryContactNode>(DB::kAddressBook, {Field(6, "555"), Field(8, "777")});
  EXPECT_EQ(contact.workCall, "555 ");
  EXPECT_EQ(contact.mobilCall, "777 ");
  EXPECT_EQ(contact.phoneNumber, "777 ");

  contact = decodeOne<PRBlackBerryContactNode>(
      DB::kAddressBook, {Field(6, "1"), Field(16, "2"), Field(7, "3"), Field(17, "4")});
  EXPECT_EQ(contact.workCall, "2 1 ");
  EXPECT_EQ(contact.homeCall, "4 3 ");
  EXPECT_EQ(contact.phoneNumber, "4 3 ");
}

TEST(AddressBookDecoder, PictureKeepsEveryByteAsStored) {
  const Bytes picture{0xFF, 0xD8, 0x00, 0x10, 0x00, 0xFF, 0xD9};
  const auto contact =
      decodeOne<PRBlackBerryContactNode>(DB::kAddressBook, {Field::raw(77, picture)});
  EXPECT_EQ(contact.contactImageData, picture);
}

TEST(AddressBookDecoder, TypeFiveIsFollowedByThreeUncountedBytes) {
  // Without stepping over the 3 bytes the next field would be read from them.
  const auto contact = decodeOne<PRBlackBerryContactNode>(
      DB::kAddressBook, {Field::raw(5, {0x01}).trailing({0x09, 0x00, 0x20}), Field(32, "Ann")});
  EXPECT_EQ(contact.contactName, "Ann ");
}

TEST(AddressBookDecoder, TextsStopAtTheirNulAndInvalidUtf8GivesEmptyText) {
  const auto contact = decodeOne<PRBlackBerryContactNode>(
      DB::kAddressBook, {Field::raw(33, bytesOf(std::string("Acme\0junk", 9))),
                         Field::raw(38, {0xC3, 0x28}), Field(32, "José Núñez")});
  EXPECT_EQ(contact.companyName, "Acme");
  EXPECT_EQ(contact.city, "");
  EXPECT_EQ(contact.contactName, "José Núñez ");
}

TEST(CallLogDecoder, CallKindFromTheFirstDataByte) {
  const std::vector<std::pair<std::uint8_t, std::string>> kinds{
      {0, "Recived"}, {1, "Send"}, {3, "Cancel"}, {2, "UnKnown"}, {5, "UnKnown"}};
  for (const auto& [byte, label] : kinds) {
    const auto call = decodeOne<PRBlackBerryCallNode>(DB::kCallLog, {Field::raw(2, {byte, 7})});
    EXPECT_EQ(call.CallType, label) << int{byte};
  }
  // no byte, no kind
  EXPECT_EQ(decodeOne<PRBlackBerryCallNode>(DB::kCallLog, {Field::raw(2, {})}).CallType, "");
}

TEST(CallLogDecoder, FieldsAndNameJoinedNewLast) {
  const auto call = decodeOne<PRBlackBerryCallNode>(
      DB::kCallLog, {Field::raw(3, {75, 1}), Field(4, "1336314720"), Field(12, "+15551234"),
                     Field(31, "Smith"), Field(55, "John")});
  EXPECT_EQ(call.callDuration, "1 minute");
  EXPECT_EQ(call.CallTime, "1336314720");
  EXPECT_EQ(call.CallNumber, "+15551234");
  EXPECT_EQ(call.CallName, " Smith John");
}

TEST(SmsDecoder, NumberFollowsFourSkippedBytesAndTextIsUtf8) {
  const auto sms = decodeOne<PRBlackBerrySMSMessageNode>(
      DB::kSms, {Field::skip4(2, "+15551234"), Field(4, "See you at 7 ✓")});
  EXPECT_EQ(sms.numberString, "+15551234");
  EXPECT_EQ(sms.contentText, "See you at 7 ✓");
  EXPECT_EQ(sms.type, "");
  EXPECT_EQ(sms.isUncode, 0);
  EXPECT_FALSE(sms.contentData.has_value());
}

TEST(SmsDecoder, DirectionIsTheFirstDataByteOfTheFirstField) {
  // the first field is not of type 1; its first data byte decides
  auto sms = decodeOne<PRBlackBerrySMSMessageNode>(
      DB::kSms, {Field::raw(9, {0x01, 0x00}), Field(4, "x"), Field::raw(1, {0x00})});
  EXPECT_EQ(sms.type, "outgoing");
  sms = decodeOne<PRBlackBerrySMSMessageNode>(DB::kSms, {Field::raw(1, {0x00}), Field(4, "x")});
  EXPECT_EQ(sms.type, "Incoming");
  sms = decodeOne<PRBlackBerrySMSMessageNode>(DB::kSms, {Field::raw(1, {0x02})});
  EXPECT_EQ(sms.type, "");
  // without a type-1 field nothing is set
  sms = decodeOne<PRBlackBerrySMSMessageNode>(DB::kSms, {Field::raw(9, {0x00})});
  EXPECT_EQ(sms.type, "");
}

TEST(SmsDecoder, Utf16TextIsDecodedWhenUtf8GivesNothing) {
  const auto textOf = [](const Bytes& data) {
    return decodeOne<PRBlackBerrySMSMessageNode>(DB::kSms, {Field::raw(4, data)}).contentText;
  };
  // big-endian without a mark: the zero high bytes come first
  EXPECT_EQ(textOf({0x00, 'H', 0x00, 'i', 0x00, 0x00, 0x00, '!'}), "Hi");
  // marks decide
  EXPECT_EQ(textOf({0xFF, 0xFE, 0x1F, 0x04, 0x40, 0x04, 0x38, 0x04}), "При");
  EXPECT_EQ(textOf({0xFE, 0xFF, 0x04, 0x1F, 0x04, 0x40, 0x04, 0x38}), "При");
  // little-endian "é" is not UTF-8 either
  EXPECT_EQ(textOf({0xE9, 0x00, 'a', 0x00}), "éa");
  // no telling from the zeros: little-endian
  EXPECT_EQ(textOf({0x00, 0x01, 'B', 0x00}), "ĀB");
  // a surrogate pair, then a lone surrogate
  EXPECT_EQ(textOf({0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xD8}), "😀\xEF\xBF\xBD");
  // UTF-8 text that decodes is kept as it is
  EXPECT_EQ(textOf(bytesOf("Hi")), "Hi");
}

TEST(MmsDecoder, AttachmentNameClassAndSender) {
  const auto mms = decodeOne<PRBlackBerryMMSMessageNode>(
      DB::kMms, {Field::skip4(2, "ignored"), Field(111, "Ann"), Field(114, "+1555"),
                 Field(103, "photo.jpg")});
  EXPECT_EQ(mms.numberName, "+1555 Ann ");
  EXPECT_EQ(mms.contentDataName, "photo.jpg");
  EXPECT_EQ(mms.contentType, "Image");
  EXPECT_EQ(mms.contentText, "");
  EXPECT_FALSE(mms.contentData.has_value());

  // an extension no list knows leaves the class as it was
  const auto kept = decodeOne<PRBlackBerryMMSMessageNode>(
      DB::kMms, {Field(103, "a.mp3"), Field(103, "smil.qqq")});
  EXPECT_EQ(kept.contentDataName, "smil.qqq");
  EXPECT_EQ(kept.contentType, "Audio");
}

TEST(MmsDecoder, ContentPiecesJoinByTheirRules) {
  // 104 starts the content whatever its size; 105 appends once it has 2 bytes
  auto mms = decodeOne<PRBlackBerryMMSMessageNode>(
      DB::kMms, {Field::raw(104, {1, 2, 3}), Field::raw(105, {4, 5})});
  EXPECT_EQ(mms.contentData, (Bytes{1, 2, 3, 4, 5}));
  // a first 105 piece below 9 bytes is dropped, one of 9 starts the content
  mms = decodeOne<PRBlackBerryMMSMessageNode>(
      DB::kMms, {Field::raw(105, Bytes(8, 7)), Field::raw(105, Bytes(9, 8)), Field::raw(105, {9})});
  Bytes expected(9, 8);
  expected.push_back(9);
  EXPECT_EQ(mms.contentData, expected);
  // content of 1 byte takes no small piece
  mms = decodeOne<PRBlackBerryMMSMessageNode>(DB::kMms,
                                              {Field::raw(104, {1}), Field::raw(105, {2, 3})});
  EXPECT_EQ(mms.contentData, (Bytes{1}));
  // a later 104 starts over
  mms = decodeOne<PRBlackBerryMMSMessageNode>(DB::kMms,
                                              {Field::raw(104, {1, 2}), Field::raw(104, {3})});
  EXPECT_EQ(mms.contentData, (Bytes{3}));
}

TEST(MemoAndCalendarDecoders, FieldTables) {
  const auto memo =
      decodeOne<PRBlackBerryNoteNode>(DB::kMemos, {Field(1, "Shopping"), Field(2, "milk, eggs")});
  EXPECT_EQ(memo.noteTittle, "Shopping");
  EXPECT_EQ(memo.noteContent, "milk, eggs");

  // type 5 is followed by 7 bytes its length does not count
  const auto entry = decodeOne<PRBlackBerryCalenderNode>(
      DB::kCalendar, {Field(2, "Lunch"), Field::raw(5, {1, 2}).trailing(Bytes(7, 0x41)),
                      Field(3, "Café"), Field(2, "with Ann")});
  EXPECT_EQ(entry.bbCalSubject, " Lunch with Ann");
  EXPECT_EQ(entry.bbCalInformation, " Café");
}

TEST(ContentStoreDecoder, PiecesJoinIntoOneFile) {
  Bytes a(100, 0xA1);
  Bytes b(50, 0xB2);
  const auto stored = decodeOne<PRBlackBerryContentNode>(
      DB::kContentStore, {Field(1, "/store/home/user/pictures/IMG01.JPG"), Field::raw(7, a),
                          Field::raw(7, b), Field::raw(7, {0xC3})});
  Bytes joined = a;
  joined.insert(joined.end(), b.begin(), b.end());
  joined.push_back(0xC3);
  EXPECT_EQ(stored.contentData, joined);
  EXPECT_EQ(stored.fileSize, 151u);
  EXPECT_EQ(stored.contentFileSize, "151.00B");
  EXPECT_EQ(stored.ContentFileType, "Image");
  EXPECT_EQ(stored.filePathName, "/store/home/user/pictures/IMG01.JPG");
}

// A photo of several hundred KiB: its pieces land in content memory, in
// order, every byte as stored.
TEST(ContentStoreDecoder, AFileOfManyPiecesIsJoinedByteForByte) {
  std::vector<Field> fields{Field(1, "/store/home/user/videos/clip.3gp")};
  Bytes joined;
  for (int piece = 0; piece < 41; ++piece) {
    Bytes bytes(piece == 40 ? 1234 : 16 * 1024);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(piece) * 13);
    }
    joined.insert(joined.end(), bytes.begin(), bytes.end());
    fields.push_back(Field::raw(7, bytes));
  }
  const auto before = content_memory::usage().blocksInChunks;
  const auto stored = decodeAll<PRBlackBerryContentNode>(DB::kContentStore, fieldArea(fields));
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(content_memory::usage().blocksInChunks, before + 1);
  EXPECT_EQ(stored[0]->contentData, joined);
  EXPECT_EQ(stored[0]->fileSize, joined.size());
  EXPECT_EQ(stored[0]->ContentFileType, "Video");
}

TEST(ContentStoreDecoder, PostedOnlyWithContent) {
  // a 5-byte piece alone is not content
  EXPECT_TRUE(decodeAll<PRBlackBerryContentNode>(
                  DB::kContentStore, fieldArea({Field(1, "/a.txt"), Field::raw(7, Bytes(5, 1))}))
                  .empty());
  // a folder: no piece at all
  EXPECT_TRUE(
      decodeAll<PRBlackBerryContentNode>(DB::kContentStore, fieldArea({Field(1, "/store/")}))
          .empty());
  // a small first piece is dropped, the next starts the file
  const auto stored = decodeOne<PRBlackBerryContentNode>(
      DB::kContentStore, {Field::raw(7, Bytes(8, 1)), Field::raw(7, Bytes(1536, 2))});
  EXPECT_EQ(stored.fileSize, 1536u);
  EXPECT_EQ(stored.contentFileSize, "1.54K");
  EXPECT_EQ(stored.ContentFileType, "");
}

TEST(ContentStoreDecoder, FileClassesInTheirOrder) {
  const std::vector<std::pair<std::string, std::string>> classes{
      {"/a/b.png", "Image"}, {"/a/b.MOV", "Video"},   {"/a/b.mp3", "Audio"},
      {"/a/b.eml", "Email"}, {"/a/b.zip", "Archive"}, {"/a/b.txt", "Document"},
      {"/a/b.qqq", ""},      {"/a.d/readme", ""},     {"noextension", ""}};
  for (const auto& [path, label] : classes) {
    const auto stored = decodeOne<PRBlackBerryContentNode>(
        DB::kContentStore, {Field(1, path), Field::raw(7, Bytes(9, 1))});
    EXPECT_EQ(stored.ContentFileType, label) << path;
  }
}

TEST(AllDecoders, EmptyFieldAreaPostsEmptyRecordsButNoStoredFile) {
  const Bytes none;
  EXPECT_EQ(decodeAll<PRBlackBerryContactNode>(DB::kAddressBook, none).size(), 1u);
  EXPECT_EQ(decodeAll<PRBlackBerryCallNode>(DB::kCallLog, none).size(), 1u);
  EXPECT_EQ(decodeAll<PRBlackBerrySMSMessageNode>(DB::kSms, none).size(), 1u);
  EXPECT_EQ(decodeAll<PRBlackBerryMMSMessageNode>(DB::kMms, none).size(), 1u);
  EXPECT_EQ(decodeAll<PRBlackBerryNoteNode>(DB::kMemos, none).size(), 1u);
  EXPECT_EQ(decodeAll<PRBlackBerryCalenderNode>(DB::kCalendar, none).size(), 1u);
  EXPECT_TRUE(decodeAll<PRBlackBerryContentNode>(DB::kContentStore, none).empty());
  EXPECT_EQ(decodeAll<PRBlackBerryContactNode>(DB::kAddressBook, none).front()->contactName, "");
}

TEST(FieldWalk, FieldsNeverReadPastTheirRecord) {
  // a length past the record gives what the record holds
  auto contact = decodeOne<PRBlackBerryContactNode>(
      DB::kAddressBook, {Field(32, "Jo"), Field(33, "Acme").claimedLength(60000)});
  EXPECT_EQ(contact.contactName, "Jo ");
  EXPECT_EQ(contact.companyName, "Acme");
  const auto picture = decodeOne<PRBlackBerryContactNode>(
      DB::kAddressBook, {Field::raw(77, {1, 2, 3}).claimedLength(65535)});
  EXPECT_EQ(picture.contactImageData, (Bytes{1, 2, 3}));

  // a skip-4 field shorter than its 4 bytes has no data and still ends where it says
  const auto sms =
      decodeOne<PRBlackBerrySMSMessageNode>(DB::kSms, {Field::raw(2, {9, 9}), Field(4, "hi")});
  EXPECT_EQ(sms.numberString, "");
  EXPECT_EQ(sms.contentText, "hi");

  // a field header cut by the end of the area ends the walk
  Bytes area = fieldArea({Field(1, "Title")});
  area.push_back(0x05);
  const auto memos = decodeAll<PRBlackBerryNoteNode>(DB::kMemos, area);
  ASSERT_EQ(memos.size(), 1u);
  EXPECT_EQ(memos.front()->noteTittle, "Title");
}

}  // namespace
}  // namespace orvane::testing
