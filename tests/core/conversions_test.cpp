#include "core/conversions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace orvane {
namespace {

using C = FieldConversions;

// Callers only ask whether an extension is listed, in any letter case, and
// each asks its own list.
TEST(FileTypeLists, ListedExtensionsInAnyCaseAndNothingElse) {
  struct Case {
    int (*lookup)(std::string_view);
    const char* extension;
    bool listed;
  };
  const Case cases[] = {
      {C::GetImageType, "3dm", true},    {C::GetImageType, "Jpg", true},
      {C::GetViedoType, "MP4", true},    {C::GetAudioType, "ram", true},
      {C::GetArchiveType, "7Z", true},   {C::GetEmailType, "DBX", true},
      {C::GetDocumentType, "XLT", true}, {C::GetImageType, "", false},
      {C::GetImageType, "MOV", false},   {C::GetImageType, "jp", false},
      {C::GetImageType, "jpg ", false},  {C::GetImageType, ".jpg", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.lookup(c.extension) >= 0, c.listed) << c.extension;
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

// Steps of a thousand from the low 32 bits, rounded in single precision
// (1.065 lies just above the half there, in double just below).
TEST(SizeToUnit, StepsOfAThousandFromTheLow32Bits) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0.00B"},
      {999, "999.00B"},
      {1536, "1.54K"},
      {999999, "1000.00K"},
      {1000000, "1.00M"},
      {4294967295u, "4.29G"},
      {1065, "1.07K"},
      {std::uint64_t{1} << 32, "0.00B"},
      {(std::uint64_t{5} << 32) + 1536, "1.54K"},
  };
  for (const auto& [size, text] : cases) EXPECT_EQ(C::size_to_unit(size), text) << size;
}

// Valid UTF-8 up to the first NUL; any invalid sequence before it empties
// the whole text.
TEST(GetStringFormChar, ValidUtf8UpToTheFirstNulElseNothing) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"plain", "plain"},
      {std::string_view("ab\0cd", 5), "ab"},
      {"", ""},
      {"Gr\xC3\xBC\xC3\x9F"
       "e \xE6\x97\xA5 \xF0\x9F\x98\x80",
       "Gr\xC3\xBC\xC3\x9F"
       "e \xE6\x97\xA5 \xF0\x9F\x98\x80"},
      {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},  // U+10FFFF
      {std::string_view("ok\0\xFF", 4), "ok"},   // invalid bytes after the NUL do not count
      {"caf\xE9", ""},                           // Latin-1
      {"\xC3", ""},                              // cut short
      {"\xC0\xAF", ""},                          // overlong "/"
      {"\xE0\x80\xAF", ""},                      // overlong, three bytes
      {"\xF0\x80\x80\xAF", ""},                  // overlong, four bytes
      {"\xED\xA0\x80", ""},                      // surrogate U+D800
      {"\xF4\x90\x80\x80", ""},                  // past U+10FFFF
      {"\xF5\x80\x80\x80", ""},                  // lead byte never used
      {"ab\x80"
       "cd",
       ""},              // stray continuation byte
      {"\xE6\x97", ""},  // three-byte sequence cut short
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(C::GetStringFormChar(bytes), text) << bytes;
}

TEST(CallHistoryDuration, WordsForEachRange) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, "0 second"},   {1, "1 second"},    {59, "59 seconds"},
      {119, "1 minute"}, {120, "2 minutes"}, {3599, "59 minutes"},
      {7199, "1 hour"},  {7200, "2 hours"},  {4294967295u, "1193046 hours"},
  };
  for (const auto& [seconds, text] : cases) {
    EXPECT_EQ(C::getCallHistoryDuration(seconds), text) << seconds;
  }
}

}  // namespace
}  // namespace orvane
