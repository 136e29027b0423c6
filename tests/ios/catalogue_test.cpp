#include <gtest/gtest.h>

#include "ios/ios_device_controller.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

using fixtures::IosBackupWriter;
using fixtures::IosLayout;
using fixtures::PlistForm;

TEST(DeviceType, KeysAreSearchedInOrderWithoutRegardToCase) {
  const auto type = [](const char* product) {
    return PRIOSDeviceController::GetDevcieType(std::string_view(product)).value_or("<none>");
  };
  // later identifiers are matched whole; unknown ones are shown as they are
  for (const auto& [product, expected] : std::vector<std::pair<const char*, const char*>>{
           {"iPhone3,1", "Iphone 4"},
           {"iPhone5,2", "Iphone 5"},
           {"IPHONE4,1", "Iphone 4S"},
           {"iPad3,4", "NewIpad"},
           {"iPod4,1", "IpodTouch4G"},
           {"iPhone14,2", "iPhone 13 Pro"},
           {"iPad7,1", "iPad Pro (12.9-inch) (2nd generation)"},
           {"iPad7,11", "iPad (7th generation)"},
           {"iPad2,5", "iPad mini"},
           {"iPhone99,1", "iPhone99,1"},
           {"AppleTV2,1", "AppleTV2,1"},
           {"", "Iphone"}}) {
    EXPECT_EQ(type(product), expected) << product;
  }
  EXPECT_EQ(PRIOSDeviceController::GetDevcieType(std::nullopt), "Iphone");
}

TEST(BackupTime, UtcTextIsCutToTheMinuteInLocalTime) {
  setenv("TZ", "UTC", 1);
  tzset();
  // 2013-01-02 03:04:05 UTC
  EXPECT_EQ(PRIOSDeviceController::backUpTimeText(1357095845, {10, 8, 0}), "2013-01-02 03:04");
  // systems before 10.7 show the UTC text without its zone
  EXPECT_EQ(PRIOSDeviceController::backUpTimeText(1357095845, {10, 6, 8}), "2013-01-02 03:04:05");
  EXPECT_EQ(PRIOSDeviceController::convertCurrentTimeZone2("nonsense"), std::nullopt);
}

class Catalogue : public ::testing::TestWithParam<PlistForm> {};

TEST_P(Catalogue, InfoPlistEntryCarriesEveryField) {
  fixtures::ScratchFolder root;
  IosBackupWriter backup(root / "aaaa", IosLayout::ios6);
  backup.plistForm(GetParam()).info("Device Name", "Ann’s iPhone").info("Product Type", "iPad2,1");
  backup.write();

  PRIOSDeviceController catalogue;
  catalogue.showIphoneDisk(root.path());
  ASSERT_EQ(catalogue.content().size(), 1u);
  const auto& node = *catalogue.content()[0];
  const std::string size = std::to_string(std::filesystem::file_size(root / "aaaa" / "Info.plist"));
  // the backup time is cut to the minute: YYYY-MM-DD HH:MM
  EXPECT_EQ(testing::row(node.deviceImage, node.itunesVersion, node.strDeviceSize,
                         node.strDeviceBackUpTime.size(), node.describe()),
            "ipad|10.7|" + size + "|16|Ann’s iPhone\tIpad 2\t6.1.3\tC39TESTSERIAL\t" +
                node.strDeviceBackUpTime + "\t" + (root / "aaaa").string());
}

TEST_P(Catalogue, ManifestPlistAloneGivesAnEntryWithoutSize) {
  fixtures::ScratchFolder root;
  IosBackupWriter backup(root / "bbbb", IosLayout::ios17);
  backup.plistForm(GetParam())
      .withoutInfoPlist()
      .lockdown("DeviceName", "Bob")
      .lockdown("ProductType", "iPad3,4");
  backup.write();

  PRIOSDeviceController catalogue;
  catalogue.addDeviceNodeByPath(root / "bbbb");
  ASSERT_EQ(catalogue.content().size(), 1u);
  const auto& node = *catalogue.content()[0];
  EXPECT_EQ(testing::row(node.describe().substr(0, 31), node.itunesVersion, node.strDeviceSize),
            "Bob\tNewIpad\t16.1\tC39TESTSERIAL\t|10B329|");
}

INSTANTIATE_TEST_SUITE_P(XmlAndBinary, Catalogue,
                         ::testing::Values(PlistForm::xml, PlistForm::binary));

}  // namespace
}  // namespace orvane
