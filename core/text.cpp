#include "core/text.h"

#include <limits>
#include <ostream>
#include <stdexcept>

namespace orvane {

void Text::set(std::string_view text) {
  if (text.size() <= kInlineCapacity) {
    setInline(text);
    return;
  }
  // No record field comes near this; the bound keeps the size in 32 bits.
  if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("a text of more than 4 GiB");
  }
  char* block = new char[text.size() + 1];
  std::memcpy(block, text.data(), text.size());
  block[text.size()] = '\0';
  const auto size = static_cast<std::uint32_t>(text.size());
  std::memset(raw_, 0, sizeof raw_);
  std::memcpy(raw_, &block, sizeof block);
  std::memcpy(raw_ + sizeof block, &size, sizeof size);
  raw_[kMarker] = kHeapMark;
}

Text& Text::operator+=(std::string_view more) {
  std::string joined(view());
  joined.append(more);
  return *this = Text(joined);
}

std::ostream& operator<<(std::ostream& out, const Text& text) { return out << text.view(); }

}  // namespace orvane
