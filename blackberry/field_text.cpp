#include "blackberry/field_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

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

bool isPrivateUse(char32_t c) { return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000; }

// A decoded character as it is shown: private-use characters are nothing a
// phone user typed, only what a wrong reading of the bytes makes.
void appendShown(std::string& out, char32_t c) {
  appendUtf8(out, isPrivateUse(c) ? kReplacement : c);
}

std::span<const std::uint8_t> upToNul(std::span<const std::uint8_t> data) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == 0) return data.first(i);
  }
  return data;
}

std::string decodeUtf16(std::span<const std::uint8_t> data, bool bigEndian) {
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
        appendShown(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    appendShown(text, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
  }
  return text;
}

bool hasByteOrderMark(std::span<const std::uint8_t> data) {
  return data.size() >= 2 &&
         ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
}

// Latin text in UTF-16 has a zero byte in one lane of most of its units and
// none in the other. Units after the terminating zero unit do not count.
bool isPlainlyUtf16(std::span<const std::uint8_t> data) {
  if (data.size() % 2 != 0) return false;
  std::size_t units = 0;
  std::size_t zerosFirst = 0;
  std::size_t zerosSecond = 0;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2, ++units) {
    if (data[i] == 0 && data[i + 1] == 0) break;
    if (data[i] == 0) ++zerosFirst;
    if (data[i + 1] == 0) ++zerosSecond;
  }
  const std::size_t zeros = zerosFirst + zerosSecond;
  return (zerosFirst == 0 || zerosSecond == 0) && zeros >= 2 && zeros * 2 >= units;
}

using IconvHandle = std::unique_ptr<void, void (*)(void*)>;

IconvHandle openToUtf8(const std::string& charset) {
  const std::string from = charset.empty() ? std::string(kDefaultTextCharset) : charset;
  iconv_t handle = iconv_open("UTF-8", from.c_str());
  if (handle == reinterpret_cast<iconv_t>(-1)) return IconvHandle(nullptr, [](void*) {});
  return IconvHandle(handle, [](void* h) { iconv_close(static_cast<iconv_t>(h)); });
}

// Replaces the private-use characters of valid UTF-8 text.
std::string withoutPrivateUse(std::string_view text) {
  std::string shown;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8SequenceLength(text, at);
    if (length == 0) {  // iconv writes valid UTF-8; kept safe all the same
      appendUtf8(shown, kReplacement);
      ++at;
      continue;
    }
    char32_t c = static_cast<unsigned char>(text[at]);
    if (length > 1) {
      c &= 0x3Fu >> (length - 1);
      for (std::size_t i = 1; i < length; ++i) {
        c = c << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3Fu);
      }
    }
    if (isPrivateUse(c)) {
      appendUtf8(shown, kReplacement);
    } else {
      shown.append(text.substr(at, length));
    }
    at += length;
  }
  return shown;
}

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
  if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xFE)
    return decodeUtf16(data.subspan(2), false);
  if (data.size() >= 2 && data[0] == 0xFE && data[1] == 0xFF)
    return decodeUtf16(data.subspan(2), true);
  return decodeUtf16(data, looksBigEndian(data));
}

bool isKnownTextCharset(const std::string& charset) { return openToUtf8(charset) != nullptr; }

std::string legacyFieldText(std::span<const std::uint8_t> data, const std::string& charset) {
  data = upToNul(data);
  // Opening a converter loads the character set's tables: a scan of many
  // messages keeps the one it opened, per thread, until the set changes.
  thread_local std::optional<std::string> openedFor;
  thread_local IconvHandle converter(nullptr, [](void*) {});
  if (openedFor != charset) {
    converter = openToUtf8(charset);
    if (!converter) converter = openToUtf8({});
    openedFor = charset;
  }
  if (!converter) return {};
  const auto cd = static_cast<iconv_t>(converter.get());
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state

  std::string converted;
  // one 8-bit character becomes at most 4 bytes of UTF-8
  std::string buffer(data.size() * 4 + 16, '\0');
  auto* in = const_cast<char*>(reinterpret_cast<const char*>(data.data()));
  std::size_t inLeft = data.size();
  while (inLeft > 0) {
    char* out = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    converted.append(buffer.data(), buffer.size() - outLeft);
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // a byte the set does not define, or a sequence cut short: one
    // replacement character for the byte, then go on after it
    appendUtf8(converted, kReplacement);
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return withoutPrivateUse(converted);
}

std::string smsBodyText(std::span<const std::uint8_t> body,
                        std::optional<std::uint8_t> codingScheme, const std::string& charset) {
  constexpr std::uint8_t kUcs2 = 2;
  if (codingScheme == kUcs2) {
    // a text ending in a single NUL byte is still whole units before it
    const bool oddTerminator = body.size() % 2 != 0 && body.back() == 0;
    if (body.size() % 2 == 0 || oddTerminator) {
      return decodeUtf16(body.first(body.size() - (oddTerminator ? 1 : 0)), true);
    }
  }
  if (!codingScheme) {
    if (hasByteOrderMark(body) && body.size() % 2 == 0) return utf16FieldText(body);
    if (isPlainlyUtf16(body)) return utf16FieldText(body);
  }
  const std::string_view text = fieldText(body);
  if (!text.empty() || upToNul(body).empty()) return std::string(text);
  return legacyFieldText(body, charset);
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
