#include "core/safe_names.h"

#include <system_error>

#include "core/utf8.h"

namespace orvane {

namespace {

// File systems allow 255 bytes per name; leave room for " (12345)" and for
// tools that add their own suffixes.
constexpr std::size_t kLongestName = 200;
// A longer "extension" is just part of a long name and may be cut.
constexpr std::size_t kLongestExtensionWithDot = 20;

bool isUnsafeAscii(unsigned char c) { return c == '/' || c == '\\' || c < 0x20 || c == 0x7F; }

// Every unsafe character and every byte that is not part of a well-formed
// UTF-8 sequence becomes "_".
std::string replaceUnsafe(std::string_view name) {
  std::string safe;
  safe.reserve(name.size());
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t length = utf8SequenceLength(name, at);
    const auto lead = static_cast<unsigned char>(name[at]);
    if (length == 0) {
      safe.push_back('_');
      at += 1;
      continue;
    }
    // C1 controls (U+0080..U+009F, encoded C2 80..C2 9F) are as invisible
    // in a file list as the C0 ones
    const bool c1Control =
        length == 2 && lead == 0xC2 && static_cast<unsigned char>(name[at + 1]) <= 0x9F;
    if ((length == 1 && isUnsafeAscii(lead)) || c1Control) {
      safe.push_back('_');
    } else {
      safe.append(name.substr(at, length));
    }
    at += length;
  }
  return safe;
}

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Cuts a valid UTF-8 name to kLongestName bytes between two characters,
// keeping a short extension so that the file still opens with its program.
std::string capLength(const std::string& name) {
  if (name.size() <= kLongestName) return name;
  std::string extension;
  std::string_view stem(name);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0 && name.size() - dot <= kLongestExtensionWithDot) {
    extension = name.substr(dot);
    stem = stem.substr(0, dot);
  }
  std::size_t keep = kLongestName - extension.size();
  while (keep > 0 && keep < stem.size() && isContinuationByte(stem[keep])) --keep;
  return std::string(stem.substr(0, keep)) + extension;
}

bool onlyDots(std::string_view name) {
  return name.find_first_not_of('.') == std::string_view::npos;
}

// Blanks around a name come from how records join their parts ("Smith "),
// not from the user, and trailing ones trouble other systems' file managers.
std::string_view trimBlanks(std::string_view name) {
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string makeSafeFileName(std::string_view name, std::string_view fallback) {
  std::string safe = replaceUnsafe(trimBlanks(name));
  if (safe.empty()) safe = replaceUnsafe(fallback);
  safe = capLength(safe);
  // "", "." and ".." would name the export folder or its parent
  if (safe.empty() || onlyDots(safe)) safe = "_";
  return safe;
}

std::filesystem::path uniquePathIn(const std::filesystem::path& folder, const std::string& name) {
  const auto taken = [](const std::filesystem::path& candidate) {
    std::error_code error;
    // a dangling symbolic link is taken too: writing through it would land elsewhere
    return std::filesystem::exists(std::filesystem::symlink_status(candidate, error));
  };
  std::filesystem::path candidate = folder / name;
  if (!taken(candidate)) return candidate;

  // ".vcf" is a hidden name, not an extension without a stem
  std::string stem = name;
  std::string extension;
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    stem = name.substr(0, dot);
    extension = name.substr(dot);
  }
  for (unsigned long long number = 2;; ++number) {
    candidate = folder / (stem + " (" + std::to_string(number) + ")" + extension);
    if (!taken(candidate)) return candidate;
  }
}

std::string lastPathComponent(std::string_view devicePath) {
  const std::size_t separator = devicePath.find_last_of("/\\");
  if (separator == std::string_view::npos) return std::string(devicePath);
  return std::string(devicePath.substr(separator + 1));
}

}  // namespace orvane
