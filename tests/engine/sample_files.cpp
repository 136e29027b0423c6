#include "sample_files.h"

#include <unistd.h>

#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>

#include "fixtures/scratch_folder.h"
#include "writers.h"

namespace orvane::engine::testing {
namespace fs = std::filesystem;

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes readFile(const fs::path& path) {
  const std::vector<std::uint8_t> bytes = fixtures::readFileBytes(path);
  const auto* begin = reinterpret_cast<const std::byte*>(bytes.data());
  return {begin, begin + bytes.size()};
}

void writeFile(const fs::path& path, const Bytes& bytes) {
  const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
  fixtures::writeFileBytes(path, {begin, begin + bytes.size()});
}

Bytes noise(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::byte>(random() & 0xFF);
  // No sector of it may start like a file.
  for (std::size_t i = 0; i < count; i += 512) bytes[i] = std::byte{0};
  return bytes;
}

const fs::path& scratchFolder() {
  static const fixtures::ScratchFolder folder;
  return folder.path();
}

namespace {

// Tool output is kept in the build tree between test processes (ctest runs
// each test in a process of its own), under a name that changes with the
// tool's arguments.
Bytes fromTool(const std::string& fileName, const std::vector<std::string>& arguments) {
  std::string joined;
  for (const auto& argument : arguments) joined += argument + '\x1F';
  const fs::path cache = fs::path(ORVANE_ENGINE_SAMPLE_CACHE) /
                         (std::to_string(std::hash<std::string>{}(joined)) + "-" + fileName);
  if (fs::exists(cache)) return readFile(cache);
  const fs::path path = scratchFolder() / fileName;
  std::vector<std::string> command;
  for (const auto& argument : arguments)
    command.push_back(argument == "OUTPUT" ? path.string() : argument);
  if (fixtures::runProgram(command) != 0) {
    throw std::runtime_error("could not run " + command.front() +
                             " (Debian packages imagemagick, ffmpeg, 7zip, libheif-examples, "
                             "libgsf-bin, abcmidi, libimage-exiftool-perl, zip)");
  }
  Bytes bytes = readFile(path);
  std::error_code ignored;
  fs::create_directories(cache.parent_path(), ignored);
  const fs::path partial = cache.string() + ".part" + std::to_string(::getpid());
  writeFile(partial, bytes);
  fs::rename(partial, cache, ignored);  // whole or not at all, for tests running side by side
  return bytes;
}

// `bytes` kept in the cache folder as a tool's input, put in place whole
// (a test running beside may be reading it); its path. Tools that keep the
// input's name (7-Zip) see the same name every time.
std::string toolInput(const std::string& name, const Bytes& bytes) {
  const fs::path path = fs::path(ORVANE_ENGINE_SAMPLE_CACHE) / name;
  fs::create_directories(path.parent_path());
  writeFile(path.string() + ".part" + std::to_string(::getpid()), bytes);
  fs::rename(path.string() + ".part" + std::to_string(::getpid()), path);
  return path.string();
}

Bytes picture(const std::string& fileName, const std::string& size = "96x64") {
  return fromTool(fileName, {"convert", "-seed", "7", "-size", size, "gradient:red-blue", "+noise",
                             "Gaussian", "-strip", "OUTPUT"});
}

// Makers of samples that tools write.
using Make = std::function<Bytes()>;
Make tool(std::string fileName, std::vector<std::string> arguments) {
  return [=] { return fromTool(fileName, arguments); };
}
Make still(std::string fileName) {
  return [=] { return picture(fileName); };
}
// FFmpeg encoding a generated `source` with `options`.
Make ffmpeg(std::string fileName, std::string source, std::vector<std::string> options) {
  options.insert(options.begin(),
                 {"ffmpeg", "-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", source});
  options.push_back("OUTPUT");
  return tool(fileName, options);
}
Make video(std::string fileName, std::vector<std::string> options) {
  return ffmpeg(fileName, "testsrc=size=64x48:rate=10:duration=1", options);
}
Make audio(std::string fileName, std::vector<std::string> options) {
  return ffmpeg(fileName, "sine=frequency=440:duration=1", options);
}
Make zip(std::vector<ZipEntry> entries, std::string comment = "") {
  return [=] { return zipArchive(entries, comment); };
}
Make rar(int version, std::vector<RarFile> files, bool endBlock = true) {
  return [=] { return rarArchive(version, files, endBlock); };
}
Make ole(std::string fileName, std::vector<OleStream> streams) {
  return [=] { return compoundFile(fileName, streams); };
}

}  // namespace

Bytes compoundFile(const std::string& fileName, const std::vector<OleStream>& streams) {
  std::vector<std::string> arguments = {"gsf", "createole", "OUTPUT"};
  std::string folder = fileName;
  for (const auto& [name, bytes] : streams) folder += "-" + std::to_string(bytes);
  for (const auto& [name, bytes] : streams) {
    arguments.push_back(toolInput(folder + "/" + name, noise(bytes, std::uint32_t(bytes))));
  }
  return fromTool(fileName, arguments);
}

Bytes midiFile(const std::string& fileName, int voices) {
  Bytes abc;
  putText(abc, "X:1\nM:4/4\nL:1/8\nQ:1/4=120\nK:C\n");
  for (int voice = 1; voice <= voices; ++voice) {
    putText(abc, "V:" + std::to_string(voice) + "\n");
    for (int bar = 0; bar < 4 + voice; ++bar) putText(abc, "CDEF GABc|cBAG FEDC|");
    putText(abc, "\n");
  }
  return fromTool(fileName, {"abc2midi", toolInput(fileName + ".abc", abc), "-o", "OUTPUT"});
}

Bytes streamedZip(const std::string& fileName, const std::vector<ZipFile>& entries) {
  std::vector<std::string> arguments = {
      "sh", "-c", "out=$1; shift; zip -q -X -j -n mimetype - \"$@\" | cat >\"$out\"", "sh",
      "OUTPUT"};
  for (const auto& [name, content] : entries) {
    Bytes bytes;
    putText(bytes, content);
    arguments.push_back(toolInput(fileName + "-files/" + name, bytes));
  }
  return fromTool(fileName, arguments);
}

namespace {

// HEIF pictures from heif-enc, of a PNG that ImageMagick makes.
Bytes heif(const std::string& fileName, std::vector<std::string> options) {
  options.insert(options.begin(), "heif-enc");
  options.insert(options.end(),
                 {"-o", "OUTPUT", toolInput("heif-input.png", picture("heif-input.png"))});
  return fromTool(fileName, options);
}

// The kind is the extension the engine must propose, then maybe "_" and
// what sets the sample apart.
struct Maker {
  const char* kind;
  Make make;
};

std::vector<Maker> allMakers() {
  std::vector<Maker> list = {
      {"jpg", still("a.jpg")},
      // the thumbnail's EOI comes long before the picture's
      {"jpg_thumbnail",
       [] {
         const std::string thumbnail = toolInput("t.jpg", picture("t.jpg", "32x24"));
         return fromTool("c.jpg", {"exiftool", "-q", "-ThumbnailImage<=" + thumbnail, "-o", "OUTPUT",
                                   toolInput("b.jpg", picture("b.jpg", "200x150"))});
       }},
      {"png", still("a.png")},
      {"gif", still("a.gif")},
      {"bmp", still("a.bmp")},
      {"tif", still("a.tif")},
      {"tif_big", tool("b.tif", {"convert", "-seed", "3", "-size", "400x300", "gradient:", "+noise",
                                 "Random", "-endian", "MSB", "-compress", "none", "OUTPUT"})},
      {"webp", still("a.webp")},
      {"heic", [] { return heif("a.heic", {}); }},
      {"avif",
       [] {
         return heif("a.avif", {"-A", "-p", "chroma=422"});
       }},
      {"ts", video("a.ts", {"-c:v", "mpeg2video", "-f", "mpegts"})},
      {"mts", video("a.mts", {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-f", "mpegts",
                              "-mpegts_m2ts_mode", "1"})},
      {"mp4", video("a.mp4", {"-c:v", "libx264", "-pix_fmt", "yuv420p"})},
      {"mp4_faststart", video("b.mp4", {"-c:v", "mpeg4", "-movflags", "+faststart"})},
      {"mov", video("a.mov", {"-c:v", "mpeg4"})},
      {"cr3", video("a.cr3", {"-c:v", "mjpeg", "-brand", "crx ", "-f", "mp4"})},
      {"3gp", video("a.3gp", {"-c:v", "libx264", "-pix_fmt", "yuv420p"})},
      {"m4a", audio("a.m4a", {"-c:a", "aac"})},
      {"avi", video("a.avi", {"-c:v", "mpeg4"})},
      {"wav", audio("a.wav", {"-c:a", "pcm_s16le"})},
      {"mp3", audio("a.mp3", {"-c:a", "libmp3lame", "-b:a", "64k"})},
      {"mp3_bare", audio("b.mp3", {"-c:a", "libmp3lame", "-b:a", "64k", "-write_xing", "0",
                                   "-id3v2_version", "0", "-write_id3v1", "0"})},
      {"pdf", [] { return pdfDocument(0); }},
      {"pdf_updated", [] { return pdfDocument(2); }},
      {"zip",
       zip({{"notes.txt", std::string(5000, 'n')}, {"photo.raw", std::string(3000, 'p'), false}},
           "a comment")},
      {"docx", zip({{"[Content_Types].xml", "<Types/>"},
                    {"_rels/.rels", "<Relationships/>"},
                    {"word/document.xml", std::string(4000, 'w')}})},
      {"xlsx",
       zip({{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.xml", std::string(4000, 'x')}})},
      {"pptx", zip({{"[Content_Types].xml", "<Types/>"},
                    {"ppt/presentation.xml", std::string(4000, 'p')}})},
      {"odt",
       [] {
         return streamedZip("a.odt", {{"mimetype", "application/vnd.oasis.opendocument.text"},
                                      {"content.xml", std::string(6000, 'c')},
                                      {"manifest.xml", "<manifest/>"}});
       }},
      {"doc", ole("a.doc", {{"WordDocument", 9000}, {"1Table", 5000}})},
      {"xls", ole("a.xls", {{"Workbook", 12000}})},
      {"ppt", ole("a.ppt", {{"Current User", 4096}, {"PowerPoint Document", 7000}})},
      {"7z",
       [] {
         return fromTool("a.7z", {"7zz", "a", "-bd", "-y", "OUTPUT",
                                  toolInput("7z-input.txt", noise(20000, 4))});
       }},
      {"gz", [] { return gzipFile(std::string(30000, 'g') + "end", 1); }},
      {"gz_members", [] { return gzipFile("one member of several\n", 3); }},
      {"mid", [] { return midiFile("a.mid", 3); }},
      {"ogg", audio("a.ogg", {"-c:a", "libvorbis"})},
      {"rtf", [] { return rtfDocument(); }},
      {"wma", audio("a.wma", {"-c:a", "wmav2"})},
      {"wmv", video("a.wmv", {"-c:v", "wmv2"})},
      {"flac", audio("a.flac", {"-ac", "2", "-c:a", "flac"})},
      {"flac_24bit", ffmpeg("b.flac", "anoisesrc=duration=0.5:seed=3",
                            {"-c:a", "flac", "-sample_fmt", "s32"})},
      // as written to a pipe: no sample count, no frame sizes
      {"flac_unknown_length", audio("c.flac", {"-ac", "2", "-c:a", "flac", "-seekable", "0"})},
      {"rar_4",
       rar(4, {{"notes.txt", std::string(5000, 'n')}, {"big.bin", std::string(3000, 'b'), true}})},
      {"rar_4_no_end", rar(4, {{"a.txt", std::string(7000, 'a')}}, false)},
      {"rar_5",
       rar(5, {{"notes.txt", std::string(5000, 'n')}, {"photo.raw", std::string(300, 'p')}})},
      {"amr", [] { return amrFile(300); }},
  };
  for (const char* kind : {"cr2", "nef", "arw", "dng", "orf", "rw2", "raf"}) {
    list.push_back({kind, [kind] { return cameraRaw(kind); }});
  }
  return list;
}

const std::vector<Maker>& makers() {
  static const std::vector<Maker> all = allMakers();
  return all;
}

}  // namespace

const std::vector<std::string>& sampleKinds() {
  static const std::vector<std::string> kinds = [] {
    std::vector<std::string> names;
    for (const Maker& maker : makers()) names.emplace_back(maker.kind);
    return names;
  }();
  return kinds;
}

const Sample& sample(const std::string& kind) {
  static std::mutex mutex;
  static std::map<std::string, Sample> made;
  std::lock_guard lock(mutex);
  if (auto found = made.find(kind); found != made.end()) return found->second;
  for (const Maker& maker : makers()) {
    if (maker.kind != kind) continue;
    const std::string extension = kind.substr(0, kind.find('_'));
    return made.emplace(kind, Sample{extension, maker.make()}).first->second;
  }
  throw std::runtime_error("no sample of kind " + kind);
}

}  // namespace orvane::engine::testing
