#pragma once

// An encrypted device backup (Manifest.plist says IsEncrypted): the
// keybag unlocked with the user's password, and the keys of its files.
// Every backup file is AES-256-CBC with a zero IV under a key of its own,
// wrapped with the key of its protection class. Databases and property
// lists are decrypted into the scan's private folder; pictures and other
// large files are decrypted block by block when they are read.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/content_ref.h"
#include "core/unique_fd.h"
#include "ios/backup_folder.h"
#include "ios/keybag.h"

namespace orvane {

// Manifest.plist's IsEncrypted; false when the plist is missing.
bool isEncryptedBackup(const std::filesystem::path& folder);

// What the manifest says of one encrypted file: the protection class (four
// bytes, little-endian) followed by the wrapped key, and the plain size.
struct EncryptedFileKey {
  KeyBytes classAndWrappedKey;
  std::optional<std::uint64_t> plainSize;
};

// The EncryptionKey, ProtectionClass and Size of a Manifest.db "file"
// column (an NSKeyedArchiver property list); nothing when it names no key.
std::optional<EncryptedFileKey> encryptedFileKeyOf(std::span<const std::uint8_t> archivedFile);

class BackupDecryptor {
 public:
  // Reads the keybag of Manifest.plist and unlocks it with `password`.
  // Nothing when there is no password, it is wrong, or the keybag cannot be
  // used; `reason` then says why in one line.
  static std::optional<BackupDecryptor> unlock(const std::filesystem::path& folder,
                                               const std::optional<std::string>& password,
                                               std::string& reason);

  // The key of Manifest.db, from Manifest.plist's ManifestKey.
  const std::optional<KeyBytes>& manifestKey() const { return manifestKey_; }
  std::optional<KeyBytes> fileKey(const EncryptedFileKey& entry) const {
    return unwrapFileKey(keybag_, entry.classAndWrappedKey);
  }

  // Decrypts the whole of `file` into a new file `target` (mode 0600),
  // after checking that the target's file system has room for it. The
  // plain size cuts the padding off; without it the PKCS#7 padding is
  // removed. False, with `problem` set, when it cannot be done.
  static bool decryptTo(const BackupFile& file, std::span<const std::uint8_t> key,
                        std::optional<std::uint64_t> plainSize, const std::filesystem::path& target,
                        std::string& problem);

 private:
  Keybag keybag_;
  std::optional<KeyBytes> manifestKey_;
};

// A backup file decrypted on read. CBC lets any block be decrypted on its
// own with the cipher block before it as IV, so a read decrypts only the
// blocks it touches. The plain size comes from the manifest.
class DecryptingContentSource final : public ContentSource {
 public:
  // Takes over the file's descriptor.
  DecryptingContentSource(BackupFile file, KeyBytes key, std::uint64_t plainSize, std::string name);

  bool readAt(std::uint64_t offset, std::span<std::uint8_t> into,
              std::string& problem) const override;
  std::string describe() const override { return name_; }
  std::uint64_t plainSize() const { return plainSize_; }

 private:
  UniqueFd fd_;
  std::uint64_t cipherSize_;
  KeyBytes key_;
  std::uint64_t plainSize_;
  std::string name_;
};

// A reference to the whole plain content of an encrypted backup file;
// nothing when the key does not unwrap or the sizes disagree.
ContentRef decryptingContentOf(BackupFile file, const BackupDecryptor& decryptor,
                               const EncryptedFileKey& entry, std::string name);

}  // namespace orvane
