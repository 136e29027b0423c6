// The bundled sample backup, in its IPD and ".bbb" forms.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "bb_test_support.h"
#include "blackberry/blackberry_source.h"

namespace orvane::testing {
namespace {

struct SampleScan {
  NotificationCenter nc;
  PerScanLists lists;
  EventCollector collector{nc};
  ScanOutcome outcome;
};

std::unique_ptr<SampleScan> scanSample(const char* name) {
  const auto scanFolder = std::make_shared<const TempFolder>();
  auto scan = std::make_unique<SampleScan>();
  ScanContext context{scan->nc, scan->lists, scanFolder->path(), scanFolder};
  scan->outcome = makeBlackBerrySource()->scan(
      std::filesystem::path(ORVANE_SOURCE_DIR) / "samples" / name, context);
  return scan;
}

void expectSampleCounts(const EventCollector& collector) {
  std::map<std::string, int> counts;
  for (const auto& record : collector.records<PRRecord>()) ++counts[record->className()];
  EXPECT_EQ(counts, (std::map<std::string, int>{{"PRBlackBerryCalenderNode", 2},
                                                {"PRBlackBerryCallNode", 3},
                                                {"PRBlackBerryContactNode", 3},
                                                {"PRBlackBerryContentNode", 3},
                                                {"PRBlackBerryMMSMessageNode", 1},
                                                {"PRBlackBerryNoteNode", 2},
                                                {"PRBlackBerrySMSMessageNode", 3}}));
}

// Both forms hold every kind of record, and the ".bbb" form, read by the
// per-database reader, gives the same records field by field.
TEST(SampleBackup, BothFormsHoldTheSameRecordsOfEveryKind) {
  const auto ipd = scanSample("sample.ipd");
  const auto bbb = scanSample("sample.bbb");
  ASSERT_TRUE(ipd->outcome.scanned()) << ipd->outcome.reason;
  ASSERT_TRUE(bbb->outcome.scanned()) << bbb->outcome.reason;
  expectSampleCounts(ipd->collector);
  EXPECT_EQ(ipd->lists.blackberryDatabaseArray.size(), 8u);
  EXPECT_TRUE(bbb->lists.blackberryDatabaseArray.empty());
  // both end with records of databases that are not read
  for (const auto* scan : {&ipd, &bbb}) {
    const auto progress = (*scan)->collector.progress();
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_LE(progress.back(), 100);
  }

  const auto fromIpd = ipd->collector.records<PRRecord>();
  const auto fromBbb = bbb->collector.records<PRRecord>();
  ASSERT_EQ(fromIpd.size(), fromBbb.size());
  for (std::size_t i = 0; i < fromIpd.size(); ++i) {
    EXPECT_EQ(dumpRecord(*fromIpd[i]), dumpRecord(*fromBbb[i]));
  }
  // the contact's picture is a JPEG read from the backup
  const auto picture =
      contentOf(ipd->collector.records<PRBlackBerryContactNode>().at(0)->contactImageData);
  ASSERT_TRUE(picture && !picture->empty());
  EXPECT_EQ(picture->front(), 0xFF);
}

}  // namespace
}  // namespace orvane::testing
