// FAT12/16/32 and exFAT directories as the published layouts describe them:
// a boot sector that gives the sizes, a table of next clusters, and folders
// of 32-byte entries. Only what naming found files needs is read.
#include "engine/volume_names.h"

#include <unistd.h>

#include <algorithm>
#include <deque>
#include <unordered_set>

#include "engine/byte_view.h"

namespace orvane::engine {
namespace {

using Bytes = std::vector<std::byte>;

// Largest folder read (a FAT folder holds at most 65536 entries) and
// largest table of next clusters held.
constexpr std::uint64_t kMaxFolderBytes = 8u << 20;
constexpr std::uint64_t kMaxTableBytes = 256u << 20;

bool readAt(int fd, std::uint64_t offset, Bytes& into) {
  std::size_t done = 0;
  while (done < into.size()) {
    const ssize_t got =
        ::pread(fd, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

// A name part safe to join with "/": no separators, no control characters.
std::string safePart(std::string name) {
  for (char& c : name) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
  }
  return name == "." || name == ".." ? std::string() : name;
}

struct Folder {
  std::uint32_t cluster;
  std::uint64_t bytes;  // exFAT: the folder's length; 0 when the chain says
  bool contiguous;      // exFAT: clusters follow each other, no chain
  bool deleted;
  std::string path;  // with a trailing "/", empty for the root
  int depth;
};

}  // namespace

std::string utf8OfUtf16(const std::vector<std::uint16_t>& units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::uint32_t code = units[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

class VolumeReader {
 public:
  VolumeReader(int fd, std::uint64_t start, std::uint64_t deviceSize, const VolumeNames::Log& log,
               VolumeNames::Volume& volume)
      : fd_(fd), start_(start), deviceSize_(deviceSize), log_(log), volume_(volume) {}

  bool read() {
    Bytes boot(512);
    if (!readAt(fd_, start_, boot)) return false;
    const ByteView view(boot);
    if (view.matches(3, "EXFAT   ")) return readExFat(view);
    return readFat(view);
  }

 private:
  // --- FAT12/16/32 ---

  bool readFat(ByteView boot) {
    const std::uint32_t sectorBytes = boot.u16le(11);
    const std::uint32_t clusterSectors = boot.u8(13);
    const std::uint32_t reserved = boot.u16le(14);
    const std::uint32_t tables = boot.u8(16);
    const std::uint32_t rootEntries = boot.u16le(17);
    const std::uint32_t tableSectors = boot.u16le(22) != 0 ? boot.u16le(22) : boot.u32le(36);
    const std::uint32_t totalSectors = boot.u16le(19) != 0 ? boot.u16le(19) : boot.u32le(32);
    const bool sane =
        boot.u16le(510) == 0xAA55 && (boot.u8(0) == 0xEB || boot.u8(0) == 0xE9) &&
        (sectorBytes == 512 || sectorBytes == 1024 || sectorBytes == 2048 || sectorBytes == 4096) &&
        clusterSectors != 0 && (clusterSectors & (clusterSectors - 1)) == 0 && reserved != 0 &&
        (tables == 1 || tables == 2) && tableSectors != 0;
    if (!sane) return false;
    const std::uint64_t rootSectors = (rootEntries * 32ull + sectorBytes - 1) / sectorBytes;
    const std::uint64_t dataSector = reserved + std::uint64_t{tables} * tableSectors + rootSectors;
    if (dataSector >= totalSectors) return false;
    const std::uint64_t clusters = (totalSectors - dataSector) / clusterSectors;
    bits_ = clusters < 4085 ? 12 : clusters < 65525 ? 16 : 32;
    volume_.fat32 = bits_ == 32;
    volume_.clusterBytes = std::uint64_t{sectorBytes} * clusterSectors;
    volume_.clusterCount = clusters;
    volume_.heapStart = start_ + dataSector * sectorBytes;
    const std::uint64_t tableStart = start_ + std::uint64_t{reserved} * sectorBytes;
    if (!readTable(tableStart, (clusters + 2) * bits_ / 8 + 2)) return false;

    if (bits_ == 32) {
      walk({boot.u32le(44), 0, false, false, "", 0});
    } else {
      Bytes root(rootEntries * 32u);
      const std::uint64_t rootStart =
          tableStart + std::uint64_t{tables} * tableSectors * sectorBytes;
      if (!readAt(fd_, rootStart, root)) return false;
      readFatFolder(root, {0, 0, false, false, "", 0});
    }
    drain();
    return true;
  }

  bool readTable(std::uint64_t offset, std::uint64_t bytes) {
    if (bytes > kMaxTableBytes || offset + bytes > deviceSize_) return false;
    table_.resize(static_cast<std::size_t>(bytes));
    return readAt(fd_, offset, table_);
  }

  // The cluster after `cluster`, or 0 at the end of a chain or on a free or
  // bad one.
  std::uint32_t next(std::uint32_t cluster) const {
    const ByteView table(table_);
    std::uint32_t value = 0;
    if (bits_ == 12) {
      const std::uint32_t word = table.u16le(cluster + cluster / 2);
      value = (cluster & 1) ? word >> 4 : word & 0xFFF;
      if (value >= 0xFF7) return 0;
    } else if (bits_ == 16) {
      value = table.u16le(std::size_t{cluster} * 2);
      if (value >= 0xFFF7) return 0;
    } else {
      value = table.u32le(std::size_t{cluster} * 4) & (bits_ == 32 ? 0x0FFFFFFF : 0xFFFFFFFF);
      if (value >= (bits_ == 32 ? 0x0FFFFFF7u : 0xFFFFFFF7u)) return 0;
    }
    return valid(value) ? value : 0;
  }

  bool valid(std::uint32_t cluster) const {
    return cluster >= 2 && cluster < volume_.clusterCount + 2;
  }

  // The folder's bytes: its chain, or for a deleted folder (its chain is
  // freed) its clusters in a row.
  Bytes folderBytes(const Folder& folder) {
    Bytes bytes;
    std::unordered_set<std::uint32_t> seen;
    const std::uint64_t wanted =
        folder.bytes != 0 ? std::min(folder.bytes, kMaxFolderBytes) : kMaxFolderBytes;
    const std::uint64_t inARow =
        folder.contiguous || folder.deleted
            ? std::max<std::uint64_t>(
                  1, (folder.bytes + volume_.clusterBytes - 1) / volume_.clusterBytes)
            : 0;
    std::uint32_t cluster = folder.cluster;
    for (std::uint64_t count = 0; valid(cluster) && bytes.size() < wanted; ++count) {
      if (!seen.insert(cluster).second) {
        log_("bblib: a folder's cluster chain loops at cluster " + std::to_string(cluster) +
             " of the volume at byte " + std::to_string(start_) + "; cut there");
        break;
      }
      Bytes piece(static_cast<std::size_t>(volume_.clusterBytes));
      if (!readAt(fd_, volume_.heapStart + (cluster - 2ull) * volume_.clusterBytes, piece)) break;
      bytes.insert(bytes.end(), piece.begin(), piece.end());
      if (inARow != 0) {
        if (count + 1 >= inARow) break;
        ++cluster;
      } else {
        cluster = next(cluster);
      }
    }
    if (folder.bytes != 0 && bytes.size() > folder.bytes) bytes.resize(folder.bytes);
    return bytes;
  }

  void walk(Folder folder) { pending_.push_back(std::move(folder)); }

  void drain() {
    while (!pending_.empty()) {
      Folder folder = std::move(pending_.front());
      pending_.pop_front();
      if (!foldersSeen_.insert(folder.cluster).second) {
        // a deleted folder whose clusters a live one took over is no loop
        if (!folder.deleted) {
          log_("bblib: folder " + folder.path + " of the volume at byte " + std::to_string(start_) +
               " names a folder already read; cut there");
        }
        continue;
      }
      if (++folders_ > VolumeNames::kMaxFolders) return;
      const Bytes bytes = folderBytes(folder);
      if (exFat_) {
        readExFatFolder(bytes, folder);
      } else {
        readFatFolder(bytes, folder);
      }
    }
  }

  static std::uint8_t shortNameSum(const std::uint8_t* name) {
    std::uint8_t sum = 0;
    for (int i = 0; i < 11; ++i)
      sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + name[i]);
    return sum;
  }

  void readFatFolder(const Bytes& bytes, const Folder& folder) {
    const ByteView view(bytes);
    std::vector<std::vector<std::uint16_t>> longParts;  // as they lie, last part first
    std::uint8_t longSum = 0;
    for (std::size_t at = 0; view.has(at, 32); at += 32) {
      const ByteView entry = view.from(at).first(32);
      const std::uint8_t first = entry.u8(0);
      if (first == 0x00) break;  // nothing was ever written from here on
      const std::uint8_t attributes = entry.u8(11);
      const bool deleted = first == 0xE5;
      if ((attributes & 0x3F) == 0x0F) {
        // A long-name part: 13 UTF-16 units in three pieces.
        if (!longParts.empty() && entry.u8(13) != longSum) longParts.clear();
        longSum = entry.u8(13);
        std::vector<std::uint16_t> units;
        for (const std::size_t offset : {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30}) {
          units.push_back(entry.u16le(offset));
        }
        longParts.push_back(std::move(units));
        continue;
      }
      std::vector<std::vector<std::uint16_t>> parts;
      parts.swap(longParts);
      if ((attributes & 0x08) != 0 || ++entries_ > VolumeNames::kMaxEntries) continue;
      std::uint8_t raw[11];
      for (int i = 0; i < 11; ++i) raw[i] = entry.u8(static_cast<std::size_t>(i));
      if (raw[0] == '.' && (raw[1] == ' ' || raw[1] == '.')) continue;
      bool printable = true;
      for (int i = 1; i < 11; ++i) printable = printable && raw[i] >= 0x20;
      if (!printable || (attributes & 0xC0) != 0) continue;

      // A deleted entry lost its first character; the long name's checksum
      // still tells which it was.
      bool longNameFits = !parts.empty();
      if (longNameFits) {
        if (deleted) {
          longNameFits = false;
          for (int c = 0x20; c < 0x100 && !longNameFits; ++c) {
            raw[0] = static_cast<std::uint8_t>(c);
            longNameFits = shortNameSum(raw) == longSum;
          }
        } else {
          longNameFits = shortNameSum(raw) == longSum;
        }
      }
      std::string name;
      if (longNameFits) {
        std::vector<std::uint16_t> units;
        for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
          units.insert(units.end(), part->begin(), part->end());
        }
        const auto stop = std::find(units.begin(), units.end(), 0);
        units.erase(stop, units.end());
        name = utf8OfUtf16(units);
      } else {
        name = shortName(raw, entry.u8(12), deleted);
      }
      name = safePart(name);
      if (name.empty()) continue;
      const std::uint32_t high = bits_ == 32 ? entry.u16le(20) : 0;
      const std::uint32_t cluster = (high << 16) | entry.u16le(26);
      const bool goneWithFolder = deleted || folder.deleted;
      if ((attributes & 0x10) != 0) {
        if (folder.depth < VolumeNames::kMaxDepth && valid(cluster)) {
          walk({cluster, 0, false, goneWithFolder, folder.path + name + "/", folder.depth + 1});
        }
        continue;
      }
      const std::uint64_t size = entry.u32le(28);
      if (size == 0 || cluster < 2) continue;
      NamedFile file{folder.path + name, size, goneWithFolder};
      if (bits_ == 32 && deleted && high == 0) {
        volume_.deletedByLowBits.emplace(cluster, std::move(file));
      } else {
        volume_.byCluster.emplace(cluster, std::move(file));
      }
    }
  }

  // "IMG_0001.JPG"; the case flags of byte 12 lower the base or the
  // extension; a deleted entry's lost first character shows as "_".
  static std::string shortName(const std::uint8_t* raw, std::uint8_t caseFlags, bool deleted) {
    const auto part = [&](int from, int count, bool lower) {
      std::string text;
      for (int i = from; i < from + count; ++i) {
        char c = static_cast<char>(raw[i]);
        if (raw[i] >= 0x80) c = '_';
        if (lower && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        text += c;
      }
      while (!text.empty() && text.back() == ' ') text.pop_back();
      return text;
    };
    std::string base = part(0, 8, (caseFlags & 0x08) != 0);
    if (deleted && !base.empty()) base[0] = '_';
    if (!base.empty() && raw[0] == 0x05) base[0] = '_';
    const std::string extension = part(8, 3, (caseFlags & 0x10) != 0);
    return extension.empty() ? base : base + "." + extension;
  }

  // --- exFAT ---

  bool readExFat(ByteView boot) {
    const std::uint32_t sectorShift = boot.u8(108);
    const std::uint32_t clusterShift = boot.u8(109);
    if (boot.u16le(510) != 0xAA55 || sectorShift < 9 || sectorShift > 12 ||
        sectorShift + clusterShift > 25) {
      return false;
    }
    exFat_ = true;
    bits_ = 0;  // 32-bit entries, all bits used
    const std::uint64_t sectorBytes = 1ull << sectorShift;
    volume_.clusterBytes = sectorBytes << clusterShift;
    volume_.clusterCount = boot.u32le(92);
    volume_.heapStart = start_ + std::uint64_t{boot.u32le(88)} * sectorBytes;
    if (!readTable(start_ + std::uint64_t{boot.u32le(80)} * sectorBytes,
                   (volume_.clusterCount + 2) * 4)) {
      return false;
    }
    walk({boot.u32le(96), 0, false, false, "", 0});
    drain();
    return true;
  }

  // Entry sets: a file entry (0x85, 0x05 once deleted), a stream extension
  // (0xC0) with the first cluster and length, then name entries (0xC1) of
  // 15 UTF-16 units each. Deleting clears the in-use bit of each.
  void readExFatFolder(const Bytes& bytes, const Folder& folder) {
    const ByteView view(bytes);
    for (std::size_t at = 0; view.has(at, 32); at += 32) {
      const std::uint8_t type = view.u8(at);
      if (type == 0x00) break;
      if ((type & 0x7F) != 0x05) continue;
      const bool inUse = (type & 0x80) != 0;
      const std::size_t secondaries = view.u8(at + 1);
      if (secondaries < 2 || secondaries > 18 || !view.has(at, 32 * (secondaries + 1))) continue;
      const ByteView stream = view.from(at + 32).first(32);
      if (stream.u8(0) != (inUse ? 0xC0 : 0x40)) continue;
      const std::size_t nameLength = stream.u8(3);
      std::vector<std::uint16_t> units;
      for (std::size_t part = 2; part <= secondaries && units.size() < nameLength; ++part) {
        const ByteView name = view.from(at + 32 * part).first(32);
        if (name.u8(0) != (inUse ? 0xC1 : 0x41)) break;
        for (std::size_t unit = 0; unit < 15 && units.size() < nameLength; ++unit) {
          units.push_back(name.u16le(2 + 2 * unit));
        }
      }
      if (units.size() != nameLength || nameLength == 0 || ++entries_ > VolumeNames::kMaxEntries) {
        continue;
      }
      const std::string name = safePart(utf8OfUtf16(units));
      if (name.empty()) continue;
      const bool deleted = !inUse || folder.deleted;
      const std::uint32_t cluster = stream.u32le(20);
      const std::uint64_t length = stream.u64le(24);
      const bool contiguous = (stream.u8(1) & 0x02) != 0;
      if ((view.u16le(at + 4) & 0x10) != 0) {
        if (folder.depth < VolumeNames::kMaxDepth && valid(cluster) && length != 0) {
          walk({cluster, length, contiguous, deleted, folder.path + name + "/", folder.depth + 1});
        }
      } else if (length != 0 && valid(cluster)) {
        volume_.byCluster.emplace(cluster, NamedFile{folder.path + name, length, deleted});
      }
      at += 32 * secondaries;
    }
  }

  int fd_;
  std::uint64_t start_;
  std::uint64_t deviceSize_;
  const VolumeNames::Log& log_;
  VolumeNames::Volume& volume_;
  Bytes table_;
  int bits_ = 32;
  bool exFat_ = false;
  std::deque<Folder> pending_;
  std::unordered_set<std::uint32_t> foldersSeen_;
  std::size_t folders_ = 0;
  std::size_t entries_ = 0;
};

bool VolumeNames::addVolume(int fd, std::uint64_t volumeStart, std::uint64_t deviceSize,
                            const Log& log) {
  for (const Volume& known : volumes_) {
    if (known.start == volumeStart) return true;
  }
  if (volumes_.size() >= kMaxVolumes) {
    if (!saidTooMany_) {
      log("bblib: more than " + std::to_string(kMaxVolumes) +
          " volumes; files in the rest keep generated names");
    }
    saidTooMany_ = true;
    return false;
  }
  Volume volume;
  volume.start = volumeStart;
  if (!VolumeReader(fd, volumeStart, deviceSize, log, volume).read()) return false;
  volumes_.push_back(std::move(volume));
  return true;
}

bool VolumeNames::holds(std::uint64_t deviceOffset) const {
  return std::any_of(volumes_.begin(), volumes_.end(), [deviceOffset](const Volume& volume) {
    return deviceOffset >= volume.start &&
           (deviceOffset < volume.heapStart ||
            (deviceOffset - volume.heapStart) / volume.clusterBytes < volume.clusterCount);
  });
}

std::optional<std::uint64_t> VolumeNames::clusterBytesAt(std::uint64_t deviceOffset) const {
  for (const Volume& volume : volumes_) {
    if (deviceOffset >= volume.heapStart &&
        (deviceOffset - volume.heapStart) / volume.clusterBytes < volume.clusterCount) {
      return volume.clusterBytes;
    }
  }
  return std::nullopt;
}

const NamedFile* VolumeNames::find(std::uint64_t deviceOffset, std::uint64_t foundLength) const {
  for (const Volume& volume : volumes_) {
    if (deviceOffset < volume.heapStart) continue;
    const std::uint64_t within = deviceOffset - volume.heapStart;
    if (within % volume.clusterBytes != 0 || within / volume.clusterBytes >= volume.clusterCount) {
      continue;
    }
    const auto cluster = static_cast<std::uint32_t>(within / volume.clusterBytes + 2);
    const auto clustersOf = [&volume](std::uint64_t bytes) {
      return (bytes + volume.clusterBytes - 1) / volume.clusterBytes;
    };
    const NamedFile* best = nullptr;
    const auto consider = [&](const NamedFile& file) {
      if (clustersOf(file.size) != clustersOf(foundLength)) return;
      // a live entry before a deleted one, an exact size before a near one
      const auto rank = [foundLength](const NamedFile& f) {
        return (f.deleted ? 2 : 0) + (f.size == foundLength ? 0 : 1);
      };
      if (best == nullptr || rank(file) < rank(*best)) best = &file;
    };
    const auto [from, to] = volume.byCluster.equal_range(cluster);
    for (auto it = from; it != to; ++it) consider(it->second);
    if (volume.fat32) {
      const auto [lowFrom, lowTo] = volume.deletedByLowBits.equal_range(cluster & 0xFFFF);
      for (auto it = lowFrom; it != lowTo; ++it) consider(it->second);
    }
    if (best != nullptr) return best;
  }
  return nullptr;
}

}  // namespace orvane::engine
