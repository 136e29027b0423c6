#include "core/conversions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace orvane {
namespace {

using C = FieldConversions;

// Callers only ask whether an extension is listed; the positions show in
// addition that no entry before the last one was lost or added, and that a
// name listed twice answers its first place without moving the ones after.
TEST(FileTypeLists, FirstLastDuplicatesAndCommonTypesInAnyCase) {
  struct Case {
    int (*lookup)(std::string_view);
    const char* extension;
    int position;
  };
  const Case cases[] = {
      {C::GetImageType, "3dm", 0},       {C::GetImageType, "CDR", 14},
      {C::GetImageType, "CDT", 16},      {C::GetImageType, "DCR", 28},
      {C::GetImageType, "DIB", 30},      {C::GetImageType, "Jpg", 63},
      {C::GetImageType, "png", 94},      {C::GetImageType, "XPS", 137},
      {C::GetViedoType, "3G2", 0},       {C::GetViedoType, "mov", 28},
      {C::GetViedoType, "MP4", 29},      {C::GetViedoType, "YUV", 54},
      {C::GetAudioType, "RAM", 0},       {C::GetAudioType, "wav", 8},
      {C::GetAudioType, "M4A", 30},      {C::GetAudioType, "MP3", 34},
      {C::GetAudioType, "PTF", 37},      {C::GetArchiveType, "7Z", 0},
      {C::GetArchiveType, "BZIP", 6},    {C::GetArchiveType, "zip", 30},
      {C::GetArchiveType, "ZOO", 32},    {C::GetEmailType, "DBX", 0},
      {C::GetEmailType, "wab", 9},       {C::GetDocumentType, "123", 0},
      {C::GetDocumentType, "DOC", 18},   {C::GetDocumentType, "pdf", 50},
      {C::GetDocumentType, "PLIST", 51}, {C::GetDocumentType, "TXT", 82},
      {C::GetDocumentType, "XLT", 98},
  };
  for (const Case& c : cases) EXPECT_EQ(c.lookup(c.extension), c.position) << c.extension;

  EXPECT_EQ(C::GetImageType(""), -1);
  EXPECT_EQ(C::GetImageType("MOV"), -1);
  EXPECT_EQ(C::GetImageType("jp"), -1);
  EXPECT_EQ(C::GetImageType("jpg "), -1);
  EXPECT_EQ(C::GetImageType(".jpg"), -1);
  EXPECT_EQ(C::GetDocumentType(std::string_view("TXT\0", 4)), -1);
}

// The extension after the last dot, up to 20 characters with the dot; no
// dot, a "/" after it, or a longer extension leave the output alone.
TEST(GetSuffix, TextAfterTheLastDotOrTheOutputLeftAlone) {
  const std::pair<const char*, const char*> cases[] = {
      {"photo.JPG", "JPG"},
      {"/store/dir.d/archive.tar.gz", "gz"},
      {"trailing.", ""},
      {"a.abcdefghijklmnopqrs", "abcdefghijklmnopqrs"},
      {"a.abcdefghijklmnopqrst", nullptr},
      {"noext", nullptr},
      {"/a.b/file", nullptr},
      {"", nullptr},
  };
  for (const auto& [name, expected] : cases) {
    std::string suffix = "untouched";
    EXPECT_EQ(C::getSuffix(name, suffix), expected != nullptr ? 1 : -1) << name;
    EXPECT_EQ(suffix, expected != nullptr ? expected : "untouched") << name;
  }
}

TEST(GetFullName, PadsToEightDigits) {
  EXPECT_EQ(C::getFullName(0), "00000000");
  EXPECT_EQ(C::getFullName(12345678), "12345678");
  EXPECT_EQ(C::getFullName(123456789), "123456789");
  EXPECT_EQ(C::getFullName(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
}

TEST(SizeToUnit, StepsOfAThousand) {
  EXPECT_EQ(C::size_to_unit(0), "0.00B");
  EXPECT_EQ(C::size_to_unit(999), "999.00B");
  EXPECT_EQ(C::size_to_unit(1000), "1.00K");
  EXPECT_EQ(C::size_to_unit(1536), "1.54K");
  EXPECT_EQ(C::size_to_unit(999999), "1000.00K");
  EXPECT_EQ(C::size_to_unit(1000000), "1.00M");
  EXPECT_EQ(C::size_to_unit(1000000000), "1.00G");
  EXPECT_EQ(C::size_to_unit(4294967295u), "4.29G");
}

TEST(SizeToUnit, SinglePrecisionAndLow32Bits) {
  // 1.065 in single precision lies just above the half, in double just below
  EXPECT_EQ(C::size_to_unit(1065), "1.07K");
  EXPECT_EQ(C::size_to_unit(std::uint64_t{1} << 32), "0.00B");
  EXPECT_EQ(C::size_to_unit((std::uint64_t{5} << 32) + 1536), "1.54K");
}

TEST(GetStringFormChar, ValidUtf8UpToTheFirstNul) {
  EXPECT_EQ(C::GetStringFormChar("plain"), "plain");
  EXPECT_EQ(C::GetStringFormChar(std::string_view("ab\0cd", 5)), "ab");
  EXPECT_EQ(C::GetStringFormChar(""), "");
  EXPECT_EQ(C::GetStringFormChar("Gr\xC3\xBC\xC3\x9F"
                                 "e \xE6\x97\xA5 \xF0\x9F\x98\x80"),
            "Gr\xC3\xBC\xC3\x9F"
            "e \xE6\x97\xA5 \xF0\x9F\x98\x80");
  EXPECT_EQ(C::GetStringFormChar("\xF4\x8F\xBF\xBF"), "\xF4\x8F\xBF\xBF");  // U+10FFFF
  // invalid bytes after the NUL do not count
  EXPECT_EQ(C::GetStringFormChar(std::string_view("ok\0\xFF", 4)), "ok");
}

TEST(GetStringFormChar, AnyInvalidSequenceEmptiesTheWholeText) {
  for (const char* bad : {
           "caf\xE9",           // Latin-1
           "\xC3",              // cut short
           "\xC0\xAF",          // overlong "/"
           "\xE0\x80\xAF",      // overlong, three bytes
           "\xF0\x80\x80\xAF",  // overlong, four bytes
           "\xED\xA0\x80",      // surrogate U+D800
           "\xF4\x90\x80\x80",  // past U+10FFFF
           "\xF5\x80\x80\x80",  // lead byte never used
           "ab\x80"
           "cd",        // stray continuation byte
           "\xE6\x97",  // three-byte sequence cut short
       }) {
    EXPECT_EQ(C::GetStringFormChar(bad), "") << bad;
  }
}

TEST(CallHistoryDuration, WordsForEachRange) {
  EXPECT_EQ(C::getCallHistoryDuration(0), "0 second");
  EXPECT_EQ(C::getCallHistoryDuration(1), "1 second");
  EXPECT_EQ(C::getCallHistoryDuration(2), "2 seconds");
  EXPECT_EQ(C::getCallHistoryDuration(59), "59 seconds");
  EXPECT_EQ(C::getCallHistoryDuration(60), "1 minute");
  EXPECT_EQ(C::getCallHistoryDuration(119), "1 minute");
  EXPECT_EQ(C::getCallHistoryDuration(120), "2 minutes");
  EXPECT_EQ(C::getCallHistoryDuration(3599), "59 minutes");
  EXPECT_EQ(C::getCallHistoryDuration(3600), "1 hour");
  EXPECT_EQ(C::getCallHistoryDuration(7199), "1 hour");
  EXPECT_EQ(C::getCallHistoryDuration(7200), "2 hours");
  EXPECT_EQ(C::getCallHistoryDuration(4294967295u), "1193046 hours");
}

}  // namespace
}  // namespace orvane
