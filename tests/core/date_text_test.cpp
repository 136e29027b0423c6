#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

#include "core/conversions.h"
#include "core/time_zone_test.h"

namespace orvane {
namespace {

using C = FieldConversions;
constexpr auto kMessages = DateKind::kMessages;
constexpr auto kNotes = DateKind::kNotes;

using DateText = testing::TimeZoneTest;

TEST_F(DateText, NothingForZeroAndNegative) {
  useZone("UTC0");
  for (DateKind kind : {kMessages, kNotes}) {
    EXPECT_EQ(C::GetDateTime(0, kind), std::nullopt);
    EXPECT_EQ(C::GetDateTime(-1, kind), std::nullopt);
    EXPECT_EQ(C::GetDateTime(std::numeric_limits<std::int64_t>::min(), kind), std::nullopt);
    EXPECT_EQ(C::GetNSStringDate(0, kind), std::nullopt);
  }
}

TEST_F(DateText, MessagesCountFrom1970UnlessThatIsBefore1990) {
  useZone("UTC0");
  EXPECT_EQ(C::GetDateTime(1000000000, kMessages), "09-09-2001 01:46");
  // 1982 when read from 1970, so it counts from 2001
  EXPECT_EQ(C::GetDateTime(400000000, kMessages), "09-04-2013 15:06");
  EXPECT_EQ(C::GetDateTime(631152000, kMessages), "01-01-1990 00:00");
  EXPECT_EQ(C::GetDateTime(631151999, kMessages), "12-31-2020 23:59");
  EXPECT_EQ(C::GetDateTime(1, kMessages), "01-01-2001 00:00");
  EXPECT_EQ(C::GetDateTime(1700000000, kMessages), "11-14-2023 22:13");
}

TEST_F(DateText, NotesAlwaysCountFrom2001) {
  useZone("UTC0");
  EXPECT_EQ(C::GetDateTime(378000000, kNotes), "12-24-2012 00:00");
  EXPECT_EQ(C::GetDateTime(1, kNotes), "01-01-2001 00:00");
  EXPECT_EQ(C::GetNSStringDate(378000000, kNotes), "12-24-2012 00:00");
}

TEST_F(DateText, YearsAfter2016ShowTheirTrueDate) {
  useZone("UTC0");
  EXPECT_EQ(C::GetDateTime(600000000, kNotes), "01-06-2020 10:40");
  // 2017-03-01: the day after a non-leap February
  EXPECT_EQ(C::GetDateTime(1488326400 - 978307200, kNotes), "03-01-2017 00:00");
  // 2024-02-29 and 2100-03-01 (2100 is not a leap year)
  EXPECT_EQ(C::GetDateTime(1709164800 - 978307200, kNotes), "02-29-2024 00:00");
  EXPECT_EQ(C::GetDateTime(4107542400 - 978307200, kNotes), "03-01-2100 00:00");
  // beyond the 32-bit range of seconds
  EXPECT_EQ(C::GetDateTime(4294967296, kMessages), "02-07-2106 06:28");
}

TEST_F(DateText, YearsBeyondFourDigitsGiveNothing) {
  useZone("UTC0");
  EXPECT_EQ(C::GetDateTime(253402300799, kMessages), "12-31-9999 23:59");
  EXPECT_EQ(C::GetDateTime(253402300800, kMessages), std::nullopt);
  EXPECT_EQ(C::GetDateTime(253402300799 - 978307200, kNotes), "12-31-9999 23:59");
  EXPECT_EQ(C::GetDateTime(253402300800 - 978307200, kNotes), std::nullopt);
  for (DateKind kind : {kMessages, kNotes}) {
    EXPECT_EQ(C::GetDateTime(std::numeric_limits<std::int64_t>::max(), kind), std::nullopt);
    EXPECT_EQ(C::GetDateTime(std::numeric_limits<std::int64_t>::max() - 978307200, kind),
              std::nullopt);
  }
}

TEST_F(DateText, LocalTimeOfTheZone) {
  // five and a half hours east of UTC, no summer time
  useZone("IST-5:30");
  EXPECT_EQ(C::GetDateTime(1000000000, kMessages), "09-09-2001 07:16");
  EXPECT_EQ(C::GetDateTime(378000000, kNotes), "12-24-2012 05:30");
  // already 1990 in this zone, though still 1989 in UTC: kept as it is
  EXPECT_EQ(C::GetDateTime(631151999, kMessages), "01-01-1990 05:29");
}

TEST_F(DateText, SummerTimeRulesApply) {
  useZone("EST5EDT,M3.2.0,M11.1.0");
  EXPECT_EQ(C::GetDateTime(1700000000, kMessages), "11-14-2023 17:13");  // winter, UTC-5
  EXPECT_EQ(C::GetDateTime(1690000000, kMessages), "07-22-2023 00:26");  // summer, UTC-4
  // one second after 1970 UTC is still 1969 here: counted from 2001
  EXPECT_EQ(C::GetDateTime(1, kMessages), "12-31-2000 19:00");
}

}  // namespace
}  // namespace orvane
