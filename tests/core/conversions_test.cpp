#include "core/conversions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace orvane {
namespace {

using C = FieldConversions;

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Every entry answers the position of its first occurrence, in any case; the
// duplicates keep the positions after them where callers expect them.
void expectList(int (*lookup)(std::string_view), const std::string& listed, std::size_t count) {
  const auto names = words(listed);
  ASSERT_EQ(names.size(), count);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto first = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
      return lower(n) == lower(names[i]);
    });
    const int expected = static_cast<int>(first - names.begin());
    EXPECT_EQ(lookup(names[i]), expected) << names[i];
    EXPECT_EQ(lookup(lower(names[i])), expected) << names[i];
  }
}

TEST(FileTypeLists, EveryEntryAtItsPosition) {
  expectList(
      C::GetImageType,
      "3DM 3DMF 3DS ABM AFX AI ANI ART ARW BLD BLEND BMP BOO BR5 CDR CDR CDT CGM CIFF CLP "
      "CMX CONT CPT CR2 CRW CUR CVX DCM DCR DCR DIB DNG DRW DS4 DSC DT2 DWF DWG EMF EMZ ERF "
      "FH8 FLC FOV FPF FPX FUJI FXG GIF HDP HPI ICNS ICO IDML IFF IMG INX IPX ISD ITC2 IV "
      "JP2 JPEG JPG JPX K25 KDC LBM MA MAX MB MDI MDL MDX MINO MNG MOS MRW MSP NCR NEF OBJ "
      "ORF PAL PAT PBM PCS PCT PCX PEF PGM PIC PICT PICTCLIPPING PNG PPM PSD PSP PSPIMGE PTX "
      "PXN QXD RAF RAS RAW RELS RGB RLE RTD SCT SHP SKF SKP SR2 SRF STP SVG SVGZ TEX TGA THM "
      "TIF TIFF VWX WB1 WBC WBD WBMP WBZ WEBP WMF WP WPG X3F XBM XCF XPM XPS",
      138);
  expectList(C::GetViedoType,
             "3G2 3GP ANM ASF ASX AVI AVS CLK CPI DIVX DMSM DREAM DVDMEDIA DVM DVR-MS DXR F4V FBR "
             "FLA FLV HDMOV M2P M2TS M4P M4V MKV MOD MOI MOV MP4 MPE MPEG MPG MXF OGM PSH QT QTM "
             "RCPROJECT RM RMVB SCM SMIL SMJPEG SRT STX SWF TIX TS VOB VRO WMV WTV XVID YUV",
             55);
  expectList(C::GetAudioType,
             "RAM RFL RMI RNS RPS SIB SND VPM WAV WMA AA3 AAC AC3 AFC AIF AIFF AM AT3 AU CAF CDA "
             "CPF DMSA DMSE DSS EMP EMX FLAC KPI M3D M4A M4R MID MIDI MP3 OGG OMF PTF",
             38);
  expectList(C::GetArchiveType,
             "7Z ACE ALZ ARC ARJ BZ Bzip CAB DBS DEB DMG GZ JAR KRYPTER LZA LZH MSI PF PKG PUP RAR "
             "RPM SEA SFX SIT SITX SOR TAR TGZ WAR ZIP ZIPX ZOO",
             33);
  expectList(C::GetEmailType, "DBX DCI EML EMLX MAIL MBX MSG OEB PST WAB", 10);
  expectList(
      C::GetDocumentType,
      "123 12M 1ST 3DA 3TF 3WS ABD ADX AMI APP C CAS CBK CLA CLS CLY CPP CWK DOC DOCX DOT "
      "EPS ETP FB2 FM3 FMT GHO H INDT JOB KEY INDD LIT LOG LWP M MCD MDZ MM MPT NUMBERS ODP "
      "ODS ODG ODF ODB ODT ONE OTP PAGES PDF Plist PMD POT POTX PPS PPSX PPT PPTX PRZ PS PUB "
      "PWI PYC PYD QBB QDF QSD QXP RESX RTF SCPT SDW SDY SIG SLN SUO SXC SXD SXI SXW TOC TXT "
      "VBP VRD VSD VSS VST WFA WK1 WK3 WK4 WP6 WPD WPS WRI XLS XLSX XLT",
      99);
}

TEST(FileTypeLists, CaseAndMisses) {
  EXPECT_EQ(C::GetImageType("jpg"), C::GetImageType("JPG"));
  EXPECT_EQ(C::GetImageType("Jpg"), 63);
  EXPECT_EQ(C::GetImageType("3dm"), 0);  // position 0 is a hit
  EXPECT_EQ(C::GetImageType("CDT"), 16);
  EXPECT_EQ(C::GetArchiveType("BZIP"), 6);
  EXPECT_EQ(C::GetDocumentType("PLIST"), 51);
  EXPECT_EQ(C::GetImageType(""), -1);
  EXPECT_EQ(C::GetImageType("MOV"), -1);
  EXPECT_EQ(C::GetImageType("jp"), -1);
  EXPECT_EQ(C::GetImageType("jpg "), -1);
  EXPECT_EQ(C::GetImageType(".jpg"), -1);
  EXPECT_EQ(C::GetDocumentType(std::string_view("TXT\0", 4)), -1);
}

TEST(GetSuffix, TextAfterTheLastDot) {
  std::string suffix = "untouched";
  EXPECT_EQ(C::getSuffix("photo.JPG", suffix), 1);
  EXPECT_EQ(suffix, "JPG");
  EXPECT_EQ(C::getSuffix("/store/dir.d/archive.tar.gz", suffix), 1);
  EXPECT_EQ(suffix, "gz");
  EXPECT_EQ(C::getSuffix("trailing.", suffix), 1);
  EXPECT_EQ(suffix, "");
  // 19 characters after the dot: 20 with it
  EXPECT_EQ(C::getSuffix("a.abcdefghijklmnopqrs", suffix), 1);
  EXPECT_EQ(suffix, "abcdefghijklmnopqrs");
}

TEST(GetSuffix, NoExtensionLeavesTheOutputAlone) {
  std::string suffix = "untouched";
  EXPECT_EQ(C::getSuffix("noext", suffix), -1);
  EXPECT_EQ(C::getSuffix("/a.b/file", suffix), -1);
  EXPECT_EQ(C::getSuffix("x.averyveryverylongextension", suffix), -1);
  EXPECT_EQ(C::getSuffix("a.abcdefghijklmnopqrst", suffix), -1);  // 21 with the dot
  EXPECT_EQ(C::getSuffix("", suffix), -1);
  EXPECT_EQ(suffix, "untouched");
}

TEST(GetFullName, PadsToEightDigits) {
  EXPECT_EQ(C::getFullName(0), "00000000");
  EXPECT_EQ(C::getFullName(1), "00000001");
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
  EXPECT_EQ(C::size_to_unit(12500000), "12.50M");
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
  EXPECT_EQ(C::getCallHistoryDuration(7300), "2 hours");
  EXPECT_EQ(C::getCallHistoryDuration(4294967295u), "1193046 hours");
}

}  // namespace
}  // namespace orvane
