#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace orvane::engine {

// A read-only window over bytes from the disk. Every read is checked against
// the window's size: a read past the end answers 0 (or false) instead of
// touching memory outside it, so format code can test a field first and check
// `has()` only where a short window must change the answer.
class ByteView {
 public:
  ByteView() = default;
  ByteView(std::span<const std::byte> bytes) : bytes_(bytes) {}  // NOLINT: views convert freely

  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  const std::byte* data() const { return bytes_.data(); }
  std::span<const std::byte> span() const { return bytes_; }

  bool has(std::size_t at, std::size_t count) const {
    return at <= bytes_.size() && count <= bytes_.size() - at;
  }
  ByteView from(std::size_t at) const {
    return at <= bytes_.size() ? ByteView(bytes_.subspan(at)) : ByteView();
  }
  ByteView first(std::size_t count) const {
    return ByteView(bytes_.first(count < bytes_.size() ? count : bytes_.size()));
  }

  std::uint8_t u8(std::size_t at) const {
    return has(at, 1) ? std::to_integer<std::uint8_t>(bytes_[at]) : 0;
  }
  std::uint16_t u16le(std::size_t at) const {
    return static_cast<std::uint16_t>(u8(at) | (u8(at + 1) << 8));
  }
  std::uint16_t u16be(std::size_t at) const {
    return static_cast<std::uint16_t>((u8(at) << 8) | u8(at + 1));
  }
  std::uint32_t u24be(std::size_t at) const {
    return (static_cast<std::uint32_t>(u8(at)) << 16) |
           (static_cast<std::uint32_t>(u8(at + 1)) << 8) | u8(at + 2);
  }
  std::uint32_t u32le(std::size_t at) const {
    return static_cast<std::uint32_t>(u16le(at)) |
           (static_cast<std::uint32_t>(u16le(at + 2)) << 16);
  }
  std::uint32_t u32be(std::size_t at) const {
    return (static_cast<std::uint32_t>(u16be(at)) << 16) | u16be(at + 2);
  }
  std::uint64_t u64le(std::size_t at) const {
    return static_cast<std::uint64_t>(u32le(at)) |
           (static_cast<std::uint64_t>(u32le(at + 4)) << 32);
  }
  std::uint64_t u64be(std::size_t at) const {
    return (static_cast<std::uint64_t>(u32be(at)) << 32) | u32be(at + 4);
  }

  // True when the bytes at `at` are exactly `text`.
  bool matches(std::size_t at, std::string_view text) const {
    return has(at, text.size()) && std::memcmp(bytes_.data() + at, text.data(), text.size()) == 0;
  }
  // Offset of the first `text` at or after `from`, or npos.
  std::size_t find(std::string_view text, std::size_t from = 0) const;
  // Offset of the first byte `value` at or after `from`, or npos.
  std::size_t findByte(std::uint8_t value, std::size_t from = 0) const {
    if (from >= bytes_.size()) return npos;
    const void* hit = std::memchr(bytes_.data() + from, value, bytes_.size() - from);
    return hit == nullptr
               ? npos
               : static_cast<std::size_t>(static_cast<const std::byte*>(hit) - bytes_.data());
  }

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  std::span<const std::byte> bytes_;
};

inline std::size_t ByteView::find(std::string_view text, std::size_t from) const {
  if (text.empty()) return from <= size() ? from : npos;
  const auto first = static_cast<std::uint8_t>(text.front());
  for (std::size_t at = findByte(first, from); at != npos; at = findByte(first, at + 1)) {
    if (!has(at, text.size())) return npos;
    if (matches(at, text)) return at;
  }
  return npos;
}

}  // namespace orvane::engine
