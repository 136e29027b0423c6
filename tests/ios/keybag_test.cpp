#include "ios/keybag.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes aesWrap(const Bytes& kek, const Bytes& key) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CIPHER_CTX_set_flags(ctx, EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
  EVP_EncryptInit_ex(ctx, EVP_aes_256_wrap(), nullptr, kek.data(), nullptr);
  Bytes out(key.size() + 8);
  int written = 0;
  EVP_EncryptUpdate(ctx, out.data(), &written, key.data(), static_cast<int>(key.size()));
  EVP_CIPHER_CTX_free(ctx);
  out.resize(static_cast<std::size_t>(written));
  return out;
}

Bytes pbkdf2(const Bytes& password, const Bytes& salt, int rounds, const EVP_MD* digest) {
  Bytes key(32);
  PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(password.data()),
                    static_cast<int>(password.size()), salt.data(), static_cast<int>(salt.size()),
                    rounds, digest, 32, key.data());
  return key;
}

// A keybag as a device writes it, with small round counts; class 3's key is
// 0x33 repeated, class 4's 0x44.
struct KeybagWriter {
  std::string password = "hunter2";
  bool doubleProtection = true;
  std::uint32_t rounds = 10;

  void entry(Bytes& out, const char* tag, const Bytes& value) const {
    out.insert(out.end(), tag, tag + 4);
    const auto n = static_cast<std::uint32_t>(value.size());
    out.insert(out.end(), {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8),
                           std::uint8_t(n)});
    out.insert(out.end(), value.begin(), value.end());
  }
  static Bytes number(std::uint32_t n) {
    return {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
  }
  Bytes passwordKey() const {
    Bytes typed(password.begin(), password.end());
    if (doubleProtection) {
      typed = pbkdf2(typed, Bytes(20, 0xD5), static_cast<int>(rounds), EVP_sha256());
    }
    return pbkdf2(typed, Bytes(20, 0x5A), static_cast<int>(rounds), EVP_sha1());
  }
  Bytes bytes() const {
    Bytes out;
    entry(out, "VERS", number(4));
    entry(out, "TYPE", number(1));
    entry(out, "UUID", Bytes(16, 1));
    entry(out, "HMCK", Bytes(40, 2));
    entry(out, "WRAP", number(0));
    entry(out, "SALT", Bytes(20, 0x5A));
    entry(out, "ITER", number(rounds));
    if (doubleProtection) {
      entry(out, "DPWT", number(1));
      entry(out, "DPIC", number(rounds));
      entry(out, "DPSL", Bytes(20, 0xD5));
    }
    for (std::uint32_t cls : {3u, 4u}) {
      entry(out, "UUID", Bytes(16, static_cast<std::uint8_t>(cls)));
      entry(out, "CLAS", number(cls));
      entry(out, "WRAP", number(3));
      entry(out, "KTYP", number(0));
      entry(out, "WPKY", aesWrap(passwordKey(), Bytes(32, static_cast<std::uint8_t>(cls * 0x11))));
    }
    return out;
  }
};

TEST(Keybag, UnlocksWithThePasswordInBothGenerations) {
  for (bool doubleProtection : {true, false}) {
    KeybagWriter writer;
    writer.doubleProtection = doubleProtection;
    std::string reason;
    auto keybag = parseKeybag(writer.bytes(), reason);
    ASSERT_TRUE(keybag) << reason;
    EXPECT_EQ(keybag->classKeys.size(), 2u);
    ASSERT_TRUE(unlockKeybag(*keybag, "hunter2", reason)) << reason;
    EXPECT_EQ(keybag->classKeys.at(4).key, Bytes(32, 0x44));

    // a file key of class 3, as the manifest stores it: class, then wrapped key
    Bytes fileKey{3, 0, 0, 0};
    const Bytes wrapped = aesWrap(Bytes(32, 0x33), Bytes(32, 0xAB));
    fileKey.insert(fileKey.end(), wrapped.begin(), wrapped.end());
    EXPECT_EQ(unwrapFileKey(*keybag, fileKey), Bytes(32, 0xAB));
    fileKey[0] = 9;  // no such class
    EXPECT_EQ(unwrapFileKey(*keybag, fileKey), std::nullopt);
  }
}

TEST(Keybag, WrongPasswordDamageAndHostileRoundCountsAreRefused) {
  KeybagWriter writer;
  std::string reason;
  auto keybag = parseKeybag(writer.bytes(), reason);
  ASSERT_TRUE(keybag);
  EXPECT_FALSE(unlockKeybag(*keybag, "hunter3", reason));
  EXPECT_EQ(reason, "the password is wrong");

  Bytes cut = writer.bytes();
  cut.resize(cut.size() - 3);
  EXPECT_FALSE(parseKeybag(cut, reason));
  EXPECT_NE(reason.find("past the end"), std::string::npos) << reason;

  writer.rounds = 10;
  auto hostile = parseKeybag(writer.bytes(), reason);
  ASSERT_TRUE(hostile);
  hostile->iterations = kLargestKeyDerivationRounds + 1;
  EXPECT_FALSE(unlockKeybag(*hostile, "hunter2", reason));
  EXPECT_NE(reason.find("rounds"), std::string::npos) << reason;
}

TEST(Keybag, AnyBlockOfAFileDecryptsWithThePreviousCipherBlock) {
  const Bytes key(32, 0x42);
  Bytes plain(100);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  const Bytes zeroIv(16, 0);
  EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key.data(), zeroIv.data());
  Bytes cipher(plain.size() + 16);
  int n = 0;
  int m = 0;
  EVP_EncryptUpdate(ctx, cipher.data(), &n, plain.data(), static_cast<int>(plain.size()));
  EVP_EncryptFinal_ex(ctx, cipher.data() + n, &m);
  EVP_CIPHER_CTX_free(ctx);
  cipher.resize(static_cast<std::size_t>(n + m));  // 112 bytes: 100 and the padding

  EXPECT_EQ(decryptAes256Cbc(key, cipher, {}, true), plain);
  // blocks 2 to the end, given block 1 as the IV
  const auto tail =
      decryptAes256Cbc(key, std::span(cipher).subspan(32), std::span(cipher).subspan(16, 16), true);
  EXPECT_EQ(tail, Bytes(plain.begin() + 32, plain.end()));
  EXPECT_EQ(decryptAes256Cbc(key, std::span(cipher).first(17), {}, false), std::nullopt);
}

}  // namespace
}  // namespace orvane
