#pragma once

// Strict UTF-8 checking for texts read from databases and for file names.
// Overlong forms, surrogates (U+D800..U+DFFF) and values above U+10FFFF are
// not UTF-8: a lenient decoder would let "/" hide in an overlong form.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace orvane {

// Bytes taken by the well-formed sequence that starts at `at`, or 0 when the
// byte there does not start one (or the sequence is cut short).
inline std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const std::size_t remaining = text.size() - at;
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;

  std::size_t length = 0;
  // the allowed range of the second byte narrows for the leads that could
  // otherwise start an overlong form, a surrogate or a value past U+10FFFF
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;  // a continuation byte, C0, C1 or F5..FF
  }
  if (remaining < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

inline bool isValidUtf8(std::string_view text) {
  std::size_t at = 0;
  // Most database texts are plain ASCII: skip it eight bytes at a time.
  while (at + 8 <= text.size()) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, sizeof word);
    if ((word & 0x8080808080808080ull) != 0) break;
    at += 8;
  }
  while (at < text.size()) {
    const std::size_t length = utf8SequenceLength(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

}  // namespace orvane
