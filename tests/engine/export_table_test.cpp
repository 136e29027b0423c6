// The C table as the application sees it: listing, disk images, scans and
// copying found files out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_abi.h"
#include "engine/volume_names.h"
#include "fixtures/card_image.h"
#include "fixtures/scratch_folder.h"
#include "sample_files.h"

extern "C" bb_export_table exportFunction;

namespace orvane::engine::testing {
namespace {

std::vector<list_disk_struct*> listDisks() {
  std::vector<list_disk_struct*> disks;
  if (exportFunction.beginDiskList() == 0) return disks;
  while (list_disk_struct* disk = exportFunction.nextDisk()) disks.push_back(disk);
  return disks;
}

struct Found {
  std::uint64_t start;
  std::uint32_t length;
  std::string name;
  std::vector<bb_file_run> runs;  // of a joined file
};

std::vector<Found> scanThroughTable(const std::string& device, std::int32_t partition) {
  static std::vector<Found>* sink = nullptr;
  std::vector<Found> found;
  sink = &found;
  _rec_file_ele record{};
  _progressParm_t progress{};
  const int result = exportFunction.scan(
      device.c_str(), partition,
      [](void* raw) {
        const auto* file = static_cast<const _rec_file_ele*>(raw);
        std::vector<bb_file_run> runs;
        if (file->journal_file != nullptr) {
          runs.assign(file->journal_file->runs,
                      file->journal_file->runs + file->journal_file->run_count);
        }
        sink->push_back({file->file_start, file->file_len,
                         std::string(file->pFileName, file->file_name_len), runs});
      },
      &record, [](void*) {}, &progress);
  EXPECT_EQ(result, 0);
  return found;
}

// A card image: 64 KiB of noise, a JPEG at 64 KiB, noise after it.
std::string cardImage() {
  static const std::string path = [] {
    const auto file = scratchFolder() / "card.img";
    writeFile(file, join({noise(65536, 21), sample("jpg").bytes, noise(4096, 23)}));
    return file.string();
  }();
  return path;
}

// "start+length", then the runs of a joined file.
std::string describe(const Found& file) {
  std::string text = std::to_string(file.start) + "+" + std::to_string(file.length);
  for (const bb_file_run& run : file.runs) {
    text += " " + std::to_string(run.start) + "+" + std::to_string(run.length);
  }
  return text;
}

_rec_file_ele recordOf(std::uint64_t start, std::size_t length, const char* name,
                       _RecordList* runs = nullptr) {
  return {start, static_cast<std::uint32_t>(length), static_cast<std::uint32_t>(std::strlen(name)),
          const_cast<char*>(name), runs};
}

TEST(ExportTable, AnImageIsListedWithTheSameRecordEachTimeAndWhatIsNoImageIsRefused) {
  const std::string image = cardImage();
  ASSERT_EQ(exportFunction.addDiskImage(image.c_str()), 0);
  const auto disks = listDisks();
  ASSERT_FALSE(disks.empty());
  EXPECT_EQ(exportFunction.diskDeviceName(disks.back()), image);
  // The same record comes back on the next listing: the application keeps it.
  EXPECT_EQ(listDisks().back(), disks.back());

  EXPECT_NE(exportFunction.addDiskImage(nullptr), 0);
  // a scan of what cannot be opened, or of a partition the image lacks, fails at once
  _rec_file_ele record{};
  _progressParm_t progress{};
  EXPECT_EQ(
      exportFunction.scan("/nonexistent/disk", BB_WHOLE_DISK, nullptr, &record, nullptr, &progress),
      -1);
  EXPECT_EQ(exportFunction.scan(image.c_str(), 7, nullptr, &record, nullptr, &progress), -1);
}

// A copy never overwrites a file already there, never reads past the disk
// and takes a path only when it ends within its 400-byte buffer.
TEST(ExportTable, RecoveryKeepsWhatIsThereStaysOnTheDiskAndBoundsItsPath) {
  const std::string image = cardImage();
  ASSERT_EQ(exportFunction.addDiskImage(image.c_str()), 0);
  list_disk_struct* disk = listDisks().back();
  ASSERT_EQ(exportFunction.diskDeviceName(disk), image);
  _rec_file_ele record = recordOf(65536, 1000, "f128.jpg");
  const Bytes card = readFile(image);
  const Bytes expected(card.begin() + 65536, card.begin() + 66536);

  // Folders whose path makes the target exactly 399 bytes long, then one
  // byte more with no NUL inside the buffer.
  std::string folder = scratchFolder().string();
  while (folder.size() < 330) {
    folder += "/" + std::string(std::min<std::size_t>(60, 330 - folder.size()), 'd');
  }
  std::filesystem::create_directories(folder);
  std::string fits = folder + "/";
  fits += std::string(399 - fits.size(), 'a');
  std::vector<char> buffer(BB_RECOVER_PATH_CAPACITY, '\0');
  std::memcpy(buffer.data(), fits.data(), fits.size());
  EXPECT_EQ(exportFunction.recoverFile(buffer.data(), disk, &record), 0);
  EXPECT_EQ(readFile(fits), expected);
  Bytes read(record.file_len);
  ASSERT_EQ(exportFunction.readFoundFile(disk, read.data(), &record), 0);
  EXPECT_EQ(read, expected);
  const std::string tooLong = fits.substr(0, fits.size() - 1) + "bb";
  std::memcpy(buffer.data(), tooLong.data(), BB_RECOVER_PATH_CAPACITY);  // no NUL left
  EXPECT_NE(exportFunction.recoverFile(buffer.data(), disk, &record), 0);
  EXPECT_FALSE(std::filesystem::exists(tooLong));
  EXPECT_FALSE(std::filesystem::exists(tooLong.substr(0, BB_RECOVER_PATH_CAPACITY - 1)));

  const Bytes mine = noise(100, 5);
  writeFile(fits, mine);
  EXPECT_NE(exportFunction.recoverFile(fits.c_str(), disk, &record), 0);
  EXPECT_EQ(readFile(fits), mine);
  record.file_start = card.size() - 10;
  const auto pastTheEnd = scratchFolder() / "past-the-end.jpg";
  EXPECT_NE(exportFunction.recoverFile(pastTheEnd.c_str(), disk, &record), 0);
  EXPECT_FALSE(std::filesystem::exists(pastTheEnd));
}

// A JPEG written in two pieces with foreign data between: joined when the
// rest decodes cleanly to the end of the picture, kept as cut when no
// continuation comes.
TEST(JpegFragments, JoinedAcrossForeignDataOrKeptAsCut) {
  const Bytes& photo = sample("jpg_thumbnail").bytes;
  const std::size_t firstPiece = 20 * 512;
  const Bytes head(photo.begin(), photo.begin() + firstPiece);
  const Bytes rest(photo.begin() + firstPiece, photo.end());
  const auto padded = [](Bytes bytes) {
    bytes.resize((bytes.size() / 512 + 1) * 512);
    return bytes;
  };
  struct Case {
    const char* what;
    Bytes between;
    bool continues;
    const char* fileBetween;  // found on its own, from the sector after the first piece
  };
  const Case cases[] = {
      {"another picture between", padded(sample("jpg").bytes), true, "jpg"},
      {"noise between", noise(8192, 31), true, nullptr},
      {"no continuation", noise(8192, 32), false, nullptr},
  };
  for (const Case& c : cases) {
    const std::size_t restAt = 65536 + head.size() + c.between.size();
    const auto image = (scratchFolder() / "fragments.img").string();
    writeFile(image, join({noise(65536, 30), head, c.between, c.continues ? rest : Bytes(),
                           noise(20000, 33)}));

    const auto found = scanThroughTable(image, BB_WHOLE_DISK);
    ASSERT_FALSE(found.empty()) << c.what;
    if (!c.continues) {
      EXPECT_EQ(found[0].start, 65536u) << c.what;
      EXPECT_TRUE(found[0].runs.empty()) << c.what;
      EXPECT_LE(found[0].length, firstPiece + c.between.size()) << c.what;
      continue;
    }
    const auto n = [](std::uint64_t value) { return std::to_string(value); };
    ASSERT_EQ(describe(found[0]), "65536+" + n(photo.size()) + " 65536+" + n(firstPiece) + " " +
                                      n(restAt) + "+" + n(rest.size()))
        << c.what;
    if (c.fileBetween != nullptr) {
      ASSERT_GE(found.size(), 2u) << c.what;
      EXPECT_EQ(found[1].name, "f" + n(128 + firstPiece / 512) + "." + c.fileBetween) << c.what;
    }

    _RecordList list{2, 0, found[0].runs.data()};
    _rec_file_ele record = recordOf(found[0].start, found[0].length, "f", &list);
    const auto target = scratchFolder() / "joined.jpg";
    std::filesystem::remove(target);
    ASSERT_EQ(exportFunction.recoverFile(target.c_str(), nullptr, &record), 0);
    EXPECT_EQ(readFile(target), photo) << c.what;
    Bytes read(record.file_len);
    ASSERT_EQ(exportFunction.readFoundFile(nullptr, read.data(), &record), 0);
    EXPECT_EQ(read, photo) << c.what;
  }
}

// A whole picture filling its last sector, with another right after it, is
// no first piece: joined to the tail of the next, it would decode cleanly.
TEST(JpegFragments, AWholePictureEndingOnASectorIsNotJoinedToTheNext) {
  Bytes photo = sample("jpg").bytes;
  // a comment segment after the start marker pads it to whole sectors
  const std::size_t padding = (512 - (photo.size() + 4) % 512) % 512;
  Bytes comment{std::byte{0xFF}, std::byte{0xFE}, std::byte((padding + 2) >> 8),
                std::byte((padding + 2) & 0xFF)};
  comment.resize(4 + padding, std::byte{'x'});
  photo.insert(photo.begin() + 2, comment.begin(), comment.end());
  const Bytes& next = sample("jpg").bytes;
  const auto image = (scratchFolder() / "whole.img").string();
  writeFile(image, join({noise(65536, 30), photo, next, noise(4096, 5)}));
  const auto found = scanThroughTable(image, BB_WHOLE_DISK);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(describe(found[0]) + " " + describe(found[1]),
            "65536+" + std::to_string(photo.size()) + " " + std::to_string(65536 + photo.size()) +
                "+" + std::to_string(next.size()));
}

// Found files whose first cluster a surviving directory entry names come
// back under its name and folders, with the entry's size.
std::vector<std::pair<std::string, std::size_t>> namesFound(const std::string& image) {
  std::vector<std::pair<std::string, std::size_t>> names;
  for (const Found& file : scanThroughTable(image, BB_WHOLE_DISK)) {
    names.emplace_back(file.name.front() == 'f' ? "generated" : file.name, file.length);
  }
  return names;
}

// A sample's bytes as the card writer takes them.
std::vector<std::uint8_t> bytesOf(const std::string& kind) {
  const auto* begin = reinterpret_cast<const std::uint8_t*>(sample(kind).bytes.data());
  return {begin, begin + sample(kind).bytes.size()};
}

// Offset of the first `text` in `bytes` (a directory entry to patch).
std::size_t offsetOf(const Bytes& bytes, std::string_view text) {
  const auto* begin = reinterpret_cast<const char*>(bytes.data());
  return static_cast<std::size_t>(
      std::search(begin, begin + bytes.size(), text.begin(), text.end()) - begin);
}

// The same card deep in a larger image whose partition table is gone: its
// boot sector, met during the scan, names the files after it. Noise of an
// odd number of sectors keeps its clusters off the image's own grid.
std::string behindNoise(const std::filesystem::path& card) {
  const auto path = scratchFolder() / "embedded.img";
  writeFile(path, join({noise((1u << 20) + 7 * 512, 40), readFile(card)}));
  return path.string();
}

TEST(VolumeNames, Fat32EntriesLiveDeletedLongAndPastSixteenBits) {
  const std::vector<fixtures::CardFile> files = {
      {"DCIM/100CANON/IMG_0001.JPG", bytesOf("jpg")},
      {"DCIM/100CANON/Holiday at the beach.png", bytesOf("png"), true},
      {"DELETED.GIF", bytesOf("gif"), true},
      {"SHORT.BMP", bytesOf("bmp")},
      {"FILL.BIN", std::vector<std::uint8_t>(34u << 20)},  // what follows lies past cluster 65535
      {"HIGH.NEF", bytesOf("nef"), true},
  };
  const auto path = scratchFolder() / "names.img";
  fixtures::writeCardWithFiles(path, fixtures::CardFormat::fat32, files, 48);
  Bytes image = readFile(path);
  // Deleting cleared the high half of HIGH.NEF's first cluster, as cameras
  // and Windows do; the size of SHORT.BMP no longer fits what is there; the
  // root folder's cluster chain names itself.
  const std::size_t high = offsetOf(image, "IGH    NEF") - 1;
  const std::size_t shortBmp = offsetOf(image, "SHORT   BMP");
  ASSERT_LT(std::max(high + 1, shortBmp), image.size());
  ASSERT_EQ(image[high], std::byte{0xE5});
  ASSERT_NE(image[high + 20], std::byte{0});
  putLe(image, high + 20, 0, 2);
  putLe(image, shortBmp + 28, 100, 4);
  const std::size_t table = 512 * std::to_integer<std::size_t>(image[14]);
  putLe(image, table + 8, 2, 4);  // the root is cluster 2: its next is itself
  writeFile(path, image);

  ::testing::internal::CaptureStderr();
  const auto names = namesFound(path.string());
  const std::string log = ::testing::internal::GetCapturedStderr();
  const std::vector<std::pair<std::string, std::size_t>> expected = {
      {"DCIM/100CANON/IMG_0001.JPG", sample("jpg").bytes.size()},
      {"DCIM/100CANON/Holiday at the beach.png", sample("png").bytes.size()},
      {"_ELETED.GIF", sample("gif").bytes.size()},
      {"generated", sample("bmp").bytes.size()},
      {"_IGH.NEF", sample("nef").bytes.size()},
  };
  EXPECT_EQ(names, expected);
  EXPECT_NE(log.find("loops at cluster 2 "), std::string::npos) << log;
  // the same names from the card deep in a larger image
  EXPECT_EQ(namesFound(behindNoise(path)), expected);
}

TEST(VolumeNames, ExFatEntrySetsLiveAndDeletedInFolders) {
  const std::vector<fixtures::CardFile> files = {
      {"DCIM/100MEDIA/\xc3\x89t\xc3\xa9 \xc3\xa0 la plage.heic", bytesOf("heic")},
      {"PRIVATE/AVCHD/BDMV/STREAM/00001.MTS", bytesOf("mts"), true},
      {"raw/a rather long name for a camera raw file.cr2", bytesOf("cr2")}};
  std::vector<std::pair<std::string, std::size_t>> expected;
  for (const fixtures::CardFile& file : files) expected.emplace_back(file.path, file.bytes.size());
  const auto path = scratchFolder() / "names-exfat.img";
  fixtures::writeCardWithFiles(path, fixtures::CardFormat::exFat, files, 16);
  EXPECT_EQ(namesFound(path.string()), expected);
  EXPECT_EQ(namesFound(behindNoise(path)), expected);
}

// An image of one small volume more than the names take: one line says
// that the rest keep generated names.
TEST(VolumeNames, VolumesReadAreBounded) {
  const auto one = scratchFolder() / "small.img";
  std::filesystem::remove(one);
  ASSERT_EQ(fixtures::runProgram({"mkfs.fat", "-C", one.string(), "64"}), 0);
  const Bytes volume = readFile(one);
  Bytes image;
  for (std::size_t i = 0; i <= VolumeNames::kMaxVolumes; ++i) {
    image.insert(image.end(), volume.begin(), volume.end());
  }
  const auto path = scratchFolder() / "volumes.img";
  writeFile(path, image);
  ::testing::internal::CaptureStderr();
  scanThroughTable(path.string(), BB_WHOLE_DISK);
  const std::string log = ::testing::internal::GetCapturedStderr();
  const std::string line = "bblib: more than 64 volumes; files in the rest keep generated names\n";
  EXPECT_NE(log.find(line), std::string::npos) << log;
  EXPECT_EQ(log.find(line), log.rfind(line)) << log;
}

}  // namespace
}  // namespace orvane::engine::testing
