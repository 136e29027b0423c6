#include "ios/keybag.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/ios_backup_writer.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using fixtures::BackupKeys;

TEST(Keybag, UnlocksWithThePasswordInBothGenerations) {
  for (std::uint32_t doubleProtectionRounds : {10u, 0u}) {
    const BackupKeys keys(
        {.password = "hunter2", .doubleProtectionRounds = doubleProtectionRounds});
    std::string reason;
    auto keybag = parseKeybag(keys.keybag, reason);
    ASSERT_TRUE(keybag) << reason;
    EXPECT_EQ(keybag->classKeys.size(), 11u);
    ASSERT_TRUE(unlockKeybag(*keybag, "hunter2", reason)) << reason;
    EXPECT_EQ(keybag->classKeys.at(4).key, keys.classKeys.at(4));

    // a file key of class 3, as the manifest stores it: class, then wrapped key
    Bytes fileKey = keys.wrappedFileKey(Bytes(32, 0xAB), 3);
    EXPECT_EQ(unwrapFileKey(*keybag, fileKey), Bytes(32, 0xAB));
    fileKey[0] = 99;  // no such class
    EXPECT_EQ(unwrapFileKey(*keybag, fileKey), std::nullopt);
  }
}

TEST(Keybag, WrongPasswordDamageAndHostileRoundCountsAreRefused) {
  const BackupKeys keys({.password = "hunter2"});
  std::string reason;
  auto keybag = parseKeybag(keys.keybag, reason);
  ASSERT_TRUE(keybag);
  EXPECT_FALSE(unlockKeybag(*keybag, "hunter3", reason));
  EXPECT_EQ(reason, "the password is wrong");

  Bytes cut = keys.keybag;
  cut.resize(cut.size() - 3);
  EXPECT_FALSE(parseKeybag(cut, reason));
  EXPECT_NE(reason.find("past the end"), std::string::npos) << reason;

  auto hostile = parseKeybag(keys.keybag, reason);
  ASSERT_TRUE(hostile);
  hostile->iterations = kLargestKeyDerivationRounds + 1;
  EXPECT_FALSE(unlockKeybag(*hostile, "hunter2", reason));
  EXPECT_NE(reason.find("rounds"), std::string::npos) << reason;
}

TEST(Keybag, AnyBlockOfAFileDecryptsWithThePreviousCipherBlock) {
  const Bytes key(32, 0x42);
  Bytes plain(100);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i);
  const Bytes cipher = BackupKeys::encrypt(key, plain);  // 112 bytes: 100 and the padding

  EXPECT_EQ(decryptAes256Cbc(key, cipher, {}, true), plain);
  // blocks 2 to the end, given block 1 as the IV
  const auto tail =
      decryptAes256Cbc(key, std::span(cipher).subspan(32), std::span(cipher).subspan(16, 16), true);
  EXPECT_EQ(tail, Bytes(plain.begin() + 32, plain.end()));
  EXPECT_EQ(decryptAes256Cbc(key, std::span(cipher).first(17), {}, false), std::nullopt);
}

}  // namespace
}  // namespace orvane
