#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

namespace orvane {

// A record's text (UTF-8) in 16 bytes. Texts of up to 15 bytes live inside
// the object; longer ones in one heap block of exactly their size plus the
// terminating NUL. A backup can hold a million short messages, and
// std::string's 32 bytes per field were most of what each of them cost.
//
// Reads go through std::string_view (the conversion is implicit); a
// std::string is made only on request with str().
class Text {
 public:
  static constexpr std::size_t kInlineCapacity = 15;

  Text() noexcept { setInline({}); }
  Text(std::string_view text) { set(text); }  // NOLINT: texts convert freely
  Text(const std::string& text) : Text(std::string_view(text)) {}
  Text(const char* text) : Text(std::string_view(text)) {}
  Text(const Text& other) { set(other.view()); }
  Text(Text&& other) noexcept {
    std::memcpy(raw_, other.raw_, sizeof raw_);
    other.setInline({});
  }
  ~Text() { release(); }

  Text& operator=(const Text& other) {
    if (this != &other) *this = Text(other);
    return *this;
  }
  Text& operator=(Text&& other) noexcept {
    if (this != &other) {
      release();
      std::memcpy(raw_, other.raw_, sizeof raw_);
      other.setInline({});
    }
    return *this;
  }
  // Through a fresh Text, so that a view into this text itself is safe.
  Text& operator=(std::string_view text) { return *this = Text(text); }
  Text& operator=(const std::string& text) { return *this = Text(text); }
  Text& operator=(const char* text) { return *this = Text(text); }
  Text& operator+=(std::string_view more);

  const char* data() const noexcept {
    return onHeap() ? heapPointer() : reinterpret_cast<const char*>(raw_);
  }
  // Always NUL-terminated.
  const char* c_str() const noexcept { return data(); }
  std::size_t size() const noexcept {
    return onHeap() ? heapSize() : kInlineCapacity - raw_[kMarker];
  }
  bool empty() const noexcept { return size() == 0; }
  std::string_view view() const noexcept { return {data(), size()}; }
  operator std::string_view() const noexcept { return view(); }  // NOLINT
  std::string str() const { return std::string(view()); }

  friend bool operator==(const Text& a, std::string_view b) noexcept { return a.view() == b; }
  friend std::strong_ordering operator<=>(const Text& a, std::string_view b) noexcept {
    return a.view() <=> b;
  }
  friend std::string operator+(std::string a, const Text& b) { return a.append(b.view()); }
  friend std::string operator+(const Text& a, std::string_view b) {
    std::string joined(a.view());
    return joined.append(b);
  }
  friend std::ostream& operator<<(std::ostream& out, const Text& text);

 private:
  // The last byte tells the two forms apart: inline it holds the unused
  // capacity (so a full inline text ends in a zero, its own terminator);
  // on the heap it holds kHeapMark, with the pointer and the size in front.
  static constexpr std::size_t kMarker = 15;
  static constexpr unsigned char kHeapMark = 0xFF;

  bool onHeap() const noexcept { return raw_[kMarker] == kHeapMark; }
  const char* heapPointer() const noexcept {
    const char* pointer = nullptr;
    std::memcpy(&pointer, raw_, sizeof pointer);
    return pointer;
  }
  std::size_t heapSize() const noexcept {
    std::uint32_t size = 0;
    std::memcpy(&size, raw_ + sizeof(char*), sizeof size);
    return size;
  }
  void setInline(std::string_view text) noexcept {
    std::memset(raw_, 0, sizeof raw_);
    // an empty view may have no address at all
    if (!text.empty()) std::memcpy(raw_, text.data(), text.size());
    raw_[kMarker] = static_cast<unsigned char>(kInlineCapacity - text.size());
  }
  void set(std::string_view text);
  void release() noexcept {
    if (onHeap()) delete[] heapPointer();
  }

  alignas(8) unsigned char raw_[16];
};

static_assert(sizeof(Text) == 16);

}  // namespace orvane
