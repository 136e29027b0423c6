#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Real files of each format the engine carves, made on the spot: by Debian
// tools (ImageMagick, FFmpeg, 7-Zip, gsf, abc2midi) or by small writers here. Each is made
// once per test run and cached in a private temporary folder.
namespace orvane::engine::testing {

using Bytes = std::vector<std::byte>;

struct Sample {
  std::string extension;  // what the engine must propose
  Bytes bytes;
};

// The sample for one kind, e.g. "jpg", "docx", "m4a".
const Sample& sample(const std::string& kind);
// Every kind sample() knows.
const std::vector<std::string>& sampleKinds();

Bytes join(std::initializer_list<Bytes> parts);
// `value` as `width` bytes, low byte first, over the bytes at `at`.
inline void putLe(Bytes& bytes, std::size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<std::byte>(value >> (8 * i));
}
inline void putText(Bytes& bytes, std::string_view text) {
  for (char c : text) bytes.push_back(static_cast<std::byte>(c));
}

// An OLE2 compound file made by gsf (libgsf-bin), each stream of noise.
using OleStream = std::pair<std::string, std::size_t>;  // name, bytes
Bytes compoundFile(const std::string& fileName, const std::vector<OleStream>& streams);
// A type-1 MIDI file made by abc2midi (abcmidi): a tempo track and one
// track of notes for each of `voices`.
Bytes midiFile(const std::string& fileName, int voices);
// A zip archive that Info-ZIP writes to a pipe, as LibreOffice and jar
// write theirs: the sizes in a descriptor after each entry's data. Entries
// named "mimetype" are stored, the rest deflated; folders are left out.
using ZipFile = std::pair<std::string, std::string>;  // name, content
Bytes streamedZip(const std::string& fileName, const std::vector<ZipFile>& entries);

Bytes readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const Bytes& bytes);
// Deterministic noise that holds no file header at a sector start.
Bytes noise(std::size_t count, std::uint32_t seed);
// A private folder under the system temp folder, removed at exit.
const std::filesystem::path& scratchFolder();

}  // namespace orvane::engine::testing
