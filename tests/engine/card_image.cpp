#include "card_image.h"

#include <iconv.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace orvane::engine::testing {
namespace fs = std::filesystem;
namespace {

std::uint64_t le(const Bytes& bytes, std::size_t at, int width) {
  std::uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = (value << 8) | std::to_integer<std::uint8_t>(bytes[at + i]);
  return value;
}

std::vector<std::string> foldersOf(const std::string& path) {
  std::vector<std::string> folders;
  for (std::size_t slash = path.find('/'); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    folders.push_back(path.substr(0, slash));
  }
  return folders;
}

void fat32Card(const fs::path& image, const std::vector<CardFile>& files) {
  ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
  runTool({"mkfs.fat", "-F", "32", "-s", "1", image.string()});
  std::set<std::string> made;
  for (const CardFile& file : files) {
    for (const std::string& folder : foldersOf(file.path)) {
      if (made.insert(folder).second) runTool({"mmd", "-i", image.string(), "::/" + folder});
    }
    const fs::path source = scratchFolder() / "card-file";
    writeFile(source, file.bytes);
    runTool({"mcopy", "-i", image.string(), source.string(), "::/" + file.path});
  }
  for (const CardFile& file : files) {
    if (file.deleted) runTool({"mdel", "-i", image.string(), "::/" + file.path});
  }
}

// UTF-8 to UTF-16 code units, by iconv.
std::vector<std::uint16_t> utf16Of(std::string text) {
  std::vector<std::uint16_t> units(text.size());
  char* from = text.data();
  char* to = reinterpret_cast<char*>(units.data());
  std::size_t fromLeft = text.size();
  std::size_t toLeft = 2 * units.size();
  const iconv_t convert = ::iconv_open("UTF-16LE", "UTF-8");
  ::iconv(convert, &from, &fromLeft, &to, &toLeft);
  ::iconv_close(convert);
  units.resize(units.size() - toLeft / 2);
  return units;
}

class ExFatWriter {
 public:
  explicit ExFatWriter(Bytes& image) : image_(image) {
    const int sectorShift = std::to_integer<int>(image[108]);
    clusterBytes_ = std::uint64_t{1} << (sectorShift + std::to_integer<int>(image[109]));
    heap_ = le(image, 88, 4) << sectorShift;
    nextCluster_ = static_cast<std::uint32_t>(le(image, 92, 4) / 2);
    const auto root = static_cast<std::uint32_t>(le(image, 96, 4));
    std::size_t free = offsetOfCluster(root);
    while (image_[free] != std::byte{0}) free += 32;  // after the bitmap, up-case and label
    folders_[""] = free;
  }

  void add(const CardFile& file) {
    std::string parent;
    for (const std::string& folder : foldersOf(file.path)) {
      if (!folders_.count(folder)) {
        const std::uint32_t cluster = allocate(clusterBytes_);
        writeSet(parent, folder.substr(parent.empty() ? 0 : parent.size() + 1), cluster,
                 clusterBytes_, true, false);
        folders_[folder] = offsetOfCluster(cluster);
      }
      parent = folder;
    }
    const std::uint32_t cluster = allocate(file.bytes.size());
    std::copy(file.bytes.begin(), file.bytes.end(),
              image_.begin() + static_cast<std::ptrdiff_t>(offsetOfCluster(cluster)));
    writeSet(parent, file.path.substr(parent.empty() ? 0 : parent.size() + 1), cluster,
             file.bytes.size(), false, file.deleted);
  }

 private:
  std::size_t offsetOfCluster(std::uint32_t cluster) const {
    return static_cast<std::size_t>(heap_ + (cluster - 2ull) * clusterBytes_);
  }
  std::uint32_t allocate(std::uint64_t bytes) {
    const std::uint32_t first = nextCluster_;
    nextCluster_ += static_cast<std::uint32_t>(
        std::max<std::uint64_t>(1, (bytes + clusterBytes_ - 1) / clusterBytes_));
    return first;
  }

  // A file entry, its stream extension (contiguous clusters, no chain) and
  // its name entries; a deleted set has the in-use bit of each cleared.
  void writeSet(const std::string& folder, const std::string& name, std::uint32_t cluster,
                std::uint64_t length, bool isFolder, bool deleted) {
    const std::vector<std::uint16_t> units = utf16Of(name);
    const std::size_t nameEntries = (units.size() + 14) / 15;
    std::size_t& at = folders_[folder];
    const std::byte inUse = deleted ? std::byte{0} : std::byte{0x80};
    image_[at] = std::byte{0x05} | inUse;
    image_[at + 1] = static_cast<std::byte>(1 + nameEntries);
    putLe(image_, at + 4, isFolder ? 0x10 : 0x20, 2);
    const std::size_t stream = at + 32;
    image_[stream] = std::byte{0x40} | inUse;
    image_[stream + 1] = std::byte{0x03};  // allocation possible, no FAT chain
    image_[stream + 3] = static_cast<std::byte>(units.size());
    putLe(image_, stream + 8, length, 8);
    putLe(image_, stream + 20, cluster, 4);
    putLe(image_, stream + 24, length, 8);
    for (std::size_t part = 0; part < nameEntries; ++part) {
      const std::size_t entry = stream + 32 * (part + 1);
      image_[entry] = std::byte{0x41} | inUse;
      for (std::size_t unit = 0; unit < 15 && part * 15 + unit < units.size(); ++unit) {
        putLe(image_, entry + 2 + 2 * unit, units[part * 15 + unit], 2);
      }
    }
    at += 32 * (2 + nameEntries);
  }

  Bytes& image_;
  std::uint64_t clusterBytes_;
  std::uint64_t heap_;
  std::uint32_t nextCluster_;
  std::map<std::string, std::size_t> folders_;  // next free entry of each folder
};

}  // namespace

fs::path cardWithFiles(CardFormat format, const std::string& name,
                       const std::vector<CardFile>& files, unsigned mebibytes) {
  const fs::path image = scratchFolder() / name;
  writeFile(image, {});
  fs::resize_file(image, std::uint64_t{mebibytes} << 20);
  if (format == CardFormat::fat32) {
    fat32Card(image, files);
    return image;
  }
  runTool({"mkfs.exfat", "-c", "4K", image.string()});
  Bytes bytes = readFile(image);
  ExFatWriter writer(bytes);
  for (const CardFile& file : files) writer.add(file);
  writeFile(image, bytes);
  return image;
}

std::size_t offsetOf(const Bytes& bytes, std::string_view text) {
  const auto* begin = reinterpret_cast<const char*>(bytes.data());
  const auto found = std::search(begin, begin + bytes.size(), text.begin(), text.end());
  return static_cast<std::size_t>(found - begin);
}

}  // namespace orvane::engine::testing
