// The bundled sample backup, in its IPD and ".bbb" forms.

#include <gtest/gtest.h>

#include "bb_test_support.h"
#include "blackberry/blackberry_source.h"
#include "fixtures/scratch_folder.h"

namespace orvane::testing {
namespace {

struct SampleScan {
  NotificationCenter nc;
  PerScanLists lists;
  EventCollector collector{nc};
  ScanOutcome outcome;
};

std::unique_ptr<SampleScan> scanSample(const char* name) {
  const fixtures::ScratchFolder scanFolder;
  auto scan = std::make_unique<SampleScan>();
  ScanContext context{scan->nc, scan->lists, scanFolder.path()};
  scan->outcome = makeBlackBerrySource()->scan(
      std::filesystem::path(ORVANE_SOURCE_DIR) / "samples" / name, context);
  return scan;
}

void expectSampleCounts(const EventCollector& collector) {
  EXPECT_EQ(collector.records<PRBlackBerryContactNode>().size(), 3u);
  EXPECT_EQ(collector.records<PRBlackBerryCallNode>().size(), 3u);
  EXPECT_EQ(collector.records<PRBlackBerrySMSMessageNode>().size(), 3u);
  EXPECT_EQ(collector.records<PRBlackBerryMMSMessageNode>().size(), 1u);
  EXPECT_EQ(collector.records<PRBlackBerryNoteNode>().size(), 2u);
  EXPECT_EQ(collector.records<PRBlackBerryCalenderNode>().size(), 2u);
  EXPECT_EQ(collector.records<PRBlackBerryContentNode>().size(), 3u);
}

TEST(SampleBackup, IpdFormHoldsEveryKindOfRecord) {
  const auto scan = scanSample("sample.ipd");
  ASSERT_TRUE(scan->outcome.scanned()) << scan->outcome.reason;
  expectSampleCounts(scan->collector);
  EXPECT_EQ(scan->lists.blackberryDatabaseArray.size(), 8u);

  const auto contacts = scan->collector.records<PRBlackBerryContactNode>();
  EXPECT_EQ(contacts[0]->contactName, "Núñez José ");
  ASSERT_FALSE(contacts[0]->contactImageData.empty());
  EXPECT_EQ(contacts[0]->contactImageData.bytes()[0], 0xFF);  // a JPEG
  EXPECT_EQ(contacts[1]->contactName, "Петрова Ольга ");

  const auto sms = scan->collector.records<PRBlackBerrySMSMessageNode>();
  EXPECT_EQ(sms[2]->contentText, "OK! Встречаемся в 7 у метро.");
  EXPECT_EQ(sms[1]->type, "outgoing");

  const auto mms = scan->collector.records<PRBlackBerryMMSMessageNode>();
  EXPECT_EQ(mms[0]->contentDataName, "photo.jpg");
  EXPECT_EQ(mms[0]->contentType, "Image");
  EXPECT_EQ(mms[0]->contentData, contacts[0]->contactImageData);

  const auto files = scan->collector.records<PRBlackBerryContentNode>();
  EXPECT_EQ(files[0]->contentData, contacts[0]->contactImageData);
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
