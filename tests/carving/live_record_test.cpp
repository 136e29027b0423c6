#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "carving/schema_carver.h"

namespace orvane::carving {
namespace {

// An old copy of a live record is passed over; an older version of a row
// that differs only in the middle (where the hash does not look) is not.
TEST(LiveRecords, OnlyAByteForByteCopyIsLive) {
  std::vector<std::uint8_t> live(400, 'a');
  std::vector<std::uint8_t> sameEnds = live;
  sameEnds[200] = 'b';
  std::vector<std::uint8_t> shorter(live.begin(), live.end() - 1);
  std::vector<LiveRecord> records;
  records.push_back({recordHash(live), live});

  const std::vector<std::uint8_t> copy = live;
  EXPECT_TRUE(isLiveRecord(records, copy));
  EXPECT_FALSE(isLiveRecord(records, sameEnds));
  EXPECT_FALSE(isLiveRecord(records, shorter));
}

}  // namespace
}  // namespace orvane::carving
