// The SMS metadata field (type 1): direction, sent and service-centre
// times, and the coding scheme that decides how the body is read.

#include <gtest/gtest.h>

#include "bb_test_support.h"

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

}  // namespace
}  // namespace orvane::testing
