// The bundled sample backup, in its IPD and ".bbb" forms.

#include <gtest/gtest.h>

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

TEST(SampleBackup, IpdFormHoldsEveryKindOfRecord) {
  const auto scan = scanSample("sample.ipd");
  ASSERT_TRUE(scan->outcome.scanned()) << scan->outcome.reason;
  expectSampleCounts(scan->collector);
  EXPECT_EQ(scan->lists.blackberryDatabaseArray.size(), 8u);

  const auto contacts = scan->collector.records<PRBlackBerryContactNode>();
  EXPECT_EQ(contacts[0]->contactName, "Núñez José ");
  const auto picture = contentOf(contacts[0]->contactImageData);
  ASSERT_TRUE(picture && !picture->empty());
  EXPECT_EQ(picture->front(), 0xFF);  // a JPEG
  EXPECT_EQ(contacts[1]->contactName, "Петрова Ольга ");

  const auto sms = scan->collector.records<PRBlackBerrySMSMessageNode>();
  EXPECT_EQ(sms[2]->contentText, "OK! Встречаемся в 7 у метро.");
  EXPECT_EQ(sms[1]->type, "outgoing");

  const auto mms = scan->collector.records<PRBlackBerryMMSMessageNode>();
  EXPECT_EQ(mms[0]->contentDataName, "photo.jpg");
  EXPECT_EQ(mms[0]->contentType, "Image");
  EXPECT_EQ(contentOf(mms[0]->contentData), picture);

  const auto files = scan->collector.records<PRBlackBerryContentNode>();
  EXPECT_EQ(contentOf(files[0]->contentData), picture);
  EXPECT_EQ(files[1]->ContentFileType, "Document");
  EXPECT_EQ(files[2]->ContentFileType, "Image");
}

TEST(SampleBackup, BbbFormHoldsTheSameRecords) {
  const auto ipd = scanSample("sample.ipd");
  const auto bbb = scanSample("sample.bbb");
  ASSERT_TRUE(bbb->outcome.scanned()) << bbb->outcome.reason;
  expectSampleCounts(bbb->collector);
  // read by the per-database reader
  EXPECT_TRUE(bbb->lists.blackberryDatabaseArray.empty());
  for (auto number : bbb->collector.progress()) EXPECT_EQ(number, 60);

  const auto fromIpd = ipd->collector.records<PRRecord>();
  const auto fromBbb = bbb->collector.records<PRRecord>();
  ASSERT_EQ(fromIpd.size(), fromBbb.size());
  for (std::size_t i = 0; i < fromIpd.size(); ++i) {
    EXPECT_EQ(dumpRecord(*fromIpd[i]), dumpRecord(*fromBbb[i]));
  }
}

}  // namespace
}  // namespace orvane::testing
