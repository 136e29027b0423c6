#include "ios/plist_file.h"

#include <plist/plist.h>

#include <fstream>
#include <iterator>

namespace orvane {

namespace {

// Info.plist carries the backed-up apps' data too and can reach tens of
// megabytes; anything far beyond that is not a backup's plist.
constexpr std::uintmax_t kLargestPlistBytes = 256u * 1024u * 1024u;

bool isDictionary(PlistNode node) {
  return node != nullptr && plist_get_node_type(static_cast<plist_t>(node)) == PLIST_DICT;
}

}  // namespace

void PlistFile::Free::operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }

std::optional<PlistFile> PlistFile::read(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size == 0 || size > kLargestPlistBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<char> bytes(static_cast<std::size_t>(size));
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<std::uintmax_t>(in.gcount()) != size) return std::nullopt;
  return parse(bytes);
}

std::optional<PlistFile> PlistFile::parse(const std::vector<char>& bytes) {
  if (bytes.empty() || bytes.size() > kLargestPlistBytes) return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
  if (root == nullptr) return std::nullopt;
  PlistFile file(root);
  if (!isDictionary(file.root())) return std::nullopt;
  return file;
}

PlistNode plistDictionary(PlistNode node, const char* key) {
  if (!isDictionary(node)) return nullptr;
  plist_t item = plist_dict_get_item(static_cast<plist_t>(node), key);
  return isDictionary(item) ? item : nullptr;
}

std::optional<std::string> plistString(PlistNode node, const char* key) {
  if (!isDictionary(node)) return std::nullopt;
  plist_t item = plist_dict_get_item(static_cast<plist_t>(node), key);
  if (item == nullptr || plist_get_node_type(item) != PLIST_STRING) return std::nullopt;
  std::uint64_t length = 0;
  const char* text = plist_get_string_ptr(item, &length);
  if (text == nullptr) return std::string();
  return std::string(text, static_cast<std::size_t>(length));
}

std::vector<PlistNode> plistArrayItems(PlistNode node, const char* key) {
  std::vector<PlistNode> items;
  if (!isDictionary(node)) return items;
  plist_t array = plist_dict_get_item(static_cast<plist_t>(node), key);
  if (array == nullptr || plist_get_node_type(array) != PLIST_ARRAY) return items;
  const std::uint32_t count = plist_array_get_size(array);
  items.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) items.push_back(plist_array_get_item(array, i));
  return items;
}

}  // namespace orvane
