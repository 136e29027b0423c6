#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "blackberry/byte_reader.h"
#include "blackberry/ipd_format.h"

namespace orvane {

// Where a walk stopped early, for the log; empty when it ran cleanly to the
// end of the file.
struct WalkDamage {
  std::string text;
  bool any() const { return !text.empty(); }
};

// Walks the records that start at `offset` up to the end of the file and
// calls onRecord(databaseIndex, fieldArea) for each, with `offset` already
// past the record. A record whose length is below the 7 bytes it counts
// before its fields, or whose header is cut off, ends the walk there. A
// record that claims more bytes than remain is handed on with what remains,
// and the walk ends with the file. Either way every record before it stays
// decoded. Kept inline: the loop must cost no call per record.
template <class OnRecord>
void walkRecords(std::span<const std::uint8_t> file, std::uint64_t& offset, WalkDamage& damage,
                 OnRecord&& onRecord) {
  while (offset < file.size()) {
    ByteReader header(file, static_cast<std::size_t>(offset));
    if (header.remaining() < ipd::kRecordHeaderSize) {
      damage.text = "the record header at offset " + std::to_string(offset) +
                    " is cut off by the end of the file";
      return;
    }
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
    const std::uint64_t remaining = file.size() - areaOffset;
    if (areaLength > remaining) {
      damage.text = "the record at offset " + std::to_string(offset) + " claims " +
                    std::to_string(areaLength) + " bytes of fields, only " +
                    std::to_string(remaining) + " remain";
      areaLength = remaining;
    }
    offset = areaOffset + areaLength;
    onRecord(databaseIndex, file.subspan(static_cast<std::size_t>(areaOffset),
                                         static_cast<std::size_t>(areaLength)));
  }
}

}  // namespace orvane
