#include "blackberry/bbb_archive.h"

#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <system_error>

namespace orvane {

namespace {

constexpr std::string_view kDatabasesFolder = "Databases";
constexpr std::string_view kSingleIpdName = "Databases.ipd";

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lowerA = a[i] >= 'A' && a[i] <= 'Z' ? a[i] - 'A' + 'a' : a[i];
    const auto lowerB = b[i] >= 'A' && b[i] <= 'Z' ? b[i] - 'A' + 'a' : b[i];
    if (lowerA != lowerB) return false;
  }
  return true;
}

// The components of an entry name, or nothing when the name would leave
// the unpacking folder: absolute names, drive letters and "..". Archives
// made on Windows may separate with "\".
std::optional<std::vector<std::string>> safeComponents(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\') return std::nullopt;
  if (name.size() >= 2 && name[1] == ':') return std::nullopt;
  std::vector<std::string> components;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") components.emplace_back(part);
    start = end + 1;
  }
  return components;
}

struct ZipCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

std::string zipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

std::optional<std::filesystem::path> BbbArchive::checkTheBackUpFile(
    const std::filesystem::path& archive, bool& withcheckwinbbb, std::string& problem) {
  zip_error_t error;
  zip_error_init(&error);
  // from the start of the file to its end
  zip_source_t* source = zip_source_file_create(archive.c_str(), 0, 0, &error);
  const std::string sourceProblem = source == nullptr ? zip_error_strerror(&error) : "";
  zip_error_fini(&error);
  return check(source, sourceProblem, withcheckwinbbb, problem);
}

std::optional<std::filesystem::path> BbbArchive::checkTheBackUpFile(
    std::span<const std::uint8_t> archive, bool& withcheckwinbbb, std::string& problem) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(archive.data(), archive.size(), 0, &error);
  const std::string sourceProblem = source == nullptr ? zip_error_strerror(&error) : "";
  zip_error_fini(&error);
  return check(source, sourceProblem, withcheckwinbbb, problem);
}

std::optional<std::filesystem::path> BbbArchive::check(zip_source_t* source,
                                                       const std::string& sourceProblem,
                                                       bool& withcheckwinbbb,
                                                       std::string& problem) {
  withcheckwinbbb = false;
  if (source == nullptr) {
    problem = "not a readable zip archive: " + sourceProblem;
    return std::nullopt;
  }
  if (!unpack(source, problem)) return std::nullopt;

  const std::filesystem::path databases = unpackFolder_ / kDatabasesFolder;
  std::error_code error;
  std::optional<std::filesystem::path> singleIpd;
  bool anyDatabaseFile = false;
  // incremented with an error code: a listing that fails ends, never throws
  for (std::filesystem::directory_iterator entry(databases, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code typeError;
    if (!entry->is_regular_file(typeError)) continue;
    const std::string name = entry->path().filename().string();
    if (name.front() == '.') continue;
    anyDatabaseFile = true;
    if (equalsIgnoringCase(name, kSingleIpdName)) singleIpd = entry->path();
  }
  if (singleIpd) return singleIpd;
  if (!anyDatabaseFile) {
    problem = "the archive holds no Databases folder";
    return std::nullopt;
  }
  withcheckwinbbb = true;
  return databases;
}

bool BbbArchive::unpack(zip_source_t* source, std::string& problem) {
  zip_error_t error;
  zip_error_init(&error);
  std::unique_ptr<zip_t, ZipCloser> zip(zip_open_from_source(source, ZIP_RDONLY, &error));
  if (!zip) {
    zip_source_free(source);
    problem = "not a readable zip archive: " + zipErrorText(zip_error_code_zip(&error));
    zip_error_fini(&error);
    return false;
  }
  zip_error_fini(&error);

  // A folder of its own for every archive, even within one scan.
  try {
    unpacked_ = std::make_shared<const TempFolder>(scanFolder_, "bbb-");
  } catch (const std::filesystem::filesystem_error& failure) {
    problem = std::string("cannot make a folder to unpack into: ") + failure.code().message();
    return false;
  }
  unpackFolder_ = unpacked_->path();

  const std::filesystem::path databases = unpackFolder_ / kDatabasesFolder;
  bool madeDatabases = false;
  std::uint64_t unpackedBytes = 0;
  bool limitReached = false;
  std::vector<char> buffer(256 * 1024);
  const zip_int64_t entryCount = zip_get_num_entries(zip.get(), 0);
  for (zip_int64_t index = 0; index < entryCount && !limitReached; ++index) {
    const auto entryIndex = static_cast<zip_uint64_t>(index);
    const char* rawName = zip_get_name(zip.get(), entryIndex, ZIP_FL_ENC_RAW);
    if (rawName == nullptr) continue;
    const std::string_view name(rawName);
    const auto components = safeComponents(name);
    if (!components) {
      notes_.push_back("refused archive entry \"" + std::string(name) +
                       "\": it would land outside the unpacking folder");
      continue;
    }
    // Only the database files are needed; folders come from their names.
    const bool isFolder = name.back() == '/' || name.back() == '\\';
    if (isFolder || components->size() != 2 ||
        !equalsIgnoringCase((*components)[0], kDatabasesFolder)) {
      continue;
    }
    if (!madeDatabases) {
      std::error_code made;
      std::filesystem::create_directory(databases, made);
      madeDatabases = true;
    }

    const std::filesystem::path target = databases / (*components)[1];
    const int fd =
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      notes_.push_back("archive entry \"" + std::string(name) +
                       "\" not unpacked: " + std::strerror(errno));
      continue;
    }
    std::unique_ptr<zip_file_t, ZipFileCloser> entry(zip_fopen_index(zip.get(), entryIndex, 0));
    bool whole = entry != nullptr;
    while (whole) {
      const zip_int64_t got = zip_fread(entry.get(), buffer.data(), buffer.size());
      if (got == 0) break;
      const auto count = static_cast<std::size_t>(got);
      limitReached = got > 0 && unpackedBytes + count > maxUnpackedBytes;
      if (got < 0 || limitReached || !writeAll(fd, buffer.data(), count)) {
        whole = false;
        break;
      }
      unpackedBytes += count;
    }
    ::close(fd);
    // What was read before the damage stays: its records are still worth having.
    if (!whole) {
      notes_.push_back("archive entry \"" + std::string(name) + "\" could not be read whole");
    }
  }
  return true;
}

}  // namespace orvane
