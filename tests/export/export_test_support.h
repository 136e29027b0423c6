#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace orvane::testing {

// Every file and folder under `root`, as sorted relative paths ("Contact",
// "Contact/Contacts.txt").
inline std::vector<std::string> treeOf(const std::filesystem::path& root) {
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    entries.push_back(std::filesystem::relative(entry.path(), root).string());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// The names in one folder, sorted.
inline std::vector<std::string> namesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace orvane::testing
