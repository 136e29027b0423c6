// Date texts around changes of a zone's offset: the local time of every
// second must be the system's, however the breakdown is reused between
// records.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include "core/conversions.h"
#include "core/time_zone_test.h"

namespace orvane {
namespace {

class DateTextAcrossOffsetChanges : public testing::TimeZoneTest {
 protected:
  // The text as the system's own breakdown of that second gives it.
  static std::string systemText(std::int64_t seconds) {
    const auto when = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (::localtime_r(&when, &parts) == nullptr) return "(none)";
    char text[32];
    std::strftime(text, sizeof text, "%m-%d-%Y %H:%M", &parts);
    return text;
  }

  // Every second from two hours before to two hours after, in time order
  // as a scan meets them, then every 7th second backwards.
  static void expectSystemTextAround(std::int64_t change) {
    for (std::int64_t t = change - 7200; t <= change + 7200; ++t) {
      ASSERT_EQ(FieldConversions::GetDateTime(t, DateKind::kMessages).value_or("(none)"),
                systemText(t))
          << "at " << t;
    }
    for (std::int64_t t = change + 7200; t >= change - 7200; t -= 7) {
      ASSERT_EQ(FieldConversions::GetDateTime(t, DateKind::kMessages).value_or("(none)"),
                systemText(t))
          << "at " << t;
    }
  }
};

// 2023-03-12 07:00 UTC and 2023-11-05 06:00 UTC
constexpr std::int64_t kSpringForward2023 = 1678604400;
constexpr std::int64_t kFallBack2023 = 1699164000;

TEST_F(DateTextAcrossOffsetChanges, SummerTimeStartsAndEnds) {
  useZone("EST5EDT,M3.2.0,M11.1.0");
  EXPECT_EQ(FieldConversions::GetDateTime(kSpringForward2023 - 1, DateKind::kMessages),
            "03-12-2023 01:59");
  EXPECT_EQ(FieldConversions::GetDateTime(kSpringForward2023, DateKind::kMessages),
            "03-12-2023 03:00");
  // the hour from 1:00 to 2:00 comes twice
  EXPECT_EQ(FieldConversions::GetDateTime(kFallBack2023 - 60, DateKind::kMessages),
            "11-05-2023 01:59");
  EXPECT_EQ(FieldConversions::GetDateTime(kFallBack2023, DateKind::kMessages), "11-05-2023 01:00");
  expectSystemTextAround(kSpringForward2023);
  expectSystemTextAround(kFallBack2023);
}

TEST_F(DateTextAcrossOffsetChanges, ChangeInTheMiddleOfAnHourOfUtc) {
  // half an hour of summer time, changed at 2:00 local (15:30 UTC)
  useZone("<+1030>-10:30<+11>-11,M10.1.0,M4.1.0");
  // 2023-10-01 02:00 local standard time
  const std::int64_t summerStarts = 1696087800;
  EXPECT_EQ(FieldConversions::GetDateTime(summerStarts - 60, DateKind::kMessages),
            "10-01-2023 01:59");
  EXPECT_EQ(FieldConversions::GetDateTime(summerStarts, DateKind::kMessages), "10-01-2023 02:30");
  expectSystemTextAround(summerStarts);
}

TEST_F(DateTextAcrossOffsetChanges, OffsetsWithSeconds) {
  useZone("<LMT>-0:30:15");
  // 22:13:20 UTC is 22:43:35 here
  EXPECT_EQ(FieldConversions::GetDateTime(1700000000 - 36, DateKind::kMessages),
            "11-14-2023 22:42");
  EXPECT_EQ(FieldConversions::GetDateTime(1700000000 - 35, DateKind::kMessages),
            "11-14-2023 22:43");
  expectSystemTextAround(1700000000);
}

TEST_F(DateTextAcrossOffsetChanges, ZoneChangedBetweenCallsInTheSameHour) {
  useZone("UTC0");
  EXPECT_EQ(FieldConversions::GetDateTime(1000000000, DateKind::kMessages), "09-09-2001 01:46");
  useZone("IST-5:30");
  EXPECT_EQ(FieldConversions::GetDateTime(1000000001, DateKind::kMessages), "09-09-2001 07:16");
  useZone("EST5EDT,M3.2.0,M11.1.0");
  EXPECT_EQ(FieldConversions::GetDateTime(1000000002, DateKind::kMessages), "09-08-2001 21:46");
  // the same name with other rules is another zone
  useZone("EST5EDT,M10.1.0,M11.1.0");
  EXPECT_EQ(FieldConversions::GetDateTime(1000000003, DateKind::kMessages), "09-08-2001 20:46");
}

TEST_F(DateTextAcrossOffsetChanges, ZoneFilesWithHistory) {
  if (!std::filesystem::exists("/usr/share/zoneinfo/Australia/Lord_Howe")) {
    GTEST_SKIP() << "no zone files on this machine";
  }
  useZone("Australia/Lord_Howe");
  expectSystemTextAround(1696087800);  // 2023-10-01, half an hour forward
  useZone("Pacific/Kiritimati");
  // 1994-12-31 10:00 UTC: from ten hours west to fourteen hours east
  EXPECT_EQ(FieldConversions::GetDateTime(788868000 - 1, DateKind::kMessages), "12-30-1994 23:59");
  EXPECT_EQ(FieldConversions::GetDateTime(788868000, DateKind::kMessages), "01-01-1995 00:00");
  expectSystemTextAround(788868000);
}

TEST_F(DateTextAcrossOffsetChanges, LeapSecondsOfRightZones) {
  if (!std::filesystem::exists("/usr/share/zoneinfo/right/UTC")) {
    GTEST_SKIP() << "no leap-second zone files on this machine";
  }
  useZone("right/UTC");
  // 2016-12-31 23:59:60, counted with the 26 leap seconds before it
  const std::int64_t leap = 1483228800 + 26;
  EXPECT_EQ(systemText(leap), "12-31-2016 23:59");
  expectSystemTextAround(leap);
}

TEST_F(DateTextAcrossOffsetChanges, BeforeAndAfter1990InTheLocalYear) {
  // 1990-01-01 00:00 UTC is still 1989 five hours west: counted from 2001
  useZone("EST5");
  EXPECT_EQ(FieldConversions::GetDateTime(631152000, DateKind::kMessages), "12-31-2020 19:00");
  EXPECT_EQ(FieldConversions::GetDateTime(631152000 + 5 * 3600, DateKind::kMessages),
            "01-01-1990 00:00");
  useZone("<+14>-14");
  EXPECT_EQ(FieldConversions::GetDateTime(631152000 - 14 * 3600, DateKind::kMessages),
            "01-01-1990 00:00");
  EXPECT_EQ(FieldConversions::GetDateTime(631152000 - 14 * 3600 - 1, DateKind::kMessages),
            "12-31-2020 23:59");
}

}  // namespace
}  // namespace orvane
