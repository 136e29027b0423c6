#include "cli/disks_command.h"

#include <cstdio>
#include <filesystem>

#include "cli/raw_scan_command.h"
#include "cli/scan_output.h"
#include "rawscan/disk_file_controller.h"

namespace orvane::cli {

int runDisks(const std::vector<std::string>& images) {
  RawEngine engine;
  if (!loadEngine(engine)) return 2;
  PRDiskFileController chooser(engine);
  for (const std::string& image : images) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::canonical(image, error);
    if (error || !std::filesystem::is_regular_file(path, error)) {
      fail(image, "is not a disk image file");
      return 2;
    }
    if (!addDiskImage(chooser, path.string())) return 2;
  }
  chooser.reload();
  if (chooser.content().empty()) {
    std::fprintf(stderr,
                 "orvane-cli: no disks to offer (the system's own disk is not offered; attach "
                 "the card, or name a disk image)\n");
    return 0;
  }
  // the rows as the chooser shows them: each disk with its size, its
  // partitions indented under it
  for (const DiskRow& disk : chooser.content()) {
    std::printf("%s\n", disk->partitionName.c_str());
    for (const DiskRow& partition : disk->children) {
      std::printf("  partition %d: %s", partition->deviceIndex, partition->partitionName.c_str());
      if (partition->partitionType) std::printf(" (%s)", partition->partitionType->c_str());
      std::printf("\n");
    }
  }
  return 0;
}

}  // namespace orvane::cli
