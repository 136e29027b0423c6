#pragma once

// The pages held in a write-ahead log: a 32-byte header (magic, format,
// page size, ...) and then frames of a 24-byte header and one page each.
// Every whole frame is given, whatever its salt: frames of an earlier
// generation still hold what was deleted then. A log cut short ends at its
// last whole frame.

#include <cstdint>
#include <vector>

#include "carving/sqlite_pages.h"

namespace orvane::carving {

struct WalFrame {
  std::uint32_t pageNumber = 0;  // 1-based page of the database
  ByteSpan page;
};

// Nothing for a log without a valid header.
std::vector<WalFrame> walFrames(ByteSpan log);

}  // namespace orvane::carving
