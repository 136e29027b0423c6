#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orvane {

// Standard Base64 (RFC 4648 section 4) with "=" padding and no line breaks.
std::string base64Encode(std::span<const std::uint8_t> bytes);

}  // namespace orvane
