#include "cli/backups_command.h"

#include <cstdio>
#include <filesystem>

#include "ios/ios_device_controller.h"

namespace orvane::cli {

int runBackups(const std::optional<std::string>& root) {
  const std::filesystem::path folder = root ? std::filesystem::path(*root) : defaultBackupRoot();
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    if (root) {
      std::fprintf(stderr, "orvane-cli: %s: no such folder\n", root->c_str());
      return 2;
    }
    std::fprintf(stderr, "No device backups in %s\n", folder.c_str());
    return 0;
  }
  PRIOSDeviceController catalogue;
  catalogue.showIphoneDisk(folder);
  for (const auto& node : catalogue.content()) std::printf("%s\n", node->describe().c_str());
  if (catalogue.content().empty())
    std::fprintf(stderr, "No device backups in %s\n", folder.c_str());
  return 0;
}

}  // namespace orvane::cli
