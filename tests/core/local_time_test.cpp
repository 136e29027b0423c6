#include <gtest/gtest.h>

#include "core/dates.h"
#include "core/time_zone_test.h"

namespace orvane {
namespace {

using LocalTime = testing::TimeZoneTest;

// Dates close together are broken down from the first of their hour; an
// hour in which the zone changes its offset (here at half past, in a zone
// half an hour off the hour) or the local day changes must not be.
TEST_F(LocalTime, DatesWithinAnHourFollowAnOffsetChangeAndMidnightInIt) {
  struct Step {
    std::int64_t seconds;
    const char* text;
  };
  useZone("NST3:30NDT,M3.2.0,M11.1.0");  // summer time from 05:30 UTC on 2021-03-14
  for (const Step& step : {Step{1615698600, "03-14-2021 01:40"},
                           {1615699200, "03-14-2021 01:50"},
                           {1615700400, "03-14-2021 03:10"},
                           {1615701000, "03-14-2021 03:20"},
                           {1615701600, "03-14-2021 03:30"},
                           {1615692000, "03-13-2021 23:50"},
                           {1615692600, "03-14-2021 00:00"},
                           {1615692000, "03-13-2021 23:50"}}) {
    EXPECT_EQ(dateText(step.seconds, DateEpoch::kUnix1970, DateUnit::kSeconds), step.text)
        << step.seconds;
  }
  useZone("UTC0");  // a zone set since is followed at once
  EXPECT_EQ(dateText(1615701000, DateEpoch::kUnix1970, DateUnit::kSeconds), "03-14-2021 05:50");
}

}  // namespace
}  // namespace orvane
