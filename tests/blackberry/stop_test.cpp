#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "blackberry/ipd_reader.h"
#include "core/event_names.h"
#include "core/per_scan_lists.h"
#include "fixtures/ipd_writer.h"

namespace orvane {
namespace {

using fixtures::Field;
using fixtures::IpdWriter;

// Stop, as the app's button or Ctrl-C sets it, ends the walk before the
// next record; what was posted stays.
TEST(BlackBerryStop, TheWalkEndsBeforeTheNextRecordAndKeepsWhatItFound) {
  IpdWriter writer;
  writer.database("Memos");
  for (int i = 0; i < 5; ++i) writer.record(0, {Field(1, "title"), Field(2, "body")});
  const fixtures::Bytes ipd = writer.bytes();

  NotificationCenter nc;
  PerScanLists lists;
  std::atomic<bool> stop{false};
  int memos = 0;
  nc.addObserver(events::BlackBerryNoteInfo, [&](const EventObject&) {
    if (++memos == 2) stop = true;
  });
  IpdReader reader(nc, lists);
  reader.stopFlag = &stop;
  reader.scanBytes(ipd);
  EXPECT_EQ(memos, 2);
  EXPECT_FALSE(reader.damage().any());
}

}  // namespace
}  // namespace orvane
