#include "blackberry/zip_layout.h"

#include <algorithm>

#include "blackberry/byte_reader.h"

namespace orvane {

namespace {

constexpr std::uint32_t kEndOfDirectory = 0x06054b50;
constexpr std::uint32_t kZip64Locator = 0x07064b50;
constexpr std::uint32_t kZip64End = 0x06064b50;
constexpr std::uint32_t kDirectoryEntry = 0x02014b50;
constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::size_t kEndRecordBytes = 22;
constexpr std::size_t kLongestComment = 0xFFFF;
// A ".bbb" holds a few dozen databases; a directory of this size is not one.
constexpr std::uint64_t kLargestDirectoryBytes = 64u << 20;

std::uint64_t le(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count) {
  std::uint64_t value = 0;
  for (std::size_t i = count; i-- > 0;) value = value << 8 | bytes[at + i];
  return value;
}

std::optional<std::vector<std::uint8_t>> readRun(const ZipReadAt& readAt, std::uint64_t offset,
                                                 std::uint64_t count) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  if (!readAt(offset, bytes)) return std::nullopt;
  return bytes;
}

struct Directory {
  std::uint64_t offset = 0;
  std::uint64_t bytes = 0;
};

std::optional<Directory> findDirectory(std::uint64_t archiveBytes, const ZipReadAt& readAt,
                                       std::string& problem) {
  problem = "the zip directory cannot be found";
  if (archiveBytes < kEndRecordBytes) return std::nullopt;
  const std::uint64_t tailBytes =
      std::min<std::uint64_t>(archiveBytes, kEndRecordBytes + kLongestComment);
  const auto tail = readRun(readAt, archiveBytes - tailBytes, tailBytes);
  if (!tail) return std::nullopt;
  for (std::size_t at = tail->size() - kEndRecordBytes + 1; at-- > 0;) {
    if (le(*tail, at, 4) != kEndOfDirectory) continue;
    Directory found{le(*tail, at + 16, 4), le(*tail, at + 12, 4)};
    const std::uint64_t endOffset = archiveBytes - tailBytes + at;
    const bool zip64 =
        found.offset == 0xFFFFFFFF || found.bytes == 0xFFFFFFFF || le(*tail, at + 10, 2) == 0xFFFF;
    if (zip64 && endOffset >= 20) {
      const auto locator = readRun(readAt, endOffset - 20, 20);
      if (locator && le(*locator, 0, 4) == kZip64Locator) {
        const auto end64 = readRun(readAt, le(*locator, 8, 8), 56);
        if (!end64 || le(*end64, 0, 4) != kZip64End) return std::nullopt;
        found = {le(*end64, 48, 8), le(*end64, 40, 8)};
      }
    }
    if (found.offset > archiveBytes || found.bytes > archiveBytes - found.offset) {
      problem = "the zip directory lies past the end of the archive";
      return std::nullopt;
    }
    if (found.bytes > kLargestDirectoryBytes) {
      problem = "the zip directory is larger than any backup's";
      return std::nullopt;
    }
    return found;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<ZipEntrySpan>> readZipEntrySpans(std::uint64_t archiveBytes,
                                                           const ZipReadAt& readAt,
                                                           std::string& problem) {
  const auto directory = findDirectory(archiveBytes, readAt, problem);
  if (!directory) return std::nullopt;
  const auto bytes = readRun(readAt, directory->offset, directory->bytes);
  if (!bytes) {
    problem = "the zip directory cannot be read";
    return std::nullopt;
  }
  std::vector<ZipEntrySpan> spans;
  ByteReader reader(*bytes);
  while (reader.remaining() >= 46) {
    const std::size_t at = reader.position();
    if (le(*bytes, at, 4) != kDirectoryEntry) break;
    std::uint64_t compressed = le(*bytes, at + 20, 4);
    const std::uint64_t uncompressed = le(*bytes, at + 24, 4);
    const std::size_t nameBytes = le(*bytes, at + 28, 2);
    const std::size_t extraBytes = le(*bytes, at + 30, 2);
    const std::size_t commentBytes = le(*bytes, at + 32, 2);
    std::uint64_t start = le(*bytes, at + 42, 4);
    reader.skip(46);
    const auto name = reader.bytes(nameBytes);
    const auto extra = reader.bytes(extraBytes);
    if (!name || !extra || !reader.skip(commentBytes)) {
      problem = "a zip directory entry ends early at offset " + std::to_string(at);
      return std::nullopt;
    }
    // The zip64 field holds, in this order, whichever of the sizes and the
    // offset did not fit their 32-bit places.
    ByteReader fields(*extra);
    while (fields.remaining() >= 4) {
      const std::uint16_t id = *fields.u16le();
      const std::uint16_t length = *fields.u16le();
      const auto body = fields.bytes(length);
      if (!body) break;
      if (id != 0x0001) continue;
      ByteReader values(*body);
      const auto next64 = [&values](std::uint64_t& value) {
        if (values.remaining() < 8) return;
        value = le(*values.bytes(8), 0, 8);
      };
      std::uint64_t ignored = uncompressed;
      if (uncompressed == 0xFFFFFFFF) next64(ignored);
      if (compressed == 0xFFFFFFFF) next64(compressed);
      if (start == 0xFFFFFFFF) next64(start);
    }
    const auto local = start <= archiveBytes - std::min<std::uint64_t>(archiveBytes, 30)
                           ? readRun(readAt, start, 30)
                           : std::nullopt;
    if (!local || le(*local, 0, 4) != kLocalHeader) {
      problem = "the local header of a zip entry is missing at offset " + std::to_string(start);
      return std::nullopt;
    }
    const std::uint64_t dataStart = start + 30 + le(*local, 26, 2) + le(*local, 28, 2);
    spans.push_back({std::string(name->begin(), name->end()), start,
                     dataStart + std::min(compressed, archiveBytes)});
  }
  return spans;
}

std::optional<std::string> overlappingZipEntries(std::vector<ZipEntrySpan> spans) {
  std::stable_sort(spans.begin(), spans.end(),
                   [](const ZipEntrySpan& a, const ZipEntrySpan& b) { return a.start < b.start; });
  for (std::size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].start < spans[i - 1].end) {
      return "the archive entries \"" + spans[i - 1].name + "\" and \"" + spans[i].name +
             "\" share their bytes";
    }
  }
  return std::nullopt;
}

}  // namespace orvane
