#include "ios/mbdb_reader.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "ios/backup_folder.h"

namespace orvane {

namespace {

constexpr std::array<std::uint8_t, 6> kMagic = {0x6D, 0x62, 0x64, 0x62, 0x05, 0x00};
constexpr std::uint16_t kAbsentString = 0xFFFF;
// mode 2, inode 8, user 4, group 4, three times 4 each, size 8, protection 1
constexpr std::size_t kFixedFieldBytes = 39;
constexpr std::size_t kSizeOffset = 30;

}  // namespace

std::size_t MbdbMemorySource::read(std::uint8_t* out, std::size_t count) {
  const std::size_t available = std::min(count, bytes_.size() - offset_);
  if (available > 0) std::memcpy(out, bytes_.data() + offset_, available);
  offset_ += available;
  return available;
}

MbdbFileSource::MbdbFileSource(BackupFile file) {
  if (!file.opened()) return;
  // nothing is ever written to the manifest
  const int fd = file.release();
  file_ = ::fdopen(fd, "rb");
  if (file_ == nullptr) {
    ::close(fd);
    return;
  }
  size_ = file.size();
}

MbdbFileSource::~MbdbFileSource() {
  if (file_ != nullptr) std::fclose(file_);
}

std::size_t MbdbFileSource::read(std::uint8_t* out, std::size_t count) {
  if (file_ == nullptr) return 0;
  const std::size_t got = std::fread(out, 1, count, file_);
  offset_ += got;
  return got;
}

bool MbdbReader::readExactly(std::uint8_t* out, std::size_t count) {
  if (source_.read(out, count) == count) return true;
  truncated_ = true;
  return false;
}

bool MbdbReader::skip(std::size_t count) {
  std::array<std::uint8_t, 512> scratch{};
  while (count > 0) {
    const std::size_t step = std::min(count, scratch.size());
    if (!readExactly(scratch.data(), step)) return false;
    count -= step;
  }
  return true;
}

bool MbdbReader::readLength(std::uint16_t& length) {
  std::array<std::uint8_t, 2> bytes{};
  if (!readExactly(bytes.data(), bytes.size())) return false;
  length = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
  return true;
}

int MbdbReader::getS(std::string& text) {
  std::uint16_t length = 0;
  if (!readLength(length) || length == kAbsentString || length == 0) return -1;
  // at most 65534 bytes: the length field bounds the allocation
  std::string bytes(length, '\0');
  if (!readExactly(reinterpret_cast<std::uint8_t*>(bytes.data()), length)) return -1;
  text = std::move(bytes);
  return 0;
}

int MbdbReader::seekData() {
  std::uint16_t length = 0;
  if (!readLength(length) || length == kAbsentString || length == 0) return -1;
  return skip(length) ? 0 : -1;
}

std::string MbdbReader::toHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t byte : bytes) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
  }
  return text;
}

bool MbdbReader::walk(const RecordHandler& onRecord) {
  std::array<std::uint8_t, 6> magic{};
  if (!readExactly(magic.data(), magic.size())) return false;
  if (toHex(magic) != toHex(kMagic)) return false;

  while (!truncated_ && source_.position() < source_.size()) {
    RawRecord record;
    getS(record.domain);
    getS(record.path);
    if (truncated_) break;  // domain or path cut short: nothing to name
    // link target, data hash, encryption key
    seekData();
    if (!truncated_) seekData();
    if (!truncated_) getS(record.encryptionKey);
    std::array<std::uint8_t, kFixedFieldBytes> fixed{};
    if (!truncated_ && readExactly(fixed.data(), fixed.size())) {
      for (std::size_t i = kSizeOffset; i < kSizeOffset + 8; ++i) {
        record.size = record.size << 8 | fixed[i];
      }
      record.protectionClass = fixed.back();
      record.mode = static_cast<std::uint16_t>(fixed[0] << 8 | fixed[1]);
    }
    std::uint8_t propertyCount = 0;
    if (!truncated_) readExactly(&propertyCount, 1);
    for (unsigned i = 0; i < propertyCount && !truncated_; ++i) {
      seekData();  // name
      seekData();  // value
    }
    onRecord(record, source_.position());
  }
  return true;
}

std::size_t walkMbdbBytes(std::span<const std::uint8_t> bytes,
                          const MbdbReader::RecordHandler& onRecord) {
  MbdbMemorySource source(bytes);
  MbdbReader reader(source);
  std::size_t count = 0;
  reader.walk([&](const MbdbReader::RawRecord& record, std::uint64_t position) {
    ++count;
    if (onRecord) onRecord(record, position);
  });
  return count;
}

}  // namespace orvane
