#pragma once

// Where each entry of a zip archive lies, from its central directory and
// local headers. libzip answers names and sizes but not offsets; these tell
// an archive whose entries share their bytes, the shape of the zip bombs
// that make a small file unpack to terabytes by naming one stream many times.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane {

struct ZipEntrySpan {
  std::string name;
  std::uint64_t start = 0;  // the local header
  std::uint64_t end = 0;    // one past the entry's compressed data
};

// Reads exactly `out.size()` bytes at `offset`, or answers false.
using ZipReadAt = std::function<bool(std::uint64_t offset, std::span<std::uint8_t> out)>;

// The spans of every entry, in central-directory order; nothing, with
// `problem` set, when the directory or a local header cannot be read.
std::optional<std::vector<ZipEntrySpan>> readZipEntrySpans(std::uint64_t archiveBytes,
                                                           const ZipReadAt& readAt,
                                                           std::string& problem);

// One line naming two entries that share bytes, or nothing.
std::optional<std::string> overlappingZipEntries(std::vector<ZipEntrySpan> spans);

}  // namespace orvane
