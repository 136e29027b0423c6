#pragma once

// The text of a note of the Notes app from iOS 9 on: ZICNOTEDATA.ZDATA is a
// gzip stream holding a protobuf message, whose field 2 is the document,
// whose field 3 is the note, whose field 2 is the text in UTF-8.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// Inflates a gzip (or zlib) stream, refusing output past `largestBytes`;
// nothing for a damaged or truncated stream.
std::optional<std::vector<std::uint8_t>> inflateStream(std::span<const std::uint8_t> compressed,
                                                       std::size_t largestBytes);

// The note's text from the inflated protobuf; nothing when the path of
// fields is not there or the text is not UTF-8.
std::optional<std::string> noteTextOfProtobuf(std::span<const std::uint8_t> message);

// Both steps: ZDATA as stored to the note's text.
std::optional<std::string> noteBodyText(std::span<const std::uint8_t> zdata);

}  // namespace orvane
