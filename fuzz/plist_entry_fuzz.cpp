// Bytes as the "Info.plist" of a backup folder: at most one catalogue entry.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ios/ios_device_controller.h"

namespace {

const std::filesystem::path& backupFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "orvane-plist-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    // a folder of one entry is skipped; the second makes it a candidate
    std::ofstream(std::filesystem::path(pattern) / "Manifest.mbdb") << "mbdb";
    return std::filesystem::path(pattern);
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(backupFolder() / "Info.plist", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  orvane::PRIOSDeviceController catalogue;
  catalogue.addDeviceNodeByPath(backupFolder());
  for (const auto& node : catalogue.content()) (void)node->describe();
  return 0;
}
