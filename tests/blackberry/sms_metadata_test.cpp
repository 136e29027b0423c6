// The SMS metadata field (type 1): direction, sent and service-centre
// times, and the coding scheme that decides how the body is read.

#include <gtest/gtest.h>

#include "bb_test_support.h"
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

}  // namespace
}  // namespace orvane::testing
