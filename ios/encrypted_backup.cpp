#include "ios/encrypted_backup.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "ios/plist_file.h"
#include "ios/plist_nesting.h"

namespace orvane {

namespace {

constexpr std::uint64_t kBlockBytes = 16;
// decrypted in pieces of this size: a multiple of the block
constexpr std::size_t kPieceBytes = 1u << 20;
// room kept free beside a decrypted copy, for SQLite's folding of a log
constexpr std::uint64_t kFreeSpaceMarginBytes = 16u << 20;

std::unique_ptr<void, decltype(&plist_free)> parsePlist(std::span<const std::uint8_t> bytes) {
  const std::span<const char> chars(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  plist_t root = nullptr;
  if (!plistNestingProblem(chars)) {
    plist_from_memory(chars.data(), static_cast<std::uint32_t>(chars.size()), &root);
  }
  return {root, &plist_free};
}

// An archive's object: a UID resolved through "$objects", anything else as
// it is.
plist_t resolved(plist_t objects, plist_t node) {
  if (node == nullptr || plist_get_node_type(node) != PLIST_UID) return node;
  std::uint64_t index = 0;
  plist_get_uid_val(node, &index);
  if (index >= plist_array_get_size(objects)) return nullptr;
  return plist_array_get_item(objects, static_cast<std::uint32_t>(index));
}

std::optional<std::uint64_t> unsignedOf(plist_t node) {
  if (node == nullptr || plist_get_node_type(node) != PLIST_UINT) return std::nullopt;
  std::uint64_t value = 0;
  plist_get_uint_val(node, &value);
  return value;
}

bool preadWhole(int fd, std::uint64_t offset, std::span<std::uint8_t> into) {
  std::size_t got = 0;
  while (got < into.size()) {
    const ssize_t n =
        ::pread(fd, into.data() + got, into.size() - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool writeWhole(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

// The length of the PKCS#7 padding that ends `lastBlock`, or 0 when it
// holds none.
std::size_t paddingOf(std::span<const std::uint8_t> lastBlock) {
  if (lastBlock.size() != kBlockBytes) return 0;
  const std::uint8_t count = lastBlock.back();
  if (count == 0 || count > kBlockBytes) return 0;
  for (std::size_t i = kBlockBytes - count; i < kBlockBytes; ++i) {
    if (lastBlock[i] != count) return 0;
  }
  return count;
}

}  // namespace

bool isEncryptedBackup(const std::filesystem::path& folder) {
  const auto manifest = PlistFile::read(folder / "Manifest.plist");
  return manifest && plistBool(manifest->root(), "IsEncrypted").value_or(false);
}

std::optional<EncryptedFileKey> encryptedFileKeyOf(std::span<const std::uint8_t> archivedFile) {
  const auto root = parsePlist(archivedFile);
  plist_t archive = root.get();
  if (archive == nullptr || plist_get_node_type(archive) != PLIST_DICT) return std::nullopt;
  plist_t objects = plist_dict_get_item(archive, "$objects");
  plist_t top = plist_dict_get_item(archive, "$top");
  if (objects == nullptr || plist_get_node_type(objects) != PLIST_ARRAY || top == nullptr ||
      plist_get_node_type(top) != PLIST_DICT) {
    return std::nullopt;
  }
  plist_t file = resolved(objects, plist_dict_get_item(top, "root"));
  if (file == nullptr || plist_get_node_type(file) != PLIST_DICT) return std::nullopt;

  // the key is an NSData: a dictionary with "NS.data", or the data itself
  plist_t key = resolved(objects, plist_dict_get_item(file, "EncryptionKey"));
  if (key != nullptr && plist_get_node_type(key) == PLIST_DICT) {
    key = plist_dict_get_item(key, "NS.data");
  }
  if (key == nullptr || plist_get_node_type(key) != PLIST_DATA) return std::nullopt;
  std::uint64_t length = 0;
  const char* bytes = plist_get_data_ptr(key, &length);
  if (bytes == nullptr || length < 4) return std::nullopt;
  EncryptedFileKey entry;
  entry.classAndWrappedKey.assign(bytes, bytes + length);
  entry.plainSize = unsignedOf(plist_dict_get_item(file, "Size"));
  return entry;
}

std::optional<BackupDecryptor> BackupDecryptor::unlock(const std::filesystem::path& folder,
                                                       const std::optional<std::string>& password,
                                                       std::string& reason) {
  const auto manifest = PlistFile::read(folder / "Manifest.plist");
  const auto keybagBytes = manifest ? plistData(manifest->root(), "BackupKeyBag") : std::nullopt;
  if (!keybagBytes) {
    reason = "the backup is encrypted but Manifest.plist holds no keybag";
    return std::nullopt;
  }
  if (!password) {
    reason = "the backup is encrypted and no password was given";
    return std::nullopt;
  }
  BackupDecryptor decryptor;
  std::string why;
  auto keybag = parseKeybag(*keybagBytes, why);
  if (!keybag) {
    reason = "the backup's keybag cannot be read: " + why;
    return std::nullopt;
  }
  if (!unlockKeybag(*keybag, *password, why)) {
    reason = why == "the password is wrong" ? "the password is wrong for this encrypted backup"
                                            : "the backup cannot be decrypted: " + why;
    return std::nullopt;
  }
  decryptor.keybag_ = std::move(*keybag);
  if (const auto manifestKey = plistData(manifest->root(), "ManifestKey")) {
    decryptor.manifestKey_ = unwrapFileKey(decryptor.keybag_, *manifestKey);
  }
  return decryptor;
}

bool BackupDecryptor::decryptTo(const BackupFile& file, std::span<const std::uint8_t> key,
                                std::optional<std::uint64_t> plainSize,
                                const std::filesystem::path& target, std::string& problem) {
  const std::uint64_t cipherSize = file.size();
  if (!file.opened() || cipherSize % kBlockBytes != 0) {
    problem = "the encrypted file is not a whole number of blocks";
    return false;
  }
  if (plainSize && *plainSize > cipherSize) {
    problem = "the manifest gives a size larger than the encrypted file";
    return false;
  }
  struct statvfs room {};
  if (::statvfs(target.parent_path().c_str(), &room) == 0 &&
      std::uint64_t{room.f_bavail} * room.f_frsize < cipherSize + kFreeSpaceMarginBytes) {
    problem = "not enough free space in " + target.parent_path().string() + " for a copy of " +
              std::to_string(cipherSize) + " bytes";
    return false;
  }
  ::unlink(target.c_str());
  UniqueFd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!out.valid()) {
    problem = std::strerror(errno);
    return false;
  }
  std::vector<std::uint8_t> cipher(kPieceBytes);
  std::array<std::uint8_t, kBlockBytes> previous{};
  for (std::uint64_t offset = 0; offset < cipherSize; offset += cipher.size()) {
    const auto pieceBytes =
        static_cast<std::size_t>(std::min<std::uint64_t>(kPieceBytes, cipherSize - offset));
    const std::span<std::uint8_t> piece(cipher.data(), pieceBytes);
    if (!preadWhole(file.fd(), offset, piece)) {
      problem = "the encrypted file ended early at offset " + std::to_string(offset);
      return false;
    }
    auto plain = decryptAes256Cbc(key, piece, previous, false);
    if (!plain) {
      problem = "the file does not decrypt";
      return false;
    }
    std::copy(piece.end() - kBlockBytes, piece.end(), previous.begin());
    if (!writeWhole(out.get(), *plain)) {
      problem = std::strerror(errno);
      return false;
    }
    // the manifest's size, or the padding of the last block, says where the
    // content ends (a size from a damaged manifest may end it earlier)
    if (offset + pieceBytes == cipherSize && !plainSize) {
      plainSize = cipherSize - paddingOf(std::span(*plain).last(kBlockBytes));
    }
  }
  if (plainSize && *plainSize < cipherSize &&
      ::ftruncate(out.get(), static_cast<off_t>(*plainSize)) != 0) {
    problem = std::strerror(errno);
    return false;
  }
  return true;
}

DecryptingContentSource::DecryptingContentSource(BackupFile file, KeyBytes key,
                                                 std::uint64_t plainSize, std::string name)
    : cipherSize_(file.size()),
      key_(std::move(key)),
      plainSize_(plainSize),
      name_(std::move(name)) {
  fd_.reset(file.release());
}

bool DecryptingContentSource::readAt(std::uint64_t offset, std::span<std::uint8_t> into,
                                     std::string& problem) const {
  if (offset > plainSize_ || into.size() > plainSize_ - offset) {
    problem = "the content ended at offset " + std::to_string(plainSize_);
    return false;
  }
  std::vector<std::uint8_t> cipher;
  std::array<std::uint8_t, kBlockBytes> previous{};
  std::size_t filled = 0;
  while (filled < into.size()) {
    const std::uint64_t at = offset + filled;
    const std::uint64_t firstBlock = at / kBlockBytes * kBlockBytes;
    const std::uint64_t wanted = std::min<std::uint64_t>(into.size() - filled, kPieceBytes);
    const std::uint64_t endBlock =
        std::min(cipherSize_, (at + wanted + kBlockBytes - 1) / kBlockBytes * kBlockBytes);
    if (endBlock <= firstBlock) {
      problem = "the encrypted file ended at offset " + std::to_string(cipherSize_);
      return false;
    }
    // CBC: the cipher block before the first one is its IV (zeros at the start)
    previous.fill(0);
    if (firstBlock >= kBlockBytes && !preadWhole(fd_.get(), firstBlock - kBlockBytes, previous)) {
      problem = "the encrypted file ended at offset " + std::to_string(firstBlock);
      return false;
    }
    cipher.resize(static_cast<std::size_t>(endBlock - firstBlock));
    if (!preadWhole(fd_.get(), firstBlock, cipher)) {
      problem = "the encrypted file ended before offset " + std::to_string(endBlock);
      return false;
    }
    const auto plain = decryptAes256Cbc(key_, cipher, previous, false);
    if (!plain) {
      problem = "the encrypted file does not decrypt at offset " + std::to_string(firstBlock);
      return false;
    }
    const auto skip = static_cast<std::size_t>(at - firstBlock);
    const std::size_t count = std::min<std::size_t>(plain->size() - skip, into.size() - filled);
    std::memcpy(into.data() + filled, plain->data() + skip, count);
    filled += count;
  }
  return true;
}

ContentRef decryptingContentOf(BackupFile file, const BackupDecryptor& decryptor,
                               const EncryptedFileKey& entry, std::string name) {
  const std::uint64_t cipherSize = file.size();
  if (!file.opened() || cipherSize % kBlockBytes != 0) return {};
  auto key = decryptor.fileKey(entry);
  if (!key) return {};
  std::uint64_t plainSize = 0;
  if (entry.plainSize) {
    plainSize = *entry.plainSize;
  } else if (cipherSize > 0) {
    // no size in the manifest: the padding of the last block tells it
    std::array<std::uint8_t, kBlockBytes> before{};
    std::array<std::uint8_t, kBlockBytes> last{};
    if ((cipherSize > kBlockBytes && !preadWhole(file.fd(), cipherSize - 32, before)) ||
        !preadWhole(file.fd(), cipherSize - kBlockBytes, last)) {
      return {};
    }
    const auto plain = decryptAes256Cbc(*key, last, before, false);
    if (!plain) return {};
    plainSize = cipherSize - paddingOf(*plain);
  }
  if (plainSize > cipherSize) return {};
  auto source = std::make_shared<DecryptingContentSource>(std::move(file), std::move(*key),
                                                          plainSize, std::move(name));
  return ContentRef(std::move(source), {ContentRun{0, plainSize}});
}

}  // namespace orvane
