#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "blackberry/byte_reader.h"
#include "blackberry/ipd_format.h"
#include "core/content_ref.h"

namespace orvane {

// Where a walk stopped early, for the log; empty when it ran cleanly to the
// end of the file.
struct WalkDamage {
  std::string text;
  bool any() const { return !text.empty(); }
};

// A file already in memory, read the way a FileWindow is read: fetch()
// answers the bytes at an offset as one run, cut to the end of the file.
// Memory never ends early, so its runs are only ever cut by its size.
class MemoryFile {
 public:
  // Records found in the bytes refer to their content in a copy of them.
  explicit MemoryFile(std::span<const std::uint8_t> bytes)
      : bytes_(bytes),
        source_(std::make_shared<BytesContentSource>(
            std::vector<std::uint8_t>(bytes.begin(), bytes.end()), "the backup in memory")) {}

  std::uint64_t size() const { return bytes_.size(); }
  std::span<const std::uint8_t> fetch(std::uint64_t offset, std::size_t count) const {
    if (offset >= bytes_.size()) return {};
    const std::size_t start = static_cast<std::size_t>(offset);
    return bytes_.subspan(start, std::min(count, bytes_.size() - start));
  }
  std::string shortfall() const { return {}; }
  std::shared_ptr<const ContentSource> contentSource() const { return source_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::shared_ptr<const ContentSource> source_;
};

// Walks the records that start at `offset` up to the end of `file` (a
// MemoryFile or a FileWindow) and calls onRecord(databaseIndex, fieldArea,
// fieldAreaOffset) for each, with `offset` already past the record. The
// field area is one run, valid during the call; fieldAreaOffset is where it
// starts in the file. A record whose length is below the 7 bytes it
// counts before its fields, or whose header is cut off, ends the walk there.
// A record that claims more bytes than remain is handed on with what
// remains, and the walk ends with the file. A file that ends before its
// size said (it was shortened while being read) ends the walk where the
// reading stopped, the record it stopped in handed on with what was read.
// Either way every record before it stays decoded. A set `stop` flag ends
// the walk before the next record. Kept inline: the loop must cost no call
// per record.
template <class File, class OnRecord>
void walkRecords(File& file, std::uint64_t& offset, WalkDamage& damage, OnRecord&& onRecord,
                 const std::atomic<bool>* stop = nullptr) {
  const std::uint64_t fileSize = file.size();
  while (offset < fileSize) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
    if (fileSize - offset < ipd::kRecordHeaderSize) {
      damage.text = "the record header at offset " + std::to_string(offset) +
                    " is cut off by the end of the file";
      return;
    }
    const auto headerBytes = file.fetch(offset, ipd::kRecordHeaderSize);
    if (headerBytes.size() < ipd::kRecordHeaderSize) {
      damage.text = file.shortfall();
      return;
    }
    ByteReader header(headerBytes);
    const std::uint16_t databaseIndex = *header.u16le();
    const std::uint32_t recordLength = *header.u32le();
    if (recordLength < ipd::kRecordLengthBeforeFields) {
      damage.text = "the record at offset " + std::to_string(offset) +
                    " has an impossible length of " + std::to_string(recordLength) + " bytes";
      return;
    }
    // version, handle and unique id follow; nothing uses them

    const std::uint64_t areaOffset = offset + ipd::kRecordHeaderSize;
    std::uint64_t areaLength = recordLength - ipd::kRecordLengthBeforeFields;
    const std::uint64_t remaining = fileSize - areaOffset;
    if (areaLength > remaining) {
      damage.text = "the record at offset " + std::to_string(offset) + " claims " +
                    std::to_string(areaLength) + " bytes of fields, only " +
                    std::to_string(remaining) + " remain";
      areaLength = remaining;
    }
    const auto fieldArea = file.fetch(areaOffset, static_cast<std::size_t>(areaLength));
    offset = areaOffset + fieldArea.size();
    const bool endedEarly = fieldArea.size() < areaLength;
    if (endedEarly) damage.text = file.shortfall();
    onRecord(databaseIndex, fieldArea, areaOffset);
    if (endedEarly) return;
  }
}

}  // namespace orvane
