#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/record.h"

namespace orvane {

// A byte field that may be absent ("none", which differs from empty), in
// 8 bytes. The bytes and their length share one block from content memory,
// where a stored file of many megabytes lands in huge pages. Copies are
// deep.
class OptionalBytes {
 public:
  OptionalBytes() = default;
  OptionalBytes(std::nullopt_t) {}                      // NOLINT
  OptionalBytes(ByteView bytes) { assign(bytes); }      // NOLINT
  OptionalBytes(const Bytes& bytes) { assign(bytes); }  // NOLINT
  OptionalBytes(const std::optional<Bytes>& bytes) {    // NOLINT
    if (bytes) assign(*bytes);
  }
  OptionalBytes(const OptionalBytes& other) {
    if (other) assign(other.bytes());
  }
  OptionalBytes(OptionalBytes&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
  OptionalBytes& operator=(const OptionalBytes& other);
  OptionalBytes& operator=(OptionalBytes&& other) noexcept;
  ~OptionalBytes() { reset(); }

  bool has_value() const noexcept { return block_ != nullptr; }
  explicit operator bool() const noexcept { return has_value(); }
  // The bytes; empty when absent.
  ByteView bytes() const noexcept;
  // The bytes, or nothing when absent.
  std::optional<ByteView> view() const noexcept;
  std::size_t size() const noexcept;
  bool empty() const noexcept { return size() == 0; }

  // Present from now on, holding `bytes`, with room for `capacity` bytes in
  // all so that appending up to there never moves them.
  void assign(ByteView bytes, std::size_t capacity = 0);
  // Present and empty.
  void emplace() { assign({}); }
  // Appends; absent bytes become present.
  void append(ByteView bytes);
  void reset() noexcept;

  friend bool operator==(const OptionalBytes& a, const OptionalBytes& b);
  friend bool operator==(const OptionalBytes& a, const Bytes& b);
  friend bool operator==(const OptionalBytes& a, std::nullopt_t) { return !a; }

 private:
  struct Block;
  Block* block_ = nullptr;
};

}  // namespace orvane
