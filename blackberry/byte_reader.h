#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orvane {

// Reads numbers and byte runs from a span of outside bytes. Every read
// checks what remains first; a read that does not fit answers nothing and
// leaves the position where it was.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t position = 0)
      : bytes_(bytes), position_(position <= bytes.size() ? position : bytes.size()) {}

  std::size_t position() const { return position_; }
  std::size_t remaining() const { return bytes_.size() - position_; }

  bool skip(std::size_t count) {
    if (count > remaining()) return false;
    position_ += count;
    return true;
  }

  std::optional<std::uint8_t> u8() {
    if (remaining() < 1) return std::nullopt;
    return bytes_[position_++];
  }

  std::optional<std::uint16_t> u16le() {
    if (remaining() < 2) return std::nullopt;
    const auto value = static_cast<std::uint16_t>(bytes_[position_] | bytes_[position_ + 1] << 8);
    position_ += 2;
    return value;
  }

  std::optional<std::uint16_t> u16be() {
    if (remaining() < 2) return std::nullopt;
    const auto value = static_cast<std::uint16_t>(bytes_[position_] << 8 | bytes_[position_ + 1]);
    position_ += 2;
    return value;
  }

  std::optional<std::uint32_t> u32le() {
    if (remaining() < 4) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) value = value << 8 | bytes_[position_ + i];
    position_ += 4;
    return value;
  }

  std::optional<std::span<const std::uint8_t>> bytes(std::size_t count) {
    if (count > remaining()) return std::nullopt;
    const auto run = bytes_.subspan(position_, count);
    position_ += count;
    return run;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_;
};

}  // namespace orvane
