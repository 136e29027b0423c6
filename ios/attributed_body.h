#pragma once

// The text of a message kept only in its attributedBody: a typedstream
// archive of an NSAttributedString, as Messages writes it from iOS 16 on
// when the plain `text` column is left NULL.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvane {

// The string of the archive's NSString; nothing when the blob is not a
// typedstream or the string cannot be found whole within it.
std::optional<std::string> attributedBodyText(std::span<const std::uint8_t> blob);

}  // namespace orvane
