#pragma once

// Property lists (XML or binary) read as dictionaries, through libplist.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// An opaque libplist node, owned by a PlistFile.
using PlistNode = void*;

class PlistFile {
 public:
  // Nothing when the file is missing, a symbolic link, too large,
  // unreadable or not a property list: all of these count as a missing
  // plist. A list nested too deep for libplist is refused with one line
  // on the error stream naming the file and why.
  static std::optional<PlistFile> read(const std::filesystem::path& path);
  // The same for a file already open (`shownAs` names it in the line).
  static std::optional<PlistFile> read(int fd, const std::filesystem::path& shownAs);
  // `refusal`, when given, receives why nested bytes were refused.
  static std::optional<PlistFile> parse(const std::vector<char>& bytes,
                                        std::string* refusal = nullptr);

  PlistNode root() const { return root_.get(); }

 private:
  struct Free {
    void operator()(void* node) const;
  };
  explicit PlistFile(void* root) : root_(root) {}
  std::unique_ptr<void, Free> root_;
};

// The dictionary under `key` of the dictionary `node`, or nothing.
PlistNode plistDictionary(PlistNode node, const char* key);
// The text under `key` of the dictionary `node`; nothing when the key is
// missing or holds something other than a text.
std::optional<std::string> plistString(PlistNode node, const char* key);
// The truth value under `key`; nothing when missing or not a boolean.
std::optional<bool> plistBool(PlistNode node, const char* key);
// The data bytes under `key`; nothing when missing or not data.
std::optional<std::vector<std::uint8_t>> plistData(PlistNode node, const char* key);
// The items of the array under `key`, or none.
std::vector<PlistNode> plistArrayItems(PlistNode node, const char* key);

}  // namespace orvane
