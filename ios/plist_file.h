#pragma once

// Property lists (XML or binary) read as dictionaries, through libplist.

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
  // Nothing when the file is missing, too large, unreadable or not a
  // property list: all of these count as a missing plist.
  static std::optional<PlistFile> read(const std::filesystem::path& path);
  static std::optional<PlistFile> parse(const std::vector<char>& bytes);

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
// The items of the array under `key`, or none.
std::vector<PlistNode> plistArrayItems(PlistNode node, const char* key);

}  // namespace orvane
