#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "blackberry/ipd_format.h"

namespace orvane {

// How one database lays out a few of its field types.
struct FieldRules {
  // A type whose data begins with 4 bytes the decoders step over: its data
  // starts 4 bytes later and is 4 bytes shorter than the field length says.
  int skip4Type = -1;
  // A type followed by bytes its field length does not count.
  int extraType = -1;
  std::size_t extraBytes = 0;
};

// Calls onField(type, data) for each field of a record's field area, in
// order. The area is already cut to the record (and to the file), and the
// data handed on is cut to the area: a field that claims more than its
// record holds gives what is there, and the walk ends with the area. Every
// step moves at least one field header forward, so the walk always ends.
template <class OnField>
void walkFields(std::span<const std::uint8_t> fieldArea, const FieldRules& rules,
                OnField&& onField) {
  const std::size_t areaSize = fieldArea.size();
  std::size_t position = 0;
  while (position + ipd::kFieldHeaderSize <= areaSize) {
    const auto fieldLength =
        static_cast<std::size_t>(fieldArea[position] | fieldArea[position + 1] << 8);
    const std::uint8_t type = fieldArea[position + 2];

    std::size_t dataStart = position + ipd::kFieldHeaderSize;
    std::size_t dataLength = fieldLength;
    if (type == rules.skip4Type) {
      dataStart += 4;
      dataLength = fieldLength >= 4 ? fieldLength - 4 : 0;
    }
    dataStart = std::min(dataStart, areaSize);
    dataLength = std::min(dataLength, areaSize - dataStart);
    onField(type, fieldArea.subspan(dataStart, dataLength));

    // A skip-4 field ends where its length says, like any other.
    position += ipd::kFieldHeaderSize + fieldLength;
    if (type == rules.extraType) position += rules.extraBytes;
  }
}

}  // namespace orvane
