// Pictures of an encrypted backup are decrypted block by block when read.

#include "ios/encrypted_backup.h"

#include <gtest/gtest.h>

#include "core/event_names.h"
#include "fixtures/ios_backup_writer.h"
#include "ios/ios_backup_source.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

TEST(EncryptedBackup, PictureReadsAtAnyOffsetAsThePlainFile) {
  std::vector<std::uint8_t> picture(70001);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i % 251);
  fixtures::ScratchFolder scratch;
  const auto folder = testing::backupIn(scratch);
  fixtures::IosBackupWriter(folder, fixtures::IosLayout::ios17)
      .file("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", picture)
      .encrypted({.password = "pw"})
      .write();
  ASSERT_TRUE(isEncryptedBackup(folder));

  testing::IosScanBench bench;
  ASSERT_TRUE(makeIosBackupSource([](auto&) { return std::string("pw"); })
                  ->scan(folder, bench.context())
                  .scanned());
  const auto media = bench.posted.all<PRPhotoAndVideoNode>(events::ScanPhotoAndVideo);
  ASSERT_EQ(media.size(), 1u);

  const ContentRef& content = media[0]->content;
  EXPECT_EQ(media[0]->fileNodeSize, "70.00K");
  ASSERT_EQ(content.size(), picture.size());

  // the manifest size, not the padded one; offsets inside a block, on its
  // edges, at the end and past it
  struct Range {
    std::uint64_t offset, length;
    bool readable;
  };
  for (const Range& r : {Range{0, 1, true}, Range{15, 2, true}, Range{16, 16, true},
                         Range{4095, 4099, true}, Range{69990, 11, true}, Range{0, 70001, true},
                         Range{70000, 2, false}, Range{80000, 1, false}}) {
    std::vector<std::uint8_t> read(r.length);
    std::string problem;
    ASSERT_EQ(content.source()->readAt(r.offset, read, problem), r.readable) << r.offset;
    if (!r.readable) continue;
    EXPECT_TRUE(std::equal(read.begin(), read.end(), picture.begin() + long(r.offset)))
        << r.offset << "+" << r.length;
  }
}

}  // namespace
}  // namespace orvane
