// Loads bblib.so as the application does, scans a disk or image and copies
// every found file into a folder; prints the scan and copy times.
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/engine_abi.h"

namespace {

struct Found {
  std::uint64_t start;
  std::uint32_t length;
  std::string name;
};
std::vector<Found> found;

void onFound(void* raw) {
  const auto* file = static_cast<const _rec_file_ele*>(raw);
  found.push_back(
      {file->file_start, file->file_len, std::string(file->pFileName, file->file_name_len)});
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
  for (const Found& file : found) {
    const std::string target = std::string(argv[3]) + "/" + file.name;
    _rec_file_ele copy{file.start, file.length, static_cast<std::uint32_t>(file.name.size()),
                       const_cast<char*>(file.name.c_str()), nullptr};
    if (engine->recoverFile(target.c_str(), disk, &copy) != 0) ++failures;
  }
  const auto copyEnd = std::chrono::steady_clock::now();
  std::printf("found %zu files, %d not copied; scan %.3f s, copy %.3f s\n", reported, failures,
              std::chrono::duration<double>(scanEnd - scanStart).count(),
              std::chrono::duration<double>(copyEnd - scanEnd).count());
  return 0;
}
