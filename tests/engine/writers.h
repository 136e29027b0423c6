#pragma once

#include <string>
#include <vector>

#include "sample_files.h"

// Small writers for formats no installed tool makes, or for shapes of a
// format the tools do not produce on their own.
namespace orvane::engine::testing {

struct ZipEntry {
  std::string name;
  std::string content;
  bool deflate = true;
};
Bytes zipArchive(const std::vector<ZipEntry>& entries, const std::string& comment = "");

// A PDF with one page and a binary stream; `updates` incremental updates
// each add an object, a trailer and another "%%EOF".
Bytes pdfDocument(int updates, unsigned seed = 5);

Bytes gzipFile(const std::string& content, int members);
// Narrow-band AMR speech frames of several types with noise as speech.
Bytes amrFile(int frames);
Bytes rtfDocument(int paragraphs = 200);

struct RarFile {
  std::string name;
  std::string content;  // stored as is
  bool large = false;   // version 4: with the high halves of the sizes
};
// A RAR 4 or RAR 5 archive of stored files, as bsdtar (libarchive) lists
// and extracts them. `locked` (version 5) puts an encryption header after
// the marker and noise with no zero byte after it.
Bytes rarArchive(int version, const std::vector<RarFile>& files, bool endBlock = true,
                 bool locked = false);

// A camera raw file of `kind` (cr2, nef, arw, dng, orf, rw2, raf) built
// from its maker's layout, with noise for picture data.
Bytes cameraRaw(const std::string& kind);

}  // namespace orvane::engine::testing
