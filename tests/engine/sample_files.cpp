#include "sample_files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>

#include "writers.h"

extern char** environ;

namespace orvane::engine::testing {
namespace fs = std::filesystem;

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Bytes bytes(chars.size());
  std::memcpy(bytes.data(), chars.data(), chars.size());
  return bytes;
}

void writeFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
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
  static const fs::path folder = [] {
    std::string pattern = (fs::temp_directory_path() / "orvane-engine-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    static struct Remover {
      fs::path path;
      ~Remover() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
      }
    } remover{pattern};
    return fs::path(pattern);
  }();
  return folder;
}

namespace {

// Runs a tool with an argument vector; its output is not wanted.
void run(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int failed = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (failed != 0 || ::waitpid(child, &status, 0) < 0 || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    throw std::runtime_error("could not run " + arguments.front() +
                             " (Debian packages imagemagick, ffmpeg, 7zip)");
  }
}

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
  run(command);
  Bytes bytes = readFile(path);
  std::error_code ignored;
  fs::create_directories(cache.parent_path(), ignored);
  const fs::path partial = cache.string() + ".part" + std::to_string(::getpid());
  writeFile(partial, bytes);
  fs::rename(partial, cache, ignored);  // whole or not at all, for tests running side by side
  return bytes;
}

Bytes picture(const std::string& fileName, const std::string& size = "96x64") {
  return fromTool(fileName, {"convert", "-seed", "7", "-size", size, "gradient:red-blue", "+noise",
                             "Gaussian", "-strip", "OUTPUT"});
}

const std::vector<std::string> kVideoInput = {"-f", "lavfi", "-i",
                                              "testsrc=size=64x48:rate=10:duration=1"};
const std::vector<std::string> kAudioInput = {"-f", "lavfi", "-i", "sine=frequency=440:duration=1"};

Bytes media(const std::string& fileName, const std::vector<std::string>& input,
            const std::vector<std::string>& options) {
  std::vector<std::string> arguments = {"ffmpeg", "-nostdin", "-y", "-v", "error"};
  arguments.insert(arguments.end(), input.begin(), input.end());
  arguments.insert(arguments.end(), options.begin(), options.end());
  arguments.push_back("OUTPUT");
  return fromTool(fileName, arguments);
}

using Maker = std::function<Sample()>;

const std::map<std::string, Maker>& makers() {
  static const std::map<std::string, Maker> all = {
      {"jpg",
       [] {
         return Sample{"JPEG", "jpg", picture("a.jpg")};
       }},
      {"jpg-thumbnail",
       [] {
         return Sample{"JPEG with an EXIF thumbnail", "jpg",
                       withExifThumbnail(picture("b.jpg", "200x150"), picture("t.jpg", "32x24"))};
       }},
      {"png",
       [] {
         return Sample{"PNG", "png", picture("a.png")};
       }},
      {"gif",
       [] {
         return Sample{"GIF", "gif", picture("a.gif")};
       }},
      {"bmp",
       [] {
         return Sample{"BMP", "bmp", picture("a.bmp")};
       }},
      {"tif",
       [] {
         return Sample{"TIFF", "tif", picture("a.tif")};
       }},
      {"tif-big",
       [] {
         return Sample{
             "big-endian TIFF", "tif",
             fromTool("b.tif", {"convert", "-seed", "3", "-size", "400x300", "gradient:", "+noise",
                                "Random", "-endian", "MSB", "-compress", "none", "OUTPUT"})};
       }},
      {"webp",
       [] {
         return Sample{"WebP", "webp", picture("a.webp")};
       }},
      {"heic",
       [] {
         return Sample{"HEIC", "heic", picture("a.heic")};
       }},
      {"mp4",
       [] {
         return Sample{"MP4", "mp4",
                       media("a.mp4", kVideoInput, {"-c:v", "libx264", "-pix_fmt", "yuv420p"})};
       }},
      {"mp4-faststart",
       [] {
         return Sample{"MP4 with its index first", "mp4",
                       media("b.mp4", kVideoInput, {"-c:v", "mpeg4", "-movflags", "+faststart"})};
       }},
      {"mov",
       [] {
         return Sample{"MOV", "mov", media("a.mov", kVideoInput, {"-c:v", "mpeg4"})};
       }},
      {"3gp",
       [] {
         return Sample{"3GP", "3gp",
                       media("a.3gp", kVideoInput, {"-c:v", "libx264", "-pix_fmt", "yuv420p"})};
       }},
      {"m4a",
       [] {
         return Sample{"M4A", "m4a", media("a.m4a", kAudioInput, {"-c:a", "aac"})};
       }},
      {"avi",
       [] {
         return Sample{"AVI", "avi", media("a.avi", kVideoInput, {"-c:v", "mpeg4"})};
       }},
      {"wav",
       [] {
         return Sample{"WAV", "wav", media("a.wav", kAudioInput, {"-c:a", "pcm_s16le"})};
       }},
      {"mp3",
       [] {
         return Sample{"MP3 with ID3 tags", "mp3",
                       media("a.mp3", kAudioInput, {"-c:a", "libmp3lame", "-b:a", "64k"})};
       }},
      {"mp3-bare",
       [] {
         return Sample{"MP3 without tags", "mp3",
                       media("b.mp3", kAudioInput,
                             {"-c:a", "libmp3lame", "-b:a", "64k", "-write_xing", "0",
                              "-id3v2_version", "0", "-write_id3v1", "0"})};
       }},
      {"pdf",
       [] {
         return Sample{"PDF", "pdf", pdfDocument(0)};
       }},
      {"pdf-updated",
       [] {
         return Sample{"PDF with two updates", "pdf", pdfDocument(2)};
       }},
      {"zip",
       [] {
         return Sample{"ZIP", "zip",
                       zipArchive({{"notes.txt", std::string(5000, 'n')},
                                   {"photo.raw", std::string(3000, 'p'), false}},
                                  "a comment")};
       }},
      {"docx",
       [] {
         return Sample{"DOCX", "docx",
                       zipArchive({{"[Content_Types].xml", "<Types/>"},
                                   {"_rels/.rels", "<Relationships/>"},
                                   {"word/document.xml", std::string(4000, 'w')}})};
       }},
      {"xlsx",
       [] {
         return Sample{"XLSX", "xlsx",
                       zipArchive({{"[Content_Types].xml", "<Types/>"},
                                   {"xl/workbook.xml", std::string(4000, 'x')}})};
       }},
      {"pptx",
       [] {
         return Sample{"PPTX", "pptx",
                       zipArchive({{"[Content_Types].xml", "<Types/>"},
                                   {"ppt/presentation.xml", std::string(4000, 'p')}})};
       }},
      {"odt",
       [] {
         return Sample{"ODT written as a stream", "odt",
                       zipArchive({{"mimetype", "application/vnd.oasis.opendocument.text", false},
                                   {"content.xml", std::string(6000, 'c'), true, true},
                                   {"META-INF/manifest.xml", "<manifest/>", true, true}})};
       }},
      {"doc",
       [] {
         return Sample{"DOC", "doc",
                       compoundFile({{"WordDocument", 9000}, {"1Table", 5000}}, true)};
       }},
      {"xls",
       [] {
         return Sample{"XLS", "xls", compoundFile({{"Workbook", 12000}}, false)};
       }},
      {"ppt",
       [] {
         return Sample{
             "PPT", "ppt",
             compoundFile({{"Current User", 4096}, {"PowerPoint Document", 7000}}, false)};
       }},
      {"7z",
       [] {
         return Sample{"7Z", "7z", fromTool("a.7z", [] {
                         // A fixed path: 7-Zip keeps only its last part.
                         const auto input = fs::path(ORVANE_ENGINE_SAMPLE_CACHE) / "7z-input.txt";
                         fs::create_directories(input.parent_path());
                         writeFile(input, noise(20000, 4));
                         return std::vector<std::string>{"7zz", "a",      "-bd",
                                                         "-y",  "OUTPUT", input.string()};
                       }())};
       }},
      {"gz",
       [] {
         return Sample{"GZ", "gz", gzipFile(std::string(30000, 'g') + "end", 1)};
       }},
      {"gz-members",
       [] {
         return Sample{"GZ of three members", "gz", gzipFile("one member of several\n", 3)};
       }},
      {"mid",
       [] {
         return Sample{"MIDI", "mid", midiFile(3)};
       }},
      {"ogg",
       [] {
         return Sample{"OGG", "ogg", media("a.ogg", kAudioInput, {"-c:a", "libvorbis"})};
       }},
      {"rtf",
       [] {
         return Sample{"RTF", "rtf", rtfDocument()};
       }},
      {"wma",
       [] {
         return Sample{"WMA", "wma", media("a.wma", kAudioInput, {"-c:a", "wmav2"})};
       }},
      {"wmv",
       [] {
         return Sample{"WMV", "wmv", media("a.wmv", kVideoInput, {"-c:v", "wmv2"})};
       }},
      {"amr",
       [] {
         return Sample{"AMR", "amr", amrFile(300)};
       }},
  };
  return all;
}

}  // namespace

const std::vector<std::string>& sampleKinds() {
  static const std::vector<std::string> kinds = [] {
    std::vector<std::string> names;
    for (const auto& [name, maker] : makers()) names.push_back(name);
    return names;
  }();
  return kinds;
}

const Sample& sample(const std::string& kind) {
  static std::mutex mutex;
  static std::map<std::string, Sample> made;
  std::lock_guard lock(mutex);
  if (auto found = made.find(kind); found != made.end()) return found->second;
  const auto maker = makers().find(kind);
  if (maker == makers().end()) throw std::runtime_error("no sample of kind " + kind);
  return made.emplace(kind, maker->second()).first->second;
}

}  // namespace orvane::engine::testing
