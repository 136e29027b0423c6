// Device backups built to hurt the reader: property lists nested past any
// stack, and files that lead out of the backup folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/ios_records.h"
#include "fixtures/ios_backup_writer.h"
#include "fixtures/scratch_folder.h"
#include "ios/backup_file_name.h"
#include "ios/ios_device_controller.h"
#include "ios/plist_file.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

using fixtures::IosBackupWriter;
using fixtures::IosLayout;
using fixtures::ScratchFolder;

// <plist><dict><key>k</key> and then `arrays` nested arrays.
std::vector<char> xmlNested(std::size_t arrays) {
  std::string text =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"x\">\n"
      "<plist version=\"1.0\"><dict><key>k</key>";
  for (std::size_t i = 0; i < arrays; ++i) text += "<array><!-- <array> -->";
  for (std::size_t i = 0; i < arrays; ++i) text += "</array>";
  text += "<key>a</key><string/></dict></plist>";
  return {text.begin(), text.end()};
}

// A binary list whose object i (0 the top dictionary, the others arrays)
// names the objects members(i); 4-byte offsets and member numbers.
template <class Members>
std::vector<char> binaryPlist(std::uint32_t objects, Members members) {
  auto bytes = std::vector<std::uint8_t>{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
  const auto be32 = [&](std::uint64_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
      bytes.push_back(static_cast<std::uint8_t>(v >> shift));
  };
  std::vector<std::uint32_t> offsets;
  // the last object is the key text "k"
  for (std::uint32_t i = 0; i + 1 < objects; ++i) {
    offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
    const std::vector<std::uint32_t> named = members(i);
    if (i == 0) {
      bytes.push_back(static_cast<std::uint8_t>(0xD0 | named.size()));
      for (std::size_t m = 0; m < named.size(); ++m) be32(objects - 1);
    } else {
      bytes.push_back(static_cast<std::uint8_t>(0xA0 | named.size()));
    }
    for (std::uint32_t m : named) be32(m);
  }
  offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
  bytes.insert(bytes.end(), {0x51, 'k'});
  const std::uint64_t table = bytes.size();
  for (std::uint32_t offset : offsets) be32(offset);
  bytes.insert(bytes.end(), {0, 0, 0, 0, 0, 0, 4, 4});
  for (std::uint64_t v : {std::uint64_t{objects}, std::uint64_t{0}, table}) {
    be32(v >> 32);
    be32(v);
  }
  return {bytes.begin(), bytes.end()};
}

// a chain: every container holds the next, the last one is empty
std::vector<char> binaryChain(std::uint32_t containers) {
  return binaryPlist(containers + 1, [containers](std::uint32_t i) {
    return i + 1 < containers ? std::vector<std::uint32_t>{i + 1} : std::vector<std::uint32_t>{};
  });
}

std::string refusalOf(const std::vector<char>& bytes) {
  std::string refusal;
  const auto plist = PlistFile::parse(bytes, &refusal);
  EXPECT_EQ(plist.has_value(), refusal.empty());
  return refusal;
}

TEST(HostilePlist, NestingAndCyclesAreRefusedAtTheirBound) {
  const std::string tooDeep = "nested deeper than 256 levels";
  const struct {
    const char* name;
    std::vector<char> bytes;
    std::string refusal;
  } cases[] = {
      // plist, dict and key fill three levels
      {"xml at the bound", xmlNested(254), ""},
      {"xml one past", xmlNested(255), tooDeep},
      {"xml 200000 deep", xmlNested(200000), tooDeep},
      {"binary at the bound", binaryChain(256), ""},
      {"binary one past", binaryChain(257), tooDeep},
      {"binary 100000 deep", binaryChain(100000), tooDeep},
      {"array holding itself",
       binaryPlist(3, [](std::uint32_t) { return std::vector<std::uint32_t>{1}; }),
       "object 1 contains itself through its members"},
      {"top reached again",
       binaryPlist(4,
                   [](std::uint32_t i) { return std::vector<std::uint32_t>{i == 2 ? 0u : i + 1}; }),
       "object 0 contains itself through its members"},
      // 40 levels, each naming the next twice: 2^40 nodes for libplist
      {"shared twice per level",
       binaryPlist(41,
                   [](std::uint32_t i) {
                     return i + 2 < 41 ? std::vector<std::uint32_t>{i + 1, i + 1}
                                       : std::vector<std::uint32_t>{};
                   }),
       "its containers name each other into more than 33554432 items"},
  };
  for (const auto& c : cases) EXPECT_EQ(refusalOf(c.bytes), c.refusal) << c.name;
}

// A backup read from Info.plist and one from Manifest.plist alone (which
// gives no size) are listed beside hostile and foreign folders; a second
// fill replaces the first, and a missing root leaves the list empty.
class Catalogue : public ::testing::TestWithParam<fixtures::PlistForm> {};

TEST_P(Catalogue, ListsTheBackupsBesideHostileAndForeignFolders) {
  ScratchFolder root;
  IosBackupWriter(root / "aaaa", IosLayout::ios6)
      .plistForm(GetParam())
      .info("Device Name", "Ann’s iPhone")
      .info("Product Type", "iPad2,1")
      .write();
  IosBackupWriter(root / "bbbb", IosLayout::ios17)
      .plistForm(GetParam())
      .lockdown("DeviceName", "Bob")
      .lockdown("ProductType", "iPad3,4")
      .write();
  std::filesystem::remove(root / "bbbb" / "Info.plist");
  // read through the bounded reader whose refusals are checked above
  const std::vector<char> deep = binaryChain(100000);
  std::filesystem::create_directory(root / "deep");
  fixtures::writeFileBytes(root / "deep" / "Info.plist", {deep.begin(), deep.end()});
  fixtures::writeFileText(root / "deep" / "Manifest.mbdb", "mbdb");
  std::filesystem::create_directories(root / "foreign");
  fixtures::writeFileText(root / "foreign" / "Info.plist", "not a plist");
  fixtures::writeFileText(root / "foreign" / "Manifest.plist", "<plist><array/></plist>");
  std::filesystem::create_directories(root / "nolockdown");
  fixtures::writeFileText(root / "nolockdown" / "Manifest.plist",
                          "<plist><dict><key>Version</key><string>9</string></dict></plist>");
  fixtures::writeFileText(root / "nolockdown" / "Manifest.mbdb", "mbdb");

  PRIOSDeviceController catalogue;
  catalogue.showIphoneDisk(root.path());
  catalogue.showIphoneDisk(root.path());
  catalogue.addDeviceNodeByPath(root / "missing");
  ASSERT_EQ(catalogue.content().size(), 2u);
  const auto& info = *catalogue.content()[0];
  const std::string size = std::to_string(std::filesystem::file_size(root / "aaaa" / "Info.plist"));
  // the backup time is cut to the minute: YYYY-MM-DD HH:MM
  EXPECT_EQ(testing::row(info.deviceImage, info.itunesVersion, info.strDeviceSize,
                         info.strDeviceBackUpTime.size(), info.describe()),
            "ipad|10.7|" + size + "|16|Ann’s iPhone\tIpad 2\t6.1.3\tC39TESTSERIAL\t" +
                info.strDeviceBackUpTime + "\t" + (root / "aaaa").string());
  const auto& manifest = *catalogue.content()[1];
  EXPECT_EQ(testing::row(manifest.describe().substr(0, 31), manifest.itunesVersion,
                         manifest.strDeviceSize),
            "Bob\tNewIpad\t16.1\tC39TESTSERIAL\t|10B329|");
  catalogue.showIphoneDisk(root / "nowhere");
  EXPECT_TRUE(catalogue.content().empty());
}

INSTANTIATE_TEST_SUITE_P(XmlAndBinary, Catalogue,
                         ::testing::Values(fixtures::PlistForm::xml, fixtures::PlistForm::binary));

// One picture and the address book of a backup lead out of it through a
// link; the scan must not list the picture nor read the outside database.
enum class LinkAt { hashedFile, subfolder, addressBook };

TEST(HostileBackup, LinksAreSkippedWhereverTheyStand) {
  const std::string goodPhoto = "Media/DCIM/100APPLE/IMG_0001.JPG";
  const std::string linkedPhoto = "Media/DCIM/100APPLE/IMG_0002.JPG";
  const std::string linkedName = *backupFileName("CameraRollDomain", linkedPhoto);
  const std::vector<std::uint8_t> picture(60000, 0xAB);
  const struct {
    const char* name;
    IosLayout layout;
    LinkAt link;
  } cases[] = {
      {"flat hashed file, mbdb", IosLayout::ios6, LinkAt::hashedFile},
      {"nested hashed file, Manifest.db", IosLayout::ios17, LinkAt::hashedFile},
      {"two-digit subfolder", IosLayout::ios17, LinkAt::subfolder},
      {"address book", IosLayout::ios17, LinkAt::addressBook},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::Backup backup(c.layout);
    const auto outside = backup.scratch / "outside";
    backup.writer.file("CameraRollDomain", goodPhoto, picture)
        .file("CameraRollDomain", linkedPhoto, picture);
    if (c.link != LinkAt::addressBook) backup.writer.person({.first = "Ann"});
    backup.writer.write();
    IosBackupWriter elsewhere(outside / "elsewhere", c.layout);
    elsewhere.person({.first = "Mallory"}).write();
    const auto target = backup.writer.pathOf(linkedName);
    const auto book = backup.writer.pathOf(fixtures::Store::addressBook);
    switch (c.link) {
      case LinkAt::hashedFile:
        std::filesystem::rename(target, outside / "picture");
        std::filesystem::create_symlink(outside / "picture", target);
        break;
      case LinkAt::subfolder:
        std::filesystem::rename(target.parent_path(), outside / "sub");
        std::filesystem::create_directory_symlink(outside / "sub", target.parent_path());
        break;
      case LinkAt::addressBook:
        std::filesystem::create_directories(book.parent_path());
        std::filesystem::remove(book);
        std::filesystem::create_symlink(elsewhere.pathOf(fixtures::Store::addressBook), book);
        break;
    }
    testing::IosScanBench bench;
    auto scanner = bench.scanner();
    scanner.scanDirAnalyThread(backup.folder);
    scanner.scanPhotoAndVideoThread(backup.folder);
    scanner.scanContactThread(backup.folder);

    // the pictures listed, the contacts read, and whether the pass over large
    // files handed on the picture that may be a link
    std::string seen;
    for (const auto& photo : bench.posted.all<PRPhotoAndVideoNode>("ScanPhotoAndVideo"))
      seen += photo->fileNodeName + " ";
    for (const auto& contact : bench.posted.all<PRContactNode>("ScanContactInfo"))
      seen += contact->contactName + " ";
    for (const auto& path : bench.posted.paths) {
      if (path.find(linkedName) != path.npos) seen += "path of IMG_0002";
    }
    EXPECT_EQ(seen, c.link == LinkAt::addressBook ? "IMG_0001.JPG IMG_0002.JPG path of IMG_0002"
                                                  : "IMG_0001.JPG Ann ");
  }
}

}  // namespace
}  // namespace orvane
