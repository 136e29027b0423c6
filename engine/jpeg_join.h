#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "engine/copy_out.h"

namespace orvane::engine {

// How a JPEG decodes with libjpeg: cleanly to its last row and its end
// marker, or not, and then from which byte on the decoder found it wrong.
struct JpegCheck {
  bool clean = false;
  std::size_t badFrom = 0;  // bytes the decoder had taken when it first complained
};
JpegCheck checkJpeg(std::span<const std::byte> jpeg);

// Bounds of the search for a JPEG's second fragment.
struct JoinLimits {
  std::uint64_t clusterBytes = 512;
  std::uint64_t searchBytes = 32u << 20;  // how far past the first fragment to look
  std::uint64_t longestRest = 32u << 20;  // longest second fragment followed
  unsigned decodes = 256;                 // joined candidates decoded at most
  std::chrono::milliseconds time{500};    // per found picture
};

// A JPEG found at `start` (`length` bytes, as its structure went) that does
// not decode cleanly may have been written in two pieces with foreign data
// between. Looks, cluster by cluster after where decoding went wrong, for a
// continuation that decodes cleanly to the end of the picture: the runs of
// the joined file, or none (then the file stays as found). `end` is where
// the scanned range ends. `fileAt` says how long a file is that starts at a
// cluster (none when none does): the search passes over other files whole,
// as the foreign data between two fragments is most often another photo.
using FileAt = std::function<std::optional<std::uint64_t>(std::uint64_t offset)>;
std::optional<std::vector<DeviceRun>> joinJpegFragments(int fd, std::uint64_t start,
                                                        std::uint64_t length, std::uint64_t end,
                                                        const JoinLimits& limits,
                                                        const FileAt& fileAt);

}  // namespace orvane::engine
