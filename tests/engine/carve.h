#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/end_finder.h"
#include "engine/scanner.h"
#include "sample_files.h"

namespace orvane::engine {
// "jpg@4096+1536" in test messages.
void PrintTo(const FoundFile& file, std::ostream* out);
}  // namespace orvane::engine

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

struct ScanRun {
  ScanOutcome outcome = ScanOutcome::completed;
  std::vector<FoundFile> found;                                   // in order
  std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;  // done, total
};
// A whole scan of `image` (from a scratch file, in reads of `readBytes`);
// `stopAtOnce` asks for a stop before it starts.
ScanRun scanRun(const Bytes& image, std::size_t readBytes = 65536, bool stopAtOnce = false);
// The files a completed scan reported.
std::vector<FoundFile> scanImage(const Bytes& image, std::size_t readBytes = 65536);

}  // namespace orvane::engine::testing
