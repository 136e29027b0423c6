#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orvane {

// A text field: its bytes up to the first NUL when they are valid UTF-8,
// else empty. A view into `data`: records copy it once, into their text.
std::string_view fieldText(std::span<const std::uint8_t> data);

// A UTF-16 text field, as UTF-8, up to the first NUL character. A byte-order
// mark decides the order; without one, the order whose high bytes are zero
// more often wins, and little-endian when neither does. Unpaired surrogates
// and private-use characters become U+FFFD. A last odd byte is not read.
std::string utf16FieldText(std::span<const std::uint8_t> data);

// The 8-bit character set of texts that are not UTF-8, unless the user
// names another.
inline constexpr std::string_view kDefaultTextCharset = "WINDOWS-1252";

// Whether iconv converts from `charset` (empty: the default) to UTF-8.
bool isKnownTextCharset(const std::string& charset);

// An 8-bit text field in `charset` (empty or unknown: the default), as
// UTF-8, up to the first NUL byte. Bytes the set leaves undefined, and
// characters it maps to the private-use area, become U+FFFD.
std::string legacyFieldText(std::span<const std::uint8_t> data, const std::string& charset);

// An SMS body. `codingScheme` is the metadata's data coding scheme, none
// for a message without metadata. UCS-2 (scheme 2) is read big-endian; any
// other body is UTF-8 when it is valid UTF-8, else 8-bit text in
// `charset`. A body without metadata is read as UTF-16 only when it has a
// byte-order mark or is plainly UTF-16 (even length, zero bytes in one lane
// only): never an odd number of bytes.
std::string smsBodyText(std::span<const std::uint8_t> body,
                        std::optional<std::uint8_t> codingScheme, const std::string& charset);

// "Image", "Video", "Audio", "Email", "Archive" or "Document" for the
// extension of the name's last path component, tried in that order; empty
// when no list holds it.
std::string fileClassOf(std::string_view name);

// The new text, a space, then what the field held.
void joinNewFirst(std::string& field, std::string_view text);

// What the field held, a space, then the new text.
void joinNewLast(std::string& field, std::string_view text);

}  // namespace orvane
