#include "blackberry/blackberry_source.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>

#include "blackberry/bbb_archive.h"
#include "blackberry/file_window.h"
#include "blackberry/ipd_format.h"
#include "blackberry/ipd_reader.h"
#include "blackberry/win_backup_reader.h"

namespace orvane {

namespace {

bool hasExtension(const std::filesystem::path& path, std::string_view wanted) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return extension == wanted;
}

void logNote(const std::filesystem::path& path, const std::string& note) {
  std::fprintf(stderr, "%s: %s\n", path.filename().c_str(), note.c_str());
}

class BlackBerrySource final : public BackupSource {
 public:
  bool accepts(const std::filesystem::path& path) const override {
    if (hasExtension(path, ".ipd") || hasExtension(path, ".bbb")) return true;
    const std::string prefix = readFilePrefix(path, ipd::kHeaderText.size());
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(prefix.data()),
                                              prefix.size());
    return ipd::hasHeader(bytes) || ipd::hasZipSignature(bytes);
  }

  ScanOutcome scan(const std::filesystem::path& path, ScanContext& ctx) override {
    std::string problem;
    const auto file = FileWindow::open(path, problem);
    if (!file) return {ScanOutcome::Status::kUnreadable, problem};
    const auto prefix = file->fetch(0, ipd::kHeaderText.size());
    if (ipd::hasHeader(prefix)) {
      IpdReader reader(ctx.nc, ctx.lists);
      reader.stopFlag = ctx.stopFlag;
      reader.useTextCharset(ctx.textCharset);
      const ScanOutcome outcome = reader.scanFile(*file);
      if (reader.damage().any()) logNote(path, reader.damage().text);
      return outcome;
    }
    if (ipd::hasZipSignature(prefix) || hasExtension(path, ".bbb")) return scanArchive(path, ctx);
    return notABlackBerryBackup("no IPD header");
  }

 private:
  static ScanOutcome scanArchive(const std::filesystem::path& path, ScanContext& ctx) {
    // Without an owner of the scan's folder (a caller outside the app's
    // scan worker), the archive gets a private folder of its own.
    BbbArchive archive(ctx.tempFolderOwner ? ctx.tempFolderOwner
                                           : std::make_shared<const TempFolder>());
    bool perDatabase = false;
    std::string problem;
    const auto target = archive.checkTheBackUpFile(path, perDatabase, problem);
    for (const auto& note : archive.notes()) logNote(path, note);
    if (!target) return notABlackBerryBackup(problem);

    if (!perDatabase) {
      IpdReader reader(ctx.nc, ctx.lists);
      reader.stopFlag = ctx.stopFlag;
      reader.useTextCharset(ctx.textCharset);
      // the records refer to the unpacked copy: it stays while they do
      reader.keepAlive = archive.unpackedFolder();
      const ScanOutcome outcome = reader.scanBlackBerryBackUpThread(*target);
      if (reader.damage().any()) logNote(path, "Databases.ipd: " + reader.damage().text);
      if (outcome.status == ScanOutcome::Status::kNotABackup) {
        return notABlackBerryBackup("Databases.ipd in the archive has no IPD header");
      }
      return outcome;
    }
    WinBackupReader reader(ctx.nc);
    reader.stopFlag = ctx.stopFlag;
    reader.useTextCharset(ctx.textCharset);
    reader.keepAlive = archive.unpackedFolder();
    const std::size_t databaseFiles = reader.scanBlackBerryWinBackUpThread(*target);
    for (const auto& note : reader.damageNotes()) logNote(path, note);
    if (databaseFiles == 0) {
      return notABlackBerryBackup("no database file in the archive has the IPD header");
    }
    return {};
  }
};

}  // namespace

std::unique_ptr<BackupSource> makeBlackBerrySource() {
  return std::make_unique<BlackBerrySource>();
}

}  // namespace orvane
