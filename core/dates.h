#pragma once

// Stored timestamps as the texts the records show. Each reader knows the
// epoch and unit of the column it reads and says so here; the deleted-row
// carvers convert through the same entry point, so a carved row gets the
// same text as its live copy.

#include <cstdint>
#include <optional>
#include <string>

namespace orvane {

enum class DateEpoch : std::uint8_t {
  kUnix1970,   // seconds since 1970-01-01 UTC
  kApple2001,  // since 2001-01-01 UTC (iOS databases from iOS 6 on, Core Data)
  // Unknown: seconds since 1970, unless that reads as before 1990 in local
  // time, which only a value counted from 2001 can be.
  kGuessed,
};

enum class DateUnit : std::uint8_t {
  kSeconds,
  kMilliseconds,
  kNanoseconds,
  // Seconds or nanoseconds, told by size: no date in seconds comes near
  // 10^11 (past the year 5000), every nanosecond date since 2001 is past it.
  kSecondsOrNanoseconds,
};

// The instant as seconds since 1970-01-01 UTC; nothing for a stored value
// of 0 or less (the databases' "no date").
std::optional<std::int64_t> unixSecondsOf(std::int64_t stored, DateEpoch epoch, DateUnit unit);

// "MM-DD-YYYY HH:MM" in local time, the date text of every record; nothing
// for no date or a year that does not fit four digits.
std::optional<std::string> dateText(std::int64_t stored, DateEpoch epoch,
                                    DateUnit unit = DateUnit::kSeconds);

// The same instant as ISO 8601 UTC, "2023-10-04T17:05:09Z".
std::optional<std::string> utcDateText(std::int64_t stored, DateEpoch epoch,
                                       DateUnit unit = DateUnit::kSeconds);

}  // namespace orvane
