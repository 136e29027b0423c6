#pragma once

#include <string>
#include <vector>

#include "sample_files.h"

// Small writers for formats no installed tool makes, or for shapes of a
// format the tools do not produce on their own.
namespace orvane::engine::testing {

// The JPEG `picture` with an APP1 "Exif" segment right after SOI that holds
// the JPEG `thumbnail` whole (with its own SOI and EOI), as cameras write.
Bytes withExifThumbnail(const Bytes& picture, const Bytes& thumbnail);

}  // namespace orvane::engine::testing

namespace orvane::engine::testing {

struct ZipEntry {
  std::string name;
  std::string content;
  bool deflate = true;
  // Sizes and CRC in a data descriptor after the data, as streaming writers
  // (LibreOffice, jar) put them.
  bool streamed = false;
};
Bytes zipArchive(const std::vector<ZipEntry>& entries, const std::string& comment = "");

struct OleStream {
  std::string name;
  std::size_t bytes;  // at least 4096, so it lives in regular sectors
};
// A version 3 compound file (512-byte sectors) holding the streams; the FAT
// sector goes before the data or after everything.
Bytes compoundFile(const std::vector<OleStream>& streams, bool fatFirst);

// A PDF with one page and a binary stream; `updates` incremental updates
// each add an object, a trailer and another "%%EOF".
Bytes pdfDocument(int updates, unsigned seed = 5);

}  // namespace orvane::engine::testing

namespace orvane::engine::testing {

Bytes gzipFile(const std::string& content, int members);
// A type-1 MIDI file with `tracks` tracks of notes.
Bytes midiFile(int tracks);
// Narrow-band AMR speech frames of several types with noise as speech.
Bytes amrFile(int frames);
Bytes rtfDocument(int paragraphs = 200);

}  // namespace orvane::engine::testing
