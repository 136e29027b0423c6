#include "ios/plist_file.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "ios/plist_nesting.h"

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
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  auto file = read(fd, path);
  ::close(fd);
  return file;
}

std::optional<PlistFile> PlistFile::read(int fd, const std::filesystem::path& shownAs) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  const auto size = static_cast<std::uintmax_t>(info.st_size);
  if (size == 0 || size > kLargestPlistBytes) return std::nullopt;
  std::vector<char> bytes(static_cast<std::size_t>(size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    got += static_cast<std::size_t>(n);
  }
  std::string refusal;
  auto file = parse(bytes, &refusal);
  if (!refusal.empty()) {
    std::fprintf(stderr, "%s: property list refused: %s\n", shownAs.c_str(), refusal.c_str());
  }
  return file;
}

std::optional<PlistFile> PlistFile::parse(const std::vector<char>& bytes, std::string* refusal) {
  if (bytes.empty() || bytes.size() > kLargestPlistBytes) return std::nullopt;
  if (auto problem = plistNestingProblem(bytes)) {
    if (refusal != nullptr) *refusal = std::move(*problem);
    return std::nullopt;
  }
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

std::optional<bool> plistBool(PlistNode node, const char* key) {
  if (!isDictionary(node)) return std::nullopt;
  plist_t item = plist_dict_get_item(static_cast<plist_t>(node), key);
  if (item == nullptr || plist_get_node_type(item) != PLIST_BOOLEAN) return std::nullopt;
  std::uint8_t value = 0;
  plist_get_bool_val(item, &value);
  return value != 0;
}

std::optional<std::vector<std::uint8_t>> plistData(PlistNode node, const char* key) {
  if (!isDictionary(node)) return std::nullopt;
  plist_t item = plist_dict_get_item(static_cast<plist_t>(node), key);
  if (item == nullptr || plist_get_node_type(item) != PLIST_DATA) return std::nullopt;
  std::uint64_t length = 0;
  const char* bytes = plist_get_data_ptr(item, &length);
  if (bytes == nullptr) return std::vector<std::uint8_t>();
  return std::vector<std::uint8_t>(bytes, bytes + length);
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
