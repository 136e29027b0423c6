// Encrypted backups: the keybag, and pictures decrypted block by block
// from any offset when read.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/event_names.h"
#include "fixtures/ios_backup_writer.h"
#include "ios/encrypted_backup.h"
#include "ios/ios_backup_source.h"
#include "ios/keybag.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using fixtures::BackupKeys;

// Both generations: with the SHA-256 step and without it.
TEST(Keybag, UnlocksWithThePasswordAndRefusesWrongOnesDamageAndHostileRoundCounts) {
  for (std::uint32_t doubleProtectionRounds : {10u, 0u}) {
    const BackupKeys keys(
        {.password = "hunter2", .doubleProtectionRounds = doubleProtectionRounds});
    std::string reason;
    auto keybag = parseKeybag(keys.keybag, reason);
    ASSERT_TRUE(keybag) << reason;
    EXPECT_FALSE(unlockKeybag(*keybag, "hunter3", reason));
    EXPECT_EQ(reason, "the password is wrong");
    ASSERT_TRUE(unlockKeybag(*keybag, "hunter2", reason)) << reason;

    // a file key of class 3, as the manifest stores it: class, then wrapped key
    Bytes fileKey = keys.wrappedFileKey(Bytes(32, 0xAB), 3);
    EXPECT_EQ(unwrapFileKey(*keybag, fileKey), Bytes(32, 0xAB));
    fileKey[0] = 99;  // no such class
    EXPECT_EQ(unwrapFileKey(*keybag, fileKey), std::nullopt);

    Bytes cut = keys.keybag;
    cut.resize(cut.size() - 3);
    EXPECT_FALSE(parseKeybag(cut, reason));
    EXPECT_NE(reason.find("past the end"), std::string::npos) << reason;
    keybag->iterations = kLargestKeyDerivationRounds + 1;
    EXPECT_FALSE(unlockKeybag(*keybag, "hunter2", reason));
    EXPECT_NE(reason.find("rounds"), std::string::npos) << reason;
  }
  // a cipher text that is no whole number of blocks
  EXPECT_EQ(decryptAes256Cbc(Bytes(32, 1), Bytes(17, 0), {}, false), std::nullopt);
}

TEST(EncryptedBackup, PictureReadsAtAnyOffsetAsThePlainFile) {
  std::vector<std::uint8_t> picture(70001);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i % 251);
  testing::Backup backup(fixtures::IosLayout::ios17);
  backup.writer.file("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", picture)
      .encrypted({.password = "pw"})
      .write();
  ASSERT_TRUE(isEncryptedBackup(backup.folder));

  testing::IosScanBench bench;
  ASSERT_TRUE(makeIosBackupSource([](auto&) { return std::string("pw"); })
                  ->scan(backup.folder, bench.context())
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
