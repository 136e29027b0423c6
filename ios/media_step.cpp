// Pictures, videos and sounds named by the manifest, the files of the
// Facebook, Messenger and Twitter apps, and the manifest-free photo pass.

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "core/conversions.h"
#include "core/event_names.h"
#include "ios/backup_folder.h"
#include "ios/ios_backup_scanner.h"

namespace orvane {

namespace {

constexpr std::array<std::string_view, 3> kAppDomains = {
    "AppDomain-com.facebook.Facebook",
    "AppDomain-com.facebook.Messenger",
    "AppDomain-com.atebits.Tweetie2",
};

// the smallest file the photo pass hands over; smaller ones are icons and
// thumbnails at best
constexpr std::uintmax_t kSmallestMediaBytes = 50000;

std::string lastComponent(const std::string& devicePath) {
  const std::size_t slash = devicePath.rfind('/');
  return slash == std::string::npos ? devicePath : devicePath.substr(slash + 1);
}

bool isTwoHexDigits(const std::string& name) {
  const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
  return name.size() == 2 && hex(name[0]) && hex(name[1]);
}

}  // namespace

void PRIOSBackupScanner::GetMediaFileByNode(const PRTreeDirNode& node) {
  std::string extension;
  const bool hasExtension = FieldConversions::getSuffix(node.filePath, extension) == 1;
  const bool picture = hasExtension && FieldConversions::GetImageType(extension) >= 0;
  const bool movieOrSound = hasExtension && !picture &&
                            (FieldConversions::GetAudioType(extension) >= 0 ||
                             FieldConversions::GetViedoType(extension) >= 0);
  const std::string name = lastComponent(node.filePath);
  const bool appDomain =
      std::find(kAppDomains.begin(), kAppDomains.end(), node.fileDomain) != kAppDomains.end();
  if (!picture && !movieOrSound && !appDomain) return;
  // a missing backup file is not listed, nor a link
  BackupFile file = node.fileKey.empty() ? BackupFile() : BackupFile::open(node.fileKey);
  if (!file.opened()) return;
  listedMedia_.insert(node.fileKey);
  // an encrypted file is read through a decrypting view, its size the
  // manifest's
  ContentRef content;
  std::uint64_t size = file.size();
  if (decryptor_ != nullptr) {
    const EncryptedFileKey* entry = encryptedFileKey(node.fileKey);
    if (entry != nullptr) content = decryptingContentOf(std::move(file), *decryptor_, *entry, name);
    if (!content) {
      std::fprintf(stderr, "%s: cannot decrypt: %s\n", node.fileKey.c_str(),
                   entry ? "its key does not unwrap" : "the manifest gives no key for it");
      return;
    }
    size = content.size();
  }

  if (picture || movieOrSound) {
    auto media = std::make_shared<PRPhotoAndVideoNode>();
    media->filePath = node.fileKey;
    media->fileNodeName = name;
    media->fileNodeSize = FieldConversions::size_to_unit(size);
    media->content = content;
    media->bmov = movieOrSound ? 1 : 0;
    ++mediaPosted_;
    post(events::ScanPhotoAndVideo, std::move(media));
  }

  if (appDomain) {
    auto appFile = std::make_shared<PRFaceTwitterNode>();
    appFile->fileSize = FieldConversions::size_to_unit(size);
    appFile->content = content;
    appFile->faceTwitterFileName = name;
    appFile->faceTwitterFilePath = node.fileKey;
    ++mediaPosted_;
    post(events::scanFaceTwitterInfo, std::move(appFile));
  }
}

void PRIOSBackupScanner::scanPhotoAndVideoThread(const std::filesystem::path& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return;

  // Newer backups keep their files in subfolders named by two hex digits;
  // those files count as entries of the backup folder. Names are relative
  // to the folder, so each is opened from it without following a link.
  std::vector<std::string> entries;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code kindError;
    if (isTwoHexDigits(name) && it->is_directory(kindError) && !it->is_symlink(kindError)) {
      std::error_code inner;
      for (std::filesystem::directory_iterator sub(it->path(), inner), subEnd;
           !inner && sub != subEnd; sub.increment(inner)) {
        entries.push_back(name + "/" + sub->path().filename().string());
      }
    } else {
      entries.push_back(name);
    }
  }
  std::sort(entries.begin(), entries.end());

  const std::size_t n = entries.size();
  std::int64_t steps = 0;
  std::size_t nextStep = 1;  // the next k whose n*k/30 is still ahead
  for (std::size_t i = 0; i < n; ++i) {
    bool stepHere = false;
    while (nextStep <= 30 && n * nextStep / 30 <= i) {
      stepHere = stepHere || n * nextStep / 30 == i;
      ++nextStep;
    }
    if (stepHere) postProgress(++steps);
    const BackupFile file = BackupFile::open(folder, entries[i]);
    if (file.opened() && file.size() >= kSmallestMediaBytes) {
      ctx_.nc.postNotificationName(events::ScanPhotoAndVideoInfo,
                                   EventObject((folder / entries[i]).string()));
    }
  }
}

}  // namespace orvane
