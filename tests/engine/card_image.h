#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sample_files.h"

// Memory-card images with a file system: FAT32 made by mkfs.fat and filled
// by mtools, exFAT made by mkfs.exfat with its folders written here (no
// Debian tool writes into an exFAT image without mounting it).
namespace orvane::engine::testing {

struct CardFile {
  std::string path;  // "DCIM/100CANON/IMG_0001.JPG"; folders are made as needed
  Bytes bytes;
  bool deleted = false;  // removed once all files are in
};

enum class CardFormat { fat32, exFat };

// A card image of `mebibytes` holding `files` in order, then with the
// deleted ones removed. FAT32 uses 512-byte clusters, so that a card of
// more than 33 MiB has cluster numbers past 16 bits.
std::filesystem::path cardWithFiles(CardFormat format, const std::string& name,
                                    const std::vector<CardFile>& files, unsigned mebibytes);

// Offset of the first `text` in `bytes` (a directory entry to patch).
std::size_t offsetOf(const Bytes& bytes, std::string_view text);

}  // namespace orvane::engine::testing
