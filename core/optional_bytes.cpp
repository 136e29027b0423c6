#include "core/optional_bytes.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/content_memory.h"

namespace orvane {

// The block: its header, then `capacity` bytes of which `size` are used.
struct OptionalBytes::Block {
  std::size_t size;
  std::size_t capacity;

  std::uint8_t* data() { return reinterpret_cast<std::uint8_t*>(this + 1); }

  static Block* make(std::size_t capacity) {
    void* memory = content_memory::allocate(sizeof(Block) + capacity);
    return ::new (memory) Block{0, capacity};
  }
  static void free(Block* block) noexcept {
    content_memory::release(block, sizeof(Block) + block->capacity);
  }
};

OptionalBytes& OptionalBytes::operator=(const OptionalBytes& other) {
  if (this == &other) return *this;
  if (other) {
    assign(other.bytes());
  } else {
    reset();
  }
  return *this;
}

OptionalBytes& OptionalBytes::operator=(OptionalBytes&& other) noexcept {
  if (this != &other) {
    reset();
    block_ = other.block_;
    other.block_ = nullptr;
  }
  return *this;
}

ByteView OptionalBytes::bytes() const noexcept {
  if (block_ == nullptr) return {};
  return {block_->data(), block_->size};
}

std::optional<ByteView> OptionalBytes::view() const noexcept {
  if (block_ == nullptr) return std::nullopt;
  return bytes();
}

std::size_t OptionalBytes::size() const noexcept { return block_ == nullptr ? 0 : block_->size; }

void OptionalBytes::assign(ByteView bytes, std::size_t capacity) {
  capacity = std::max(capacity, bytes.size());
  // `bytes` may lie in the block being replaced
  Block* fresh = Block::make(capacity);
  content_memory::copyInto(fresh->data(), bytes.data(), bytes.size());
  fresh->size = bytes.size();
  reset();
  block_ = fresh;
}

void OptionalBytes::append(ByteView bytes) {
  if (block_ == nullptr) {
    assign(bytes);
    return;
  }
  if (bytes.empty()) return;
  if (block_->capacity - block_->size < bytes.size()) {
    const std::size_t wanted = block_->size + bytes.size();
    Block* grown = Block::make(std::max(wanted, block_->capacity + block_->capacity / 2));
    content_memory::copyInto(grown->data(), block_->data(), block_->size);
    grown->size = block_->size;
    // `bytes` may lie in the old block: copy it before letting that go
    content_memory::copyInto(grown->data() + grown->size, bytes.data(), bytes.size());
    grown->size += bytes.size();
    Block::free(block_);
    block_ = grown;
    return;
  }
  // `bytes` may lie in this block, but never where they are copied to
  content_memory::copyInto(block_->data() + block_->size, bytes.data(), bytes.size());
  block_->size += bytes.size();
}

void OptionalBytes::reset() noexcept {
  if (block_ == nullptr) return;
  Block::free(block_);
  block_ = nullptr;
}

bool operator==(const OptionalBytes& a, const OptionalBytes& b) {
  if (a.has_value() != b.has_value()) return false;
  return std::ranges::equal(a.bytes(), b.bytes());
}

bool operator==(const OptionalBytes& a, const Bytes& b) {
  return a.has_value() && std::ranges::equal(a.bytes(), b);
}

}  // namespace orvane
