#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/end_finder.h"
#include "sample_files.h"

namespace orvane::engine::testing {

struct Carved {
  bool headerFound = false;
  Verdict::Kind kind = Verdict::Kind::goOn;
  std::uint64_t length = 0;
  std::string extension;
};

// Runs the header test of every registered format on the start of `data`,
// then feeds the end finder `data` in blocks whose sizes cycle through
// `blockSizes`; when all is fed without an answer, the finder is told the
// data ends there.
Carved carve(const Bytes& data, std::span<const std::size_t> blockSizes);
Carved carveWhole(const Bytes& data);

Bytes concat(const Bytes& a, const Bytes& b);

}  // namespace orvane::engine::testing
