#include "rawscan/engine_file_copier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "rawscan/disk_table.h"

namespace orvane {

EngineFileRecord::EngineFileRecord(const PRScanListNode& node) {
  const FoundFileExtent& file = node.getfile();
  name_.assign(file.pFileName.begin(), file.pFileName.end());
  name_.push_back('\0');
  record_.file_start = file.file_start;
  record_.file_len = file.file_len;
  record_.file_name_len = static_cast<std::uint32_t>(file.pFileName.size());
  record_.pFileName = name_.data();
  for (const ContentRun& run : file.runs) runs_.push_back({run.offset, run.length});
  runList_ = _RecordList{static_cast<std::uint32_t>(runs_.size()), 0, runs_.data()};
  record_.journal_file = runs_.empty() ? nullptr : &runList_;
}

bool EngineFileCopier::copyFoundFile(const PRScanListNode& node,
                                     const std::filesystem::path& target,
                                     std::string& problem) const {
  const std::string targetText = target.string();
  // The engine writes to a hidden name in the target's folder, and the file
  // takes its own name only once it is complete: a copy cut short (a
  // failing card, a full disk, the program killed) never stands under a
  // name the user would trust.
  const std::filesystem::path temporary = temporaryNameFor(target);
  const std::string temporaryText = temporary.string();
  // The engine takes the path in a fixed buffer; a path that does not fit
  // with its NUL is refused rather than cut, which would write elsewhere.
  if (targetText.size() + 1 > BB_RECOVER_PATH_CAPACITY ||
      temporaryText.size() + 1 > BB_RECOVER_PATH_CAPACITY) {
    problem = "path too long for the engine: " + targetText;
    return false;
  }
  const bb_export_table* engine = engine_.engineTable();
  if (engine == nullptr || engine->recoverFile == nullptr) {
    problem = "no recovery engine is loaded: " + targetText + " was not copied";
    return false;
  }
  std::array<char, BB_RECOVER_PATH_CAPACITY> targetPath{};
  std::memcpy(targetPath.data(), temporaryText.data(), temporaryText.size());
  EngineFileRecord record(node);
  const int copied =
      engine->recoverFile(targetPath.data(), findDisk(engine_, diskName_), record.get());
  struct stat status {};
  if (::lstat(temporaryText.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    problem = "the engine did not write " + targetText;
    return false;
  }
  if (copied != 0) {
    ::unlink(temporaryText.c_str());
    problem = "the engine could not copy " + targetText;
    return false;
  }
  if (const int error = renameWithoutReplacing(temporary, target); error != 0) {
    ::unlink(temporaryText.c_str());
    problem = "could not name " + targetText + ": " + std::strerror(error);
    return false;
  }
  return true;
}

std::filesystem::path EngineFileCopier::temporaryNameFor(const std::filesystem::path& target) {
  static std::atomic<unsigned> counter{0};
  return target.parent_path() / (".orvane-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter.fetch_add(1)) + ".part");
}

int EngineFileCopier::renameWithoutReplacing(const std::filesystem::path& from,
                                             const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // file systems without RENAME_NOREPLACE (FAT): a hard link fails on an
  // existing name just the same; without links either, test then rename
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST) return errno;
  struct stat status {};
  if (::lstat(to.c_str(), &status) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace orvane
