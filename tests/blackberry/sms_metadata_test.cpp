// The SMS metadata field (type 1): direction, sent and service-centre
// times, and the coding scheme that decides how the body is read.

#include <gtest/gtest.h>

#include "bb_test_support.h"
#include "blackberry/field_text.h"
#include "core/time_zone_test.h"

namespace orvane::testing {
namespace {

using DB = BlackBerryDatabase;

PRBlackBerrySMSMessageNode decodeSms(const std::vector<Field>& fields) {
  return decodeOne<PRBlackBerrySMSMessageNode>(DB::kSms, fields);
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
      {"no metadata", {Field::raw(9, {0x01}), Field(4, "hi")}, ""},
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
      {"direction only", Field::raw(1, {0x01}), ""},
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
      {"UCS-2 ending in one NUL byte", 2, {0x00, 'H', 0x00, 'i', 0x00}, "", "Hi"},
      // an odd count is never read as UTF-16, even when the metadata says so
      {"UCS-2 of odd length", 2, {'O', 'K', '!'}, "", "OK!"},
      {"private use in UCS-2", 2, {0xE0, 0x01, 0x00, 'a'}, "", "\uFFFDa"},
      {"seven-bit", 0, bytesOf(std::string("See you\0", 8)), "", "See you"},
      {"eight-bit UTF-8", 1, bytesOf("Caf\xC3\xA9"), "", "Café"},
      {"eight-bit Windows-1252", 1, {'C', 'a', 'f', 0xE9, ' ', 0x80, 0x00}, "", "Café €"},
      {"named charset", 0, {0xE3, 0xE5, 0xE9, 0xDC, 0x00}, "ISO-8859-7", "γειά"},
      {"byte the charset leaves undefined", 1, {'a', 0x81, 'b'}, "", "a\uFFFDb"},
      // bytes that would pair into private-use characters read as UTF-16
      {"odd Latin bytes with metadata", 0, {0xE9, 0xE0, 0xE8}, "", "éàè"},
      {"no metadata, plainly UTF-16", std::nullopt, {'H', 0, 'i', 0, 0, 0}, "", "Hi"},
      {"no metadata, mark", std::nullopt, {0xFE, 0xFF, 0x04, 0x1F}, "", "П"},
      {"no metadata, odd length", std::nullopt, {0xE9, 0x00, 'a'}, "", "é"},
      {"no metadata, UTF-8 ending in NUL", std::nullopt, bytesOf(std::string("Hey\0", 4)), "",
       "Hey"},
      {"no metadata, 8-bit", std::nullopt, {'n', 0xE3, 'o'}, "", "não"},
  };
  for (const auto& c : cases) {
    std::vector<Field> fields;
    if (c.codingScheme) fields.push_back(Field::smsMetadata(1, 0, 0, *c.codingScheme));
    fields.push_back(Field::raw(4, c.body));
    NotificationCenter nc;
    EventCollector collector(nc);
    const Bytes area = fieldArea(fields);
    BlackBerryDecoders decoders(nc);
    decoders.useTextCharset(c.charset);
    decoders.decode(DB::kSms, area, 0);
    const auto sms = collector.records<PRBlackBerrySMSMessageNode>();
    ASSERT_EQ(sms.size(), 1u) << c.what;
    EXPECT_EQ(sms[0]->contentText, c.text) << c.what;
  }
}

TEST(SmsText, CharsetNamesAreCheckedAgainstIconv) {
  EXPECT_TRUE(isKnownTextCharset(""));
  EXPECT_TRUE(isKnownTextCharset("ISO-8859-7"));
  EXPECT_FALSE(isKnownTextCharset("NO-SUCH-SET"));
}

}  // namespace
}  // namespace orvane::testing
