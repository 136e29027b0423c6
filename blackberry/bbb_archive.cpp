#include "blackberry/bbb_archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <system_error>

#include "blackberry/zip_layout.h"

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
  // the entries' places are read through a descriptor of our own
  const int fd = ::open(archive.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  const std::uint64_t size =
      fd >= 0 && ::fstat(fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
  const ZipReadAt readAt = [fd](std::uint64_t offset, std::span<std::uint8_t> out) {
    std::size_t got = 0;
    while (got < out.size()) {
      const ssize_t n =
          ::pread(fd, out.data() + got, out.size() - got, static_cast<off_t>(offset + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      got += static_cast<std::size_t>(n);
    }
    return true;
  };
  auto answer = check(source, sourceProblem, size, readAt, withcheckwinbbb, problem);
  if (fd >= 0) ::close(fd);
  return answer;
}

std::optional<std::filesystem::path> BbbArchive::checkTheBackUpFile(
    std::span<const std::uint8_t> archive, bool& withcheckwinbbb, std::string& problem) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(archive.data(), archive.size(), 0, &error);
  const std::string sourceProblem = source == nullptr ? zip_error_strerror(&error) : "";
  zip_error_fini(&error);
  const ZipReadAt readAt = [archive](std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset > archive.size() || out.size() > archive.size() - offset) return false;
    if (!out.empty()) std::memcpy(out.data(), archive.data() + offset, out.size());
    return true;
  };
  return check(source, sourceProblem, archive.size(), readAt, withcheckwinbbb, problem);
}

std::optional<std::filesystem::path> BbbArchive::check(
    zip_source_t* source, const std::string& sourceProblem, std::uint64_t archiveBytes,
    const ZipReadAt& readAt, bool& withcheckwinbbb, std::string& problem) {
  withcheckwinbbb = false;
  if (source == nullptr) {
    problem = "not a readable zip archive: " + sourceProblem;
    return std::nullopt;
  }
  if (!unpack(source, archiveBytes, readAt, problem)) return std::nullopt;

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

bool BbbArchive::unpack(zip_source_t* source, std::uint64_t archiveBytes, const ZipReadAt& readAt,
                        std::string& problem) {
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

  // The database files to unpack, and the sizes their directory entries
  // declare. Entries that share bytes are refused before anything is
  // written: that is how a small archive names one stream a thousand
  // times. A lone stream is not limited by its ratio, for deflate packs a
  // database of zeros a thousandfold and that is still a real backup.
  std::string layoutProblem;
  const auto spans = readZipEntrySpans(archiveBytes, readAt, layoutProblem);
  if (!spans) {
    problem = "not a readable zip archive: " + layoutProblem;
    return false;
  }
  if (auto overlap = overlappingZipEntries(*spans)) {
    problem = "refused: " + *overlap;
    return false;
  }
  struct Wanted {
    zip_uint64_t index;
    std::string name;
    std::string fileName;
    std::uint64_t declaredBytes;
  };
  std::vector<Wanted> wanted;
  std::uint64_t neededBytes = 0;
  const zip_int64_t entryCount = zip_get_num_entries(zip.get(), 0);
  for (zip_int64_t index = 0; index < entryCount; ++index) {
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
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip.get(), entryIndex, 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
      notes_.push_back("archive entry \"" + std::string(name) + "\" not unpacked: no size");
      continue;
    }
    wanted.push_back({entryIndex, std::string(name), (*components)[1], stat.size});
    neededBytes = stat.size > UINT64_MAX - neededBytes ? UINT64_MAX : neededBytes + stat.size;
  }
  if (neededBytes > maxUnpackedBytes) {
    problem = "refused: the archive's databases declare " + std::to_string(neededBytes) +
              " bytes, more than the " + std::to_string(maxUnpackedBytes) + " unpacked at most";
    return false;
  }
  struct statvfs space {};
  if (::statvfs(scanFolder_->path().c_str(), &space) == 0) {
    const std::uint64_t freeBytes = std::uint64_t{space.f_bavail} * space.f_frsize;
    if (neededBytes > freeBytes) {
      problem = "not enough free space in " + scanFolder_->path().string() +
                " to unpack the archive: " + std::to_string(neededBytes) + " bytes needed, " +
                std::to_string(freeBytes) + " free";
      return false;
    }
  }

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
  std::vector<char> buffer(256 * 1024);
  for (const Wanted& item : wanted) {
    if (!madeDatabases) {
      std::error_code made;
      std::filesystem::create_directory(databases, made);
      madeDatabases = true;
    }

    const std::filesystem::path target = databases / item.fileName;
    const int fd =
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      notes_.push_back("archive entry \"" + item.name + "\" not unpacked: " + std::strerror(errno));
      continue;
    }
    std::unique_ptr<zip_file_t, ZipFileCloser> entry(zip_fopen_index(zip.get(), item.index, 0));
    bool whole = entry != nullptr;
    std::uint64_t entryBytes = 0;
    while (whole) {
      const zip_int64_t got = zip_fread(entry.get(), buffer.data(), buffer.size());
      if (got == 0) break;
      if (got < 0) {
        whole = false;
        break;
      }
      auto count = static_cast<std::size_t>(got);
      // A stream longer than its entry declares is cut where the entry
      // ends, so the space checked before unpacking holds.
      const bool overlong = count > item.declaredBytes - entryBytes;
      if (overlong) count = static_cast<std::size_t>(item.declaredBytes - entryBytes);
      if (!writeAll(fd, buffer.data(), count)) {
        whole = false;
        break;
      }
      entryBytes += count;
      if (overlong) {
        notes_.push_back("archive entry \"" + item.name + "\" yields more bytes than the " +
                         std::to_string(item.declaredBytes) + " it declares; cut there");
        break;
      }
    }
    ::close(fd);
    // What was read before the damage stays: its records are still worth having.
    if (!whole) notes_.push_back("archive entry \"" + item.name + "\" could not be read whole");
  }
  return true;
}

}  // namespace orvane
