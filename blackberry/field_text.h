#pragma once

#include <cstdint>
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
// become U+FFFD.
std::string utf16FieldText(std::span<const std::uint8_t> data);

// "Image", "Video", "Audio", "Email", "Archive" or "Document" for the
// extension of the name's last path component, tried in that order; empty
// when no list holds it.
std::string fileClassOf(std::string_view name);

// The new text, a space, then what the field held.
void joinNewFirst(std::string& field, std::string_view text);

// What the field held, a space, then the new text.
void joinNewLast(std::string& field, std::string_view text);

}  // namespace orvane
