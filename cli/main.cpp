// orvane-cli: the scans and exports of Orvane without a display.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/backups_command.h"
#include "cli/scan_command.h"

int main(int argc, char** argv) {
  CLI::App app{"Orvane: rescue contacts, messages and files from phone backups and cards"};
  app.name("orvane-cli");
  app.require_subcommand(1);

  orvane::cli::ScanOptions scan;
  CLI::App* scanCommand = app.add_subcommand(
      "scan", "Scan a BlackBerry backup (.ipd or .bbb) or a device backup folder");
  scanCommand->add_option("SOURCE", scan.source, "the backup file or folder")->required();
  scanCommand->add_option("--export", scan.exportFolder,
                          "tick every record and export it into this new folder");
  scanCommand->add_flag("--json", scan.json, "print every record as one JSON object per line");

  std::optional<std::string> backupRoot;
  CLI::App* backupsCommand =
      app.add_subcommand("backups", "List the device backups kept on this computer");
  backupsCommand->add_option("--root", backupRoot, "the folder that holds the backups");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& wrongUsage) {
    app.exit(wrongUsage);
    return 1;
  }

  if (scanCommand->parsed()) return orvane::cli::runScan(scan);
  if (backupsCommand->parsed()) return orvane::cli::runBackups(backupRoot);
  return 1;
}
