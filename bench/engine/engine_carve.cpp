// Loads bblib.so as the application does, scans a disk or image and copies
// every found file into a folder (under the folders of its original name,
// when the card's directory gave one); prints the scan and copy times.
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine_abi.h"

namespace {

struct Found {
  std::uint64_t start;
  std::uint32_t length;
  std::string name;
  std::vector<bb_file_run> runs;  // of a file joined from fragments
};
std::vector<Found> found;
std::size_t named = 0;   // by a directory entry of the card
std::size_t joined = 0;  // from fragments

void onFound(void* raw) {
  const auto* file = static_cast<const _rec_file_ele*>(raw);
  std::vector<bb_file_run> runs;
  if (const _RecordList* list = file->journal_file) {
    runs.assign(list->runs, list->runs + list->run_count);
  }
  const std::string name(file->pFileName, file->file_name_len);
  named += name.find('/') != std::string::npos || name.front() != 'f' ? 1 : 0;
  joined += runs.empty() ? 0 : 1;
  found.push_back({file->file_start, file->file_len,
                   std::string(file->pFileName, file->file_name_len), std::move(runs)});
}
void onProgress(void*) {}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: engine_carve BBLIB.so IMAGE OUTPUT_FOLDER|-\n");
    return 2;
  }
  void* library = ::dlopen(argv[1], RTLD_LAZY);
  if (library == nullptr) {
    std::fprintf(stderr, "cannot load %s: %s\n", argv[1], ::dlerror());
    return 1;
  }
  const auto* engine = static_cast<const bb_export_table*>(::dlsym(library, "exportFunction"));
  if (engine == nullptr || engine->addDiskImage(argv[2]) != 0) return 1;
  list_disk_struct* disk = nullptr;
  engine->beginDiskList();
  while (list_disk_struct* next = engine->nextDisk()) {
    if (std::string(engine->diskDeviceName(next)) == argv[2]) disk = next;
  }
  _rec_file_ele record{};
  _progressParm_t progress{};
  const auto scanStart = std::chrono::steady_clock::now();
  if (engine->scan(argv[2], BB_WHOLE_DISK, onFound, &record, onProgress, &progress) != 0) return 1;
  const auto scanEnd = std::chrono::steady_clock::now();
  const std::size_t reported = found.size();
  int failures = 0;
  // "-" as the folder: scan only, for throughput.
  if (std::string(argv[3]) == "-") found.clear();
  for (Found& file : found) {
    std::filesystem::path target = std::filesystem::path(argv[3]) / file.name;
    std::filesystem::create_directories(target.parent_path());
    for (int n = 2; std::filesystem::exists(target); ++n) {
      target.replace_filename(target.stem().string() + "-" + std::to_string(n) +
                              target.extension().string());
    }
    _RecordList list{static_cast<std::uint32_t>(file.runs.size()), 0, file.runs.data()};
    _rec_file_ele copy{file.start, file.length, static_cast<std::uint32_t>(file.name.size()),
                       const_cast<char*>(file.name.c_str()), file.runs.empty() ? nullptr : &list};
    if (engine->recoverFile(target.c_str(), disk, &copy) != 0) ++failures;
  }
  const auto copyEnd = std::chrono::steady_clock::now();
  std::printf("found %zu files (%zu named, %zu joined), %d not copied; scan %.3f s, copy %.3f s\n",
              reported, named, joined, failures,
              std::chrono::duration<double>(scanEnd - scanStart).count(),
              std::chrono::duration<double>(copyEnd - scanEnd).count());
  return 0;
}
