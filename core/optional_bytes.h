#pragma once

#include <memory>
#include <optional>

#include "core/record.h"

namespace orvane {

// A byte field that may be absent ("none", which differs from empty), in
// 8 bytes where std::optional<Bytes> takes 32. Most records never fill
// theirs. Copies are deep; the interface follows std::optional.
class OptionalBytes {
 public:
  OptionalBytes() = default;
  OptionalBytes(std::nullopt_t) {}                                                   // NOLINT
  OptionalBytes(Bytes bytes) : bytes_(std::make_unique<Bytes>(std::move(bytes))) {}  // NOLINT
  OptionalBytes(const std::optional<Bytes>& bytes) {                                 // NOLINT
    if (bytes) bytes_ = std::make_unique<Bytes>(*bytes);
  }
  OptionalBytes(const OptionalBytes& other)
      : bytes_(other.bytes_ ? std::make_unique<Bytes>(*other.bytes_) : nullptr) {}
  OptionalBytes(OptionalBytes&&) noexcept = default;
  OptionalBytes& operator=(const OptionalBytes& other) {
    if (this != &other) *this = OptionalBytes(other);
    return *this;
  }
  OptionalBytes& operator=(OptionalBytes&&) noexcept = default;

  bool has_value() const noexcept { return bytes_ != nullptr; }
  explicit operator bool() const noexcept { return has_value(); }
  Bytes& operator*() { return *bytes_; }
  const Bytes& operator*() const { return *bytes_; }
  Bytes* operator->() { return bytes_.get(); }
  const Bytes* operator->() const { return bytes_.get(); }
  // The bytes, or null when absent.
  const Bytes* get() const noexcept { return bytes_.get(); }
  Bytes& emplace() {
    bytes_ = std::make_unique<Bytes>();
    return *bytes_;
  }
  void reset() noexcept { bytes_.reset(); }

  friend bool operator==(const OptionalBytes& a, const OptionalBytes& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a.has_value() || *a == *b;
  }
  friend bool operator==(const OptionalBytes& a, const Bytes& b) { return a && *a == b; }
  friend bool operator==(const OptionalBytes& a, std::nullopt_t) { return !a; }

 private:
  std::unique_ptr<Bytes> bytes_;
};

}  // namespace orvane
