#include "core/safe_names.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/utf8.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

using fixtures::ScratchFolder;
using fixtures::writeFileText;

TEST(MakeSafeFileName, SeparatorsControlsBadBytesAndDotNamesAreReplaced) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      // ordinary names stay as they are
      {"Zo\xC3\xAB \xC3\x9Cnal, Jr.vcf", "Zo\xC3\xAB \xC3\x9Cnal, Jr.vcf"},
      {".hidden", ".hidden"},
      // separators, controls and invalid UTF-8 bytes become underscores
      {"..\\..\\boot.ini", ".._.._boot.ini"},
      {"tab\there\nbell\a", "tab_here_bell_"},
      {"next\xC2\x85line", "next_line"},  // U+0085
      {"caf\xE9.txt", "caf_.txt"},
      {"\xC0\xAF", "__"},  // an overlong "/" stays harmless
      {"cut\xE6\x97", "cut__"},
      // dot names and empty names are replaced
      {".", "_"},
      {".....", "_"},
      {"", "unnamed"},
      // blanks around the name go: a contact name joined new-first ends in one
      {"Smith John ", "Smith John"},
      {"   ", "unnamed"},
  };
  for (const auto& [name, safe] : cases) EXPECT_EQ(makeSafeFileName(name), safe) << name;
  EXPECT_EQ(makeSafeFileName("", ""), "_");
  EXPECT_EQ(makeSafeFileName("", ".."), "_");
}

TEST(MakeSafeFileName, LongNamesAreCutBetweenCharactersKeepingTheExtension) {
  std::string accented;
  for (int i = 0; i < 300; ++i) accented += "\xC3\xA9";  // two bytes each
  const std::string cut = makeSafeFileName("x" + accented + ".vcf");
  EXPECT_LE(cut.size(), 200u);
  EXPECT_GE(cut.size(), 195u);
  EXPECT_TRUE(cut.starts_with("x\xC3\xA9"));
  EXPECT_TRUE(cut.ends_with(".vcf"));
  EXPECT_TRUE(isValidUtf8(cut));

  EXPECT_EQ(makeSafeFileName(std::string(250, 'a')), std::string(200, 'a'));
  // a "suffix" this long is just the end of the name
  EXPECT_EQ(makeSafeFileName("a." + std::string(250, 'b')), "a." + std::string(198, 'b'));
  EXPECT_EQ(makeSafeFileName(std::string(200, 'n')), std::string(200, 'n'));
}

// Whatever the bytes, the result is one usable path component.
TEST(MakeSafeFileName, AnyBytesGiveOneUsableComponent) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 300);
  for (int round = 0; round < 5000; ++round) {
    std::string name(static_cast<std::size_t>(length(random)), '\0');
    for (char& c : name) {
      // plenty of dots and slashes, which random bytes seldom give
      const int b = byte(random);
      c = b < 40 ? '.' : b < 60 ? '/' : static_cast<char>(b);
    }
    const std::string safe = makeSafeFileName(name);
    ASSERT_FALSE(safe.empty());
    ASSERT_NE(safe, ".");
    ASSERT_NE(safe, "..");
    ASSERT_EQ(safe.find('/'), std::string::npos);
    ASSERT_EQ(safe.find('\0'), std::string::npos);
    ASSERT_LE(safe.size(), 200u);
    ASSERT_TRUE(isValidUtf8(safe));
  }
}

// Files, folders and dangling links all count as taken.
TEST(UniquePathIn, NumbersNamesThatAreTaken) {
  ScratchFolder folder;
  EXPECT_EQ(uniquePathIn(folder.path(), "Smith.vcf"), folder / "Smith.vcf");
  for (const char* name : {"Smith.vcf", "Smith (2).vcf", "notes", ".vcf", "archive.tar.gz"}) {
    writeFileText(folder / name, "");
  }
  std::filesystem::create_directory(folder / "Photos");
  std::filesystem::create_symlink(folder / "nowhere", folder / "link.txt");
  const std::pair<const char*, const char*> cases[] = {
      {"Smith.vcf", "Smith (3).vcf"}, {"notes", "notes (2)"},
      {".vcf", ".vcf (2)"},           {"archive.tar.gz", "archive.tar (2).gz"},
      {"Photos", "Photos (2)"},       {"link.txt", "link (2).txt"},
  };
  for (const auto& [name, unique] : cases) {
    EXPECT_EQ(uniquePathIn(folder.path(), name), folder / unique) << name;
  }
}

}  // namespace
}  // namespace orvane
