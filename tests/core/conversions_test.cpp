// Field conversions and dates.

#include "core/conversions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "core/dates.h"
#include "core/time_zone_test.h"

namespace orvane {
namespace {

using C = FieldConversions;

// Steps of a thousand from the low 32 bits, rounded in single precision
// (1.065 lies just above the half there, in double just below).
TEST(SizeToUnit, StepsOfAThousandFromTheLow32Bits) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0.00B"},
      {999999, "1000.00K"},
      {4294967295u, "4.29G"},
      {1065, "1.07K"},
      {(std::uint64_t{5} << 32) + 1536, "1.54K"},
  };
  for (const auto& [size, text] : cases) EXPECT_EQ(C::size_to_unit(size), text) << size;
}

// Valid UTF-8 up to the first NUL; any invalid sequence before it empties
// the whole text (the file-name tests hold more invalid forms).
TEST(GetStringFormChar, ValidUtf8UpToTheFirstNulElseNothing) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {std::string_view("ab\0cd", 5), "ab"},
      {"Gr\xC3\xBC\xC3\x9F"
       "e \xE6\x97\xA5 \xF0\x9F\x98\x80",
       "Gr\xC3\xBC\xC3\x9F"
       "e \xE6\x97\xA5 \xF0\x9F\x98\x80"},
      {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},  // U+10FFFF
      {std::string_view("ok\0\xFF", 4), "ok"},   // invalid bytes after the NUL do not count
      {"caf\xE9", ""},                           // Latin-1
      {"\xC3", ""},                              // cut short
      {"\xE0\x80\xAF", ""},                      // overlong, three bytes
      {"\xF4\x90\x80\x80", ""},                  // past U+10FFFF
      {"ab\x80"
       "cd",
       ""},  // stray continuation byte
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(C::GetStringFormChar(bytes), text) << bytes;
}

TEST(CallHistoryDuration, WordsForEachRange) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, "0 second"},   {1, "1 second"},    {59, "59 seconds"},
      {119, "1 minute"}, {120, "2 minutes"}, {3599, "59 minutes"},
      {7199, "1 hour"},  {7200, "2 hours"},  {4294967295u, "1193046 hours"},
  };
  for (const auto& [seconds, text] : cases) {
    EXPECT_EQ(C::getCallHistoryDuration(seconds), text) << seconds;
  }
}

// --- dates ---

constexpr std::int64_t k2001 = 978307200;  // 2001-01-01 in seconds since 1970
constexpr auto kMax = std::numeric_limits<std::int64_t>::max();

struct DateCase {
  const char* zone;
  std::int64_t stored;
  DateEpoch epoch;
  DateUnit unit;
  std::optional<std::string> text;
  std::optional<std::string> utc;
};

class DateText : public testing::TimeZoneTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(DateText, LocalTextAndUtcOfTheStoredValue) {
  const DateCase& c = GetParam();
  useZone(c.zone);
  EXPECT_EQ(dateText(c.stored, c.epoch, c.unit), c.text);
  EXPECT_EQ(utcDateText(c.stored, c.epoch, c.unit), c.utc);
}

constexpr auto k1970 = DateEpoch::kUnix1970;
constexpr auto kApple = DateEpoch::kApple2001;
constexpr auto kGuess = DateEpoch::kGuessed;
constexpr auto kS = DateUnit::kSeconds;
constexpr auto kNs = DateUnit::kNanoseconds;
constexpr auto kSorNs = DateUnit::kSecondsOrNanoseconds;

INSTANTIATE_TEST_SUITE_P(
    Epochs, DateText,
    ::testing::Values(
        // no date
        DateCase{"UTC0", 0, kGuess, kS, std::nullopt, std::nullopt},
        DateCase{"UTC0", -1, kApple, kS, std::nullopt, std::nullopt},
        DateCase{"UTC0", std::numeric_limits<std::int64_t>::min(), k1970, kS, {}, {}},
        // the guess: from 1970, unless that is before 1990 in local time
        DateCase{"UTC0", 1000000000, kGuess, kS, "09-09-2001 01:46", "2001-09-09T01:46:40Z"},
        DateCase{"UTC0", 400000000, kGuess, kS, "09-04-2013 15:06", "2013-09-04T15:06:40Z"},
        DateCase{"UTC0", 631151999, kGuess, kS, "12-31-2020 23:59", "2020-12-31T23:59:59Z"},
        // already 1990 in a zone east of UTC: kept as it is
        DateCase{"IST-5:30", 631151999, kGuess, kS, "01-01-1990 05:29", "1989-12-31T23:59:59Z"},
        // still 1969 here one second after 1970 UTC: counted from 2001
        DateCase{"EST5EDT,M3.2.0,M11.1.0", 1, kGuess, kS, "12-31-2000 19:00",
                 "2001-01-01T00:00:01Z"},
        // a value from 2001 of October 2023 guessed from 1970 reads 1992:
        // only the reader that knows its epoch gets it right
        DateCase{"UTC0", 718131600, kGuess, kS, "10-03-1992 17:00", "1992-10-03T17:00:00Z"},
        DateCase{"UTC0", 718131600, kApple, kS, "10-04-2023 17:00", "2023-10-04T17:00:00Z"},
        // known epochs and units
        DateCase{"UTC0", 1700000000, k1970, kS, "11-14-2023 22:13", "2023-11-14T22:13:20Z"},
        DateCase{"UTC0", 718131600123456789, kApple, kNs, "10-04-2023 17:00",
                 "2023-10-04T17:00:00Z"},
        DateCase{"UTC0", 718131600123456789, kApple, kSorNs, "10-04-2023 17:00",
                 "2023-10-04T17:00:00Z"},
        DateCase{"UTC0", 1700000000123, k1970, DateUnit::kMilliseconds, "11-14-2023 22:13",
                 "2023-11-14T22:13:20Z"},
        // local time of the zone, summer time included
        DateCase{"EST5EDT,M3.2.0,M11.1.0", 1690000000, k1970, kS, "07-22-2023 00:26",
                 "2023-07-22T04:26:40Z"},
        // four-digit years only, and no overflow near the limit
        DateCase{"UTC0", 253402300799, k1970, kS, "12-31-9999 23:59", "9999-12-31T23:59:59Z"},
        DateCase{"UTC0", 253402300800, k1970, kS, std::nullopt, std::nullopt},
        DateCase{"UTC0", kMax, kApple, kS, std::nullopt, std::nullopt},
        DateCase{"UTC0", kMax - k2001, kGuess, kS, std::nullopt, std::nullopt}));

}  // namespace
}  // namespace orvane
