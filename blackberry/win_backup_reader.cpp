#include "blackberry/win_backup_reader.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "blackberry/blackberry_databases.h"
#include "blackberry/byte_reader.h"
#include "blackberry/field_text.h"
#include "blackberry/file_window.h"
#include "blackberry/ipd_format.h"
#include "blackberry/record_walk.h"
#include "core/event_names.h"

namespace orvane {

namespace {

// "2.dat" before "10.dat": runs of digits compare by their value.
bool naturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const bool digitA = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
    const bool digitB = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
    if (digitA && digitB) {
      std::size_t endA = i;
      std::size_t endB = j;
      while (endA < a.size() && std::isdigit(static_cast<unsigned char>(a[endA]))) ++endA;
      while (endB < b.size() && std::isdigit(static_cast<unsigned char>(b[endB]))) ++endB;
      std::string_view numberA(a.data() + i, endA - i);
      std::string_view numberB(b.data() + j, endB - j);
      while (numberA.size() > 1 && numberA.front() == '0') numberA.remove_prefix(1);
      while (numberB.size() > 1 && numberB.front() == '0') numberB.remove_prefix(1);
      if (numberA.size() != numberB.size()) return numberA.size() < numberB.size();
      if (numberA != numberB) return numberA < numberB;
      i = endA;
      j = endB;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

std::uint64_t regularFileSize(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return 0;
  const auto size = std::filesystem::file_size(path, error);
  return error ? 0 : size;
}

}  // namespace

std::size_t WinBackupReader::scanBlackBerryWinBackUpThread(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  // incremented with an error code: a listing that fails ends, never throws
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    std::string name = entry->path().filename().string();
    // hidden entries (".DS_Store" and the like) are not databases
    if (!name.empty() && name.front() != '.') names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), naturalLess);

  // progress counts the bytes of every file in the folder
  folderBytes_ = 0;
  for (const auto& name : names) folderBytes_ += regularFileSize(folder / name);
  bytesBefore_ = 0;
  std::size_t databaseFiles = 0;
  for (const auto& name : names) {
    if (AnalyWinbackupfilePath(folder / name)) ++databaseFiles;
    bytesBefore_ += regularFileSize(folder / name);
  }
  folderBytes_ = 0;
  bytesBefore_ = 0;
  return databaseFiles;
}

bool WinBackupReader::AnalyWinbackupfilePath(const std::filesystem::path& file) {
  std::string problem;
  const auto window = FileWindow::open(file, problem, FileWindow::kDefaultWindowBytes, keepAlive);
  if (!window) return false;
  currentFile_ = file;
  const bool isDatabase = read(*window);
  currentFile_.clear();
  return isDatabase;
}

bool WinBackupReader::scanDatabaseFile(FileWindow& file) { return read(file); }

bool WinBackupReader::scanDatabaseBytes(std::span<const std::uint8_t> bytes) {
  MemoryFile file(bytes);
  return read(file);
}

template <class File>
bool WinBackupReader::read(File& file) {
  // the header, and the length of the one database name after it
  const auto header = file.fetch(0, ipd::kNameTableOffset + 2);
  if (!ipd::hasHeader(header)) return false;
  ByteReader reader(header, ipd::kNameTableOffset);
  const auto nameLength = reader.u16le();
  const auto nameBytes =
      nameLength ? file.fetch(reader.position(), *nameLength) : std::span<const std::uint8_t>();
  if (!nameLength || nameBytes.size() != *nameLength) {
    damageNotes_.push_back(where() + "the database name is cut off by the end of the file");
    return true;
  }
  const auto database = winDatabaseNamed(fieldText(nameBytes));
  if (!database) return true;

  bbOffSet = reader.position() + std::uint64_t{*nameLength};
  WalkDamage damage;
  decoders_.useSource(file.contentSource());
  walkRecords(
      file, bbOffSet, damage,
      [&](std::uint16_t, auto fieldArea, std::uint64_t fieldAreaOffset) {
        decoders_.decode(*database, fieldArea, fieldAreaOffset);
        const std::uint64_t done = bytesBefore_ + fieldAreaOffset + fieldArea.size();
        const std::uint64_t total = folderBytes_ != 0 ? folderBytes_ : file.size();
        nc_.postNotificationName(events::BlackBerryRawRecoveryProgress,
                                 EventObject(std::int64_t{readPercent(done, total)}));
      },
      stopFlag);
  if (damage.any()) damageNotes_.push_back(where() + damage.text);
  return true;
}

std::string WinBackupReader::where() const {
  return currentFile_.empty() ? std::string() : currentFile_.filename().string() + ": ";
}

}  // namespace orvane
