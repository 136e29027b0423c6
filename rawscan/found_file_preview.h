#pragma once

// The bytes of a found file, read through the engine for the picture
// preview.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "core/scan_list_node.h"
#include "rawscan/raw_engine.h"

namespace orvane {

// A preview decodes the whole file in memory; pictures larger than this
// are shown by their generic icon instead.
inline constexpr std::size_t kLargestPreviewBytes = 64u << 20;

// Reads the found file's bytes from the disk it was found on (or, when the
// disk table does not know that disk, from the disk the engine scanned
// last).
// None when there is no engine or read operation, the file is empty or
// larger than `largestBytes`, or the engine cannot read it.
std::optional<std::vector<std::byte>> readFoundFileBytes(
    const RawEngine& engine, std::string_view diskName, const PRScanListNode& node,
    std::size_t largestBytes = kLargestPreviewBytes);

}  // namespace orvane
