#pragma once

// The keybag of an encrypted device backup (Manifest.plist's BackupKeyBag):
// the class keys, each wrapped with a key derived from the backup password.
// Unlocked, it unwraps the key of each file (and of Manifest.db), which
// decrypts the file with AES-256 in CBC mode.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

using KeyBytes = std::vector<std::uint8_t>;

struct ClassKey {
  std::uint32_t protectionClass = 0;
  std::uint32_t wrap = 0;  // bit 2: wrapped with the password key
  std::uint32_t keyType = 0;
  KeyBytes wrappedKey;
  KeyBytes key;  // once unlocked
};

struct Keybag {
  std::uint32_t version = 0;
  std::uint32_t type = 0;
  KeyBytes uuid;
  KeyBytes salt;
  std::uint64_t iterations = 0;
  // iOS 10.2 on: a first derivation with SHA-256 over this salt and count
  KeyBytes doubleProtectionSalt;
  std::uint64_t doubleProtectionIterations = 0;
  std::map<std::uint32_t, ClassKey> classKeys;
};

// Devices use some ten million rounds; a count far beyond (a damaged or
// hostile keybag) would compute for hours.
inline constexpr std::uint64_t kLargestKeyDerivationRounds = 100000000;

// Reads the keybag's tag-length-value entries (four-letter tag, big-endian
// length, value); nothing, with a one-line reason, when it is damaged.
std::optional<Keybag> parseKeybag(std::span<const std::uint8_t> bytes, std::string& reason);

// Derives the password key and unwraps every class key wrapped with it;
// false with a reason ("the password is wrong", or counts out of range).
bool unlockKeybag(Keybag& keybag, std::string_view password, std::string& reason);

// A file's or the manifest's key: the class (four bytes, little-endian)
// then the key wrapped with that class's key (RFC 3394).
std::optional<KeyBytes> unwrapFileKey(const Keybag& keybag,
                                      std::span<const std::uint8_t> classAndWrappedKey);

// AES-256-CBC with a zero IV, as backups encrypt whole files; the PKCS#7
// padding is removed when `removePadding` (the last block of a file).
// `previousBlock` is the cipher block before `cipher` (zeros at the start),
// so that any block-aligned part of a file decrypts on its own.
std::optional<KeyBytes> decryptAes256Cbc(std::span<const std::uint8_t> key,
                                         std::span<const std::uint8_t> cipher,
                                         std::span<const std::uint8_t> previousBlock,
                                         bool removePadding);

}  // namespace orvane
