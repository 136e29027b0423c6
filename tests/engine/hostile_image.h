#pragma once

#include <cstdint>
#include <vector>

#include "engine/end_finder.h"
#include "sample_files.h"

// Card images built against the scanner: every sector starts like a file of
// some format, with filler that passes the header test where it can and
// points back into itself where the format chains its structures (an OLE2
// DIFAT sector naming itself, a TIFF IFD naming itself as the next).
namespace orvane::engine::testing {

inline constexpr unsigned kHostileFillers = 6;

// One 512-byte sector: `filler` (0 to kHostileFillers - 1) with the
// signature written over it at its offset.
Bytes hostileSector(const Format& format, const Signature& signature, unsigned filler,
                    std::uint32_t seed);

// `sectors` sectors cycling through every format, signature and filler, or
// only those of `only`.
Bytes hostileImage(std::size_t sectors, const Format* only = nullptr);

}  // namespace orvane::engine::testing
