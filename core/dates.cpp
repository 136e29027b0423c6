#include "core/dates.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string_view>

namespace orvane {

namespace {

// Values counted from 2001-01-01 are this many seconds after 1970-01-01.
constexpr std::int64_t kSecondsFrom1970To2001 = 978307200;
constexpr std::int64_t kLargestSecondsDate = 100000000000;

std::int64_t wholeSecondsOf(std::int64_t stored, DateUnit unit) {
  switch (unit) {
    case DateUnit::kSeconds:
      return stored;
    case DateUnit::kMilliseconds:
      return stored / 1000;
    case DateUnit::kNanoseconds:
      return stored / 1000000000;
    case DateUnit::kSecondsOrNanoseconds:
      return stored > kLargestSecondsDate ? stored / 1000000000 : stored;
  }
  return stored;
}

// localtime_r reads TZ once; a zone changed since (the tests, a user's
// setting) is applied before the next breakdown. Says whether it changed.
bool followZone() {
  thread_local std::string zoneSeen;
  thread_local bool seenAny = false;
  const char* zone = std::getenv("TZ");
  const std::string_view now = zone != nullptr ? zone : "\x01unset";
  if (seenAny && now == zoneSeen) return false;
  seenAny = true;
  zoneSeen.assign(now);
  ::tzset();
  return true;
}

std::optional<std::tm> breakDown(std::int64_t since1970) {
  const auto when = static_cast<std::time_t>(since1970);
  std::tm parts{};
  // fails when the year does not fit the broken-down form
  if (::localtime_r(&when, &parts) == nullptr) return std::nullopt;
  return parts;
}

int secondOfDay(const std::tm& parts) {
  return parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec;
}

// A breakdown costs the C library a lock and a search of the zone's rules,
// and a scan breaks down a million dates, most of them near the one before.
// Within a UTC hour whose last second lies 3599 local seconds after its
// first on the same local day (no change of offset and no leap second in
// it: no zone changes its offset twice within an hour), a time is the
// hour's first second plus the seconds since. The check is made on the
// second date met in an hour, so dates an hour or more apart cost no more
// than before.
struct HourOfDates {
  std::int64_t start = std::numeric_limits<std::int64_t>::min();
  enum class Even { unknown, yes, no } even = Even::unknown;
  std::tm first{};  // the breakdown of `start`, when even
};

std::optional<std::tm> localBreakdown(std::int64_t since1970) {
  if (since1970 > std::numeric_limits<std::time_t>::max() ||
      since1970 < std::numeric_limits<std::time_t>::min()) {
    return std::nullopt;
  }
  thread_local HourOfDates hour;
  if (followZone()) hour = HourOfDates{};
  constexpr std::int64_t kHour = 3600;
  // far outside any year the text can hold: no hour arithmetic near the limits
  constexpr std::int64_t kFarOff = std::int64_t{1} << 60;
  if (since1970 < -kFarOff || since1970 > kFarOff) return breakDown(since1970);
  const std::int64_t start = since1970 - ((since1970 % kHour) + kHour) % kHour;
  if (start != hour.start) {
    hour = HourOfDates{start};
    return breakDown(since1970);
  }
  if (hour.even == HourOfDates::Even::unknown) {
    const auto first = breakDown(start);
    const auto last = breakDown(start + kHour - 1);
    const bool even = first && last && first->tm_yday == last->tm_yday &&
                      secondOfDay(*last) - secondOfDay(*first) == kHour - 1;
    hour.even = even ? HourOfDates::Even::yes : HourOfDates::Even::no;
    if (even) hour.first = *first;
  }
  if (hour.even == HourOfDates::Even::no) return breakDown(since1970);
  std::tm parts = hour.first;
  const auto second = static_cast<int>(secondOfDay(parts) + (since1970 - start));
  parts.tm_hour = second / 3600;
  parts.tm_min = second / 60 % 60;
  parts.tm_sec = second % 60;
  return parts;
}

// Fields of two or four digits (years are checked to fit first), two
// digits at a time from a table: a scan prints a million dates.
constexpr auto kTwoDigits = [] {
  std::array<char, 200> digits{};
  for (int i = 0; i < 100; ++i) {
    digits[2 * i] = static_cast<char>('0' + i / 10);
    digits[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return digits;
}();

void putDigits(char* at, int value, int count) {
  for (int i = count - 2; i >= 0; i -= 2) {
    const int pair = value % 100;
    at[i] = kTwoDigits[2 * pair];
    at[i + 1] = kTwoDigits[2 * pair + 1];
    value /= 100;
  }
}

}  // namespace

std::optional<std::int64_t> unixSecondsOf(std::int64_t stored, DateEpoch epoch, DateUnit unit) {
  if (stored <= 0) return std::nullopt;
  const std::int64_t seconds = wholeSecondsOf(stored, unit);
  // the addition below stays far from the limit of 64 bits
  if (seconds > std::numeric_limits<std::int64_t>::max() - kSecondsFrom1970To2001) {
    return std::nullopt;
  }
  switch (epoch) {
    case DateEpoch::kUnix1970:
      return seconds;
    case DateEpoch::kApple2001:
      return seconds + kSecondsFrom1970To2001;
    case DateEpoch::kGuessed: {
      const auto asIf1970 = localBreakdown(seconds);
      if (!asIf1970) return std::nullopt;
      return asIf1970->tm_year < 1990 - 1900 ? seconds + kSecondsFrom1970To2001 : seconds;
    }
  }
  return std::nullopt;
}

std::optional<std::string> dateText(std::int64_t stored, DateEpoch epoch, DateUnit unit) {
  const auto since1970 = unixSecondsOf(stored, epoch, unit);
  if (!since1970) return std::nullopt;
  const auto parts = localBreakdown(*since1970);
  // the text has room for a four-digit year only
  if (!parts || parts->tm_year > 9999 - 1900 || parts->tm_year < -1900) return std::nullopt;
  // "MM-DD-YYYY HH:MM"
  std::string text(16, '-');
  putDigits(&text[0], parts->tm_mon + 1, 2);
  putDigits(&text[3], parts->tm_mday, 2);
  putDigits(&text[6], parts->tm_year + 1900, 4);
  text[10] = ' ';
  putDigits(&text[11], parts->tm_hour, 2);
  text[13] = ':';
  putDigits(&text[14], parts->tm_min, 2);
  return text;
}

std::optional<std::string> utcDateText(std::int64_t stored, DateEpoch epoch, DateUnit unit) {
  const auto since1970 = unixSecondsOf(stored, epoch, unit);
  if (!since1970 || *since1970 > std::numeric_limits<std::time_t>::max()) return std::nullopt;
  const auto when = static_cast<std::time_t>(*since1970);
  std::tm parts{};
  if (::gmtime_r(&when, &parts) == nullptr || parts.tm_year > 9999 - 1900 ||
      parts.tm_year < -1900) {
    return std::nullopt;
  }
  // "YYYY-MM-DDTHH:MM:SSZ"
  std::string text = "0000-00-00T00:00:00Z";
  putDigits(&text[0], parts.tm_year + 1900, 4);
  putDigits(&text[5], parts.tm_mon + 1, 2);
  putDigits(&text[8], parts.tm_mday, 2);
  putDigits(&text[11], parts.tm_hour, 2);
  putDigits(&text[14], parts.tm_min, 2);
  putDigits(&text[17], parts.tm_sec, 2);
  return text;
}

}  // namespace orvane
