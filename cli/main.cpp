// orvane-cli: the scans and exports of Orvane without a display.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "blackberry/field_text.h"
#include "cli/backups_command.h"
#include "cli/disks_command.h"
#include "cli/raw_scan_command.h"
#include "cli/scan_command.h"
#include "core/stop_signals.h"

int main(int argc, char** argv) {
  CLI::App app{"Orvane: rescue contacts, messages and files from phone backups and cards"};
  app.name("orvane-cli");
  // the same version as the desktop app's About window
  app.set_version_flag("--version", std::string("orvane-cli ") + ORVANE_VERSION);
  app.require_subcommand(1);

  orvane::cli::ScanOptions scan;
  CLI::App* scanCommand = app.add_subcommand(
      "scan", "Scan a BlackBerry backup (.ipd or .bbb) or a device backup folder");
  scanCommand->add_option("SOURCE", scan.source, "the backup file or folder")->required();
  scanCommand->add_option("--export", scan.exportFolder,
                          "tick every record and export it into this new folder");
  scanCommand->add_flag("--json", scan.json, "print every record as one JSON object per line");
  scanCommand
      ->add_option("--text-charset", scan.textCharset,
                   "the 8-bit character set of message texts that are not UTF-8 "
                   "(default WINDOWS-1252), e.g. ISO-8859-7")
      ->check(CLI::Validator(
          [](const std::string& charset) {
            return orvane::isKnownTextCharset(charset) ? std::string()
                                                       : "no such character set: " + charset;
          },
          "CHARSET"));

  scanCommand->add_option("--password-file", scan.passwordFile,
                          "an encrypted device backup's password, on the file's first line");

  // memory cards, other disks and disk images
  bool raw = false;
  std::optional<std::int32_t> partition;
  CLI::Option* rawFlag =
      scanCommand->add_flag("--raw", raw,
                            "SOURCE is a memory card, another disk or a disk image: scan it for "
                            "deleted pictures, audio, video and documents");
  scanCommand->add_option("--partition", partition, "with --raw: scan only this partition")
      ->check(CLI::Range(1, 254))
      ->needs(rawFlag);
  std::vector<std::string> diskImages;
  CLI::App* disksCommand =
      app.add_subcommand("disks", "List the disks and partitions a memory-card scan can read");
  disksCommand->add_option("IMAGE", diskImages, "disk image files to list as well");

  std::optional<std::string> backupRoot;
  CLI::App* backupsCommand =
      app.add_subcommand("backups", "List the device backups kept on this computer");
  backupsCommand->add_option("--root", backupRoot, "the folder that holds the backups");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForVersion& version) {
    return app.exit(version);
  } catch (const CLI::ParseError& wrongUsage) {
    app.exit(wrongUsage);
    return 1;
  }

  // only a scan has work to stop; made before any thread starts, so that
  // every thread leaves the signals to it
  std::optional<orvane::StopSignals> stopSignals;
  if (scanCommand->parsed()) stopSignals.emplace();
  if (scanCommand->parsed() && raw) {
    return orvane::cli::runRawScan(
        {scan.source, partition, scan.exportFolder, scan.json, &*stopSignals});
  }
  if (disksCommand->parsed()) return orvane::cli::runDisks(diskImages);
  if (stopSignals) scan.stopSignals = &*stopSignals;
  if (scanCommand->parsed()) return orvane::cli::runScan(scan);
  if (backupsCommand->parsed()) return orvane::cli::runBackups(backupRoot);
  return 1;
}
