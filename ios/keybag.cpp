#include "ios/keybag.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <memory>

namespace orvane {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint32_t kWrappedWithPasswordKey = 2;

std::uint32_t tagOf(const char (&name)[5]) {
  return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
         std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint32_t(std::uint8_t(name[3]));
}

std::uint64_t bigEndian(Bytes value) {
  std::uint64_t number = 0;
  for (std::uint8_t byte : value.first(std::min<std::size_t>(value.size(), 8))) {
    number = number << 8 | byte;
  }
  return number;
}

struct CipherContext {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx{EVP_CIPHER_CTX_new(),
                                                                      &EVP_CIPHER_CTX_free};
};

// RFC 3394 key unwrap with a 256-bit key encryption key.
std::optional<KeyBytes> aesUnwrap(Bytes kek, Bytes wrapped) {
  if (kek.size() != 32 || wrapped.size() < 24 || wrapped.size() % 8 != 0) return std::nullopt;
  CipherContext c;
  if (!c.ctx) return std::nullopt;
  EVP_CIPHER_CTX_set_flags(c.ctx.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
  if (EVP_DecryptInit_ex(c.ctx.get(), EVP_aes_256_wrap(), nullptr, kek.data(), nullptr) != 1) {
    return std::nullopt;
  }
  KeyBytes out(wrapped.size());
  int written = 0;
  if (EVP_DecryptUpdate(c.ctx.get(), out.data(), &written, wrapped.data(),
                        static_cast<int>(wrapped.size())) != 1) {
    return std::nullopt;  // the integrity check failed: wrong key
  }
  int finished = 0;
  if (EVP_DecryptFinal_ex(c.ctx.get(), out.data() + written, &finished) != 1) return std::nullopt;
  out.resize(static_cast<std::size_t>(written + finished));
  return out;
}

bool pbkdf2(Bytes password, Bytes salt, std::uint64_t rounds, const EVP_MD* digest, KeyBytes& key) {
  key.assign(32, 0);
  return PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(password.data()),
                           static_cast<int>(password.size()), salt.data(),
                           static_cast<int>(salt.size()), static_cast<int>(rounds), digest,
                           static_cast<int>(key.size()), key.data()) == 1;
}

}  // namespace

std::optional<Keybag> parseKeybag(Bytes bytes, std::string& reason) {
  Keybag keybag;
  std::vector<ClassKey> classKeys;
  bool keybagUuidSeen = false;
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 8) {
      reason = "the keybag ends inside an entry header at offset " + std::to_string(at);
      return std::nullopt;
    }
    const auto tag = static_cast<std::uint32_t>(bigEndian(bytes.subspan(at, 4)));
    const std::uint64_t length = bigEndian(bytes.subspan(at + 4, 4));
    at += 8;
    if (length > bytes.size() - at) {
      reason = "a keybag entry runs past the end at offset " + std::to_string(at - 8);
      return std::nullopt;
    }
    const Bytes value = bytes.subspan(at, static_cast<std::size_t>(length));
    at += static_cast<std::size_t>(length);
    const auto number = static_cast<std::uint32_t>(bigEndian(value));

    // the first UUID is the keybag's own; each later one starts a class key
    if (tag == tagOf("UUID")) {
      if (keybagUuidSeen) {
        classKeys.emplace_back();
      } else {
        keybag.uuid.assign(value.begin(), value.end());
        keybagUuidSeen = true;
      }
    } else if (!classKeys.empty()) {
      ClassKey& key = classKeys.back();
      if (tag == tagOf("CLAS")) key.protectionClass = number;
      if (tag == tagOf("WRAP")) key.wrap = number;
      if (tag == tagOf("KTYP")) key.keyType = number;
      if (tag == tagOf("WPKY")) key.wrappedKey.assign(value.begin(), value.end());
    } else if (tag == tagOf("VERS")) {
      keybag.version = number;
    } else if (tag == tagOf("TYPE")) {
      keybag.type = number;
    } else if (tag == tagOf("SALT")) {
      keybag.salt.assign(value.begin(), value.end());
    } else if (tag == tagOf("ITER")) {
      keybag.iterations = bigEndian(value);
    } else if (tag == tagOf("DPSL")) {
      keybag.doubleProtectionSalt.assign(value.begin(), value.end());
    } else if (tag == tagOf("DPIC")) {
      keybag.doubleProtectionIterations = bigEndian(value);
    }
  }
  if (keybag.salt.empty() || keybag.iterations == 0) {
    reason = "the keybag has no password salt or round count";
    return std::nullopt;
  }
  for (ClassKey& key : classKeys) keybag.classKeys[key.protectionClass] = std::move(key);
  return keybag;
}

bool unlockKeybag(Keybag& keybag, std::string_view password, std::string& reason) {
  if (keybag.iterations > kLargestKeyDerivationRounds ||
      keybag.doubleProtectionIterations > kLargestKeyDerivationRounds) {
    reason = "the keybag asks for more key derivation rounds than any device uses (" +
             std::to_string(std::max(keybag.iterations, keybag.doubleProtectionIterations)) + ")";
    return false;
  }
  const Bytes typed(reinterpret_cast<const std::uint8_t*>(password.data()), password.size());
  KeyBytes first(typed.begin(), typed.end());
  // keybags from iOS 10.2 on run SHA-256 first; older ones the SHA-1 step alone
  if (!keybag.doubleProtectionSalt.empty()) {
    if (!pbkdf2(typed, keybag.doubleProtectionSalt, keybag.doubleProtectionIterations, EVP_sha256(),
                first)) {
      reason = "the key derivation failed";
      return false;
    }
  }
  KeyBytes passwordKey;
  if (!pbkdf2(first, keybag.salt, keybag.iterations, EVP_sha1(), passwordKey)) {
    reason = "the key derivation failed";
    return false;
  }
  bool anyUnwrapped = false;
  for (auto& [protectionClass, key] : keybag.classKeys) {
    if ((key.wrap & kWrappedWithPasswordKey) == 0) continue;
    const auto unwrapped = aesUnwrap(passwordKey, key.wrappedKey);
    if (!unwrapped) {
      reason = "the password is wrong";
      return false;
    }
    key.key = *unwrapped;
    anyUnwrapped = true;
  }
  if (!anyUnwrapped) {
    reason = "the keybag holds no key wrapped with the backup password";
    return false;
  }
  return true;
}

std::optional<KeyBytes> unwrapFileKey(const Keybag& keybag, Bytes classAndWrappedKey) {
  if (classAndWrappedKey.size() < 4 + 24) return std::nullopt;
  const std::uint32_t protectionClass =
      std::uint32_t{classAndWrappedKey[0]} | std::uint32_t{classAndWrappedKey[1]} << 8 |
      std::uint32_t{classAndWrappedKey[2]} << 16 | std::uint32_t{classAndWrappedKey[3]} << 24;
  const auto found = keybag.classKeys.find(protectionClass);
  if (found == keybag.classKeys.end() || found->second.key.empty()) return std::nullopt;
  return aesUnwrap(found->second.key, classAndWrappedKey.subspan(4));
}

std::optional<KeyBytes> decryptAes256Cbc(Bytes key, Bytes cipher, Bytes previousBlock,
                                         bool removePadding) {
  if (key.size() != 32 || cipher.size() % 16 != 0) return std::nullopt;
  std::array<std::uint8_t, 16> iv{};
  if (previousBlock.size() == 16) std::copy(previousBlock.begin(), previousBlock.end(), iv.begin());
  CipherContext c;
  if (!c.ctx ||
      EVP_DecryptInit_ex(c.ctx.get(), EVP_aes_256_cbc(), nullptr, key.data(), iv.data()) != 1) {
    return std::nullopt;
  }
  EVP_CIPHER_CTX_set_padding(c.ctx.get(), removePadding ? 1 : 0);
  KeyBytes out(cipher.size() + 16);
  int written = 0;
  if (EVP_DecryptUpdate(c.ctx.get(), out.data(), &written, cipher.data(),
                        static_cast<int>(cipher.size())) != 1) {
    return std::nullopt;
  }
  int finished = 0;
  if (EVP_DecryptFinal_ex(c.ctx.get(), out.data() + written, &finished) != 1) return std::nullopt;
  out.resize(static_cast<std::size_t>(written + finished));
  return out;
}

}  // namespace orvane
