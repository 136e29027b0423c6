#include "ios/attributed_body.h"

#include <algorithm>
#include <string_view>

#include "core/utf8.h"

namespace orvane {

namespace {

using Bytes = std::span<const std::uint8_t>;

// "\x04\x0bstreamtyped": the stream's version byte, the length of the
// signature, the signature.
constexpr std::string_view kSignature = "\x04\x0bstreamtyped";
// After the class chain, 0x84 0x01 introduces a value of one type, and
// '+' is the type of a C string of bytes: the NSString's UTF-8 text.
constexpr std::uint8_t kString[] = {0x84, 0x01, '+'};

std::size_t find(Bytes haystack, std::string_view needle, std::size_t from) {
  if (from > haystack.size()) return haystack.size();
  const auto at = std::search(
      haystack.begin() + static_cast<std::ptrdiff_t>(from), haystack.end(), needle.begin(),
      needle.end(), [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
  return static_cast<std::size_t>(at - haystack.begin());
}

}  // namespace

std::optional<std::string> attributedBodyText(Bytes blob) {
  if (blob.size() < kSignature.size() || find(blob, kSignature, 0) != 0) return std::nullopt;
  // The first NSString of the archive holds the text; the attributes
  // that follow it name other classes.
  const std::size_t nsString = find(blob, "NSString", kSignature.size());
  if (nsString == blob.size()) return std::nullopt;
  const std::string_view marker(reinterpret_cast<const char*>(kString), sizeof kString);
  std::size_t at = find(blob, marker, nsString + 8);
  if (at == blob.size()) return std::nullopt;
  at += sizeof kString;

  // The length: one byte below 0x80, or 0x81 and two bytes, or 0x82 and
  // four, little-endian.
  if (at >= blob.size()) return std::nullopt;
  std::uint64_t length = blob[at++];
  int widthBytes = 0;
  if (length == 0x81) widthBytes = 2;
  if (length == 0x82) widthBytes = 4;
  if (length >= 0x80 && widthBytes == 0) return std::nullopt;
  if (widthBytes != 0) {
    if (blob.size() - at < static_cast<std::size_t>(widthBytes)) return std::nullopt;
    length = 0;
    for (int i = widthBytes - 1; i >= 0; --i)
      length = length << 8 | blob[at + static_cast<std::size_t>(i)];
    at += static_cast<std::size_t>(widthBytes);
  }
  if (length > blob.size() - at) return std::nullopt;
  std::string text(reinterpret_cast<const char*>(blob.data() + at),
                   static_cast<std::size_t>(length));
  if (!isValidUtf8(text)) return std::nullopt;
  return text;
}

}  // namespace orvane
