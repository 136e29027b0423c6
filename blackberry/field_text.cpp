#include "blackberry/field_text.h"

#include <cstddef>

#include "core/conversions.h"
#include "core/utf8.h"

namespace orvane {

namespace {

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

// Texts stored without a byte-order mark are mostly Latin script, whose
// characters have a zero high byte: the side where the zeros fall gives the
// order away.
bool looksBigEndian(std::span<const std::uint8_t> units) {
  std::size_t zerosFirst = 0;
  std::size_t zerosSecond = 0;
  for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
    if (units[i] == 0 && units[i + 1] == 0) break;
    if (units[i] == 0) ++zerosFirst;
    if (units[i + 1] == 0) ++zerosSecond;
  }
  return zerosFirst > zerosSecond;
}

}  // namespace

std::string_view fieldText(std::span<const std::uint8_t> data) {
  const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  return isValidUtf8(text) ? text : std::string_view();
}

void joinNewFirst(std::string& field, std::string_view text) {
  field.insert(0, " ").insert(0, text);
}

void joinNewLast(std::string& field, std::string_view text) { field.append(" ").append(text); }

std::string utf16FieldText(std::span<const std::uint8_t> data) {
  bool bigEndian = false;
  if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    data = data.subspan(2);
  } else if (data.size() >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
    bigEndian = true;
    data = data.subspan(2);
  } else {
    bigEndian = looksBigEndian(data);
  }
  const auto unitAt = [&](std::size_t i) -> char32_t {
    return bigEndian ? char32_t{data[i]} << 8 | data[i + 1] : char32_t{data[i + 1]} << 8 | data[i];
  };

  std::string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const char32_t unit = unitAt(i);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < data.size()) {
      const char32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        appendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    appendUtf8(text, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
  }
  return text;
}

std::string fileClassOf(std::string_view name) {
  std::string extension;
  if (FieldConversions::getSuffix(name, extension) != 1) return {};
  if (FieldConversions::GetImageType(extension) >= 0) return "Image";
  if (FieldConversions::GetViedoType(extension) >= 0) return "Video";
  if (FieldConversions::GetAudioType(extension) >= 0) return "Audio";
  if (FieldConversions::GetEmailType(extension) >= 0) return "Email";
  if (FieldConversions::GetArchiveType(extension) >= 0) return "Archive";
  if (FieldConversions::GetDocumentType(extension) >= 0) return "Document";
  return {};
}

}  // namespace orvane
