#include "core/conversions.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "core/dates.h"
#include "core/utf8.h"

namespace orvane {

namespace {

// The six file-type lists. Order matters: callers keep the position, and
// the duplicates (CDR, DCR) are kept so that later positions do not move.
constexpr std::array<std::string_view, 140> kImageTypes = {
    "3DM", "3DMF", "3DS",  "ABM", "AFX",  "AI",           "ANI",  "ART",  "ARW",  "BLD",  "BLEND",
    "BMP", "BOO",  "BR5",  "CDR", "CDR",  "CDT",          "CGM",  "CIFF", "CLP",  "CMX",  "CONT",
    "CPT", "CR2",  "CRW",  "CUR", "CVX",  "DCM",          "DCR",  "DCR",  "DIB",  "DNG",  "DRW",
    "DS4", "DSC",  "DT2",  "DWF", "DWG",  "EMF",          "EMZ",  "ERF",  "FH8",  "FLC",  "FOV",
    "FPF", "FPX",  "FUJI", "FXG", "GIF",  "HDP",          "HPI",  "ICNS", "ICO",  "IDML", "IFF",
    "IMG", "INX",  "IPX",  "ISD", "ITC2", "IV",           "JP2",  "JPEG", "JPG",  "JPX",  "K25",
    "KDC", "LBM",  "MA",   "MAX", "MB",   "MDI",          "MDL",  "MDX",  "MINO", "MNG",  "MOS",
    "MRW", "MSP",  "NCR",  "NEF", "OBJ",  "ORF",          "PAL",  "PAT",  "PBM",  "PCS",  "PCT",
    "PCX", "PEF",  "PGM",  "PIC", "PICT", "PICTCLIPPING", "PNG",  "PPM",  "PSD",  "PSP",  "PSPIMGE",
    "PTX", "PXN",  "QXD",  "RAF", "RAS",  "RAW",          "RELS", "RGB",  "RLE",  "RTD",  "SCT",
    "SHP", "SKF",  "SKP",  "SR2", "SRF",  "STP",          "SVG",  "SVGZ", "TEX",  "TGA",  "THM",
    "TIF", "TIFF", "VWX",  "WB1", "WBC",  "WBD",          "WBMP", "WBZ",  "WEBP", "WMF",  "WP",
    "WPG", "X3F",  "XBM",  "XCF", "XPM",  "XPS",          "HEIC", "HEIF",
};

constexpr std::array<std::string_view, 55> kVideoTypes = {
    "3G2",   "3GP",   "ANM",      "ASF",    "ASX",    "AVI", "AVS", "CLK", "CPI",       "DIVX",
    "DMSM",  "DREAM", "DVDMEDIA", "DVM",    "DVR-MS", "DXR", "F4V", "FBR", "FLA",       "FLV",
    "HDMOV", "M2P",   "M2TS",     "M4P",    "M4V",    "MKV", "MOD", "MOI", "MOV",       "MP4",
    "MPE",   "MPEG",  "MPG",      "MXF",    "OGM",    "PSH", "QT",  "QTM", "RCPROJECT", "RM",
    "RMVB",  "SCM",   "SMIL",     "SMJPEG", "SRT",    "STX", "SWF", "TIX", "TS",        "VOB",
    "VRO",   "WMV",   "WTV",      "XVID",   "YUV",
};

constexpr std::array<std::string_view, 38> kAudioTypes = {
    "RAM", "RFL",  "RMI",  "RNS", "RPS", "SIB", "SND", "VPM",  "WAV", "WMA",  "AA3",  "AAC", "AC3",
    "AFC", "AIF",  "AIFF", "AM",  "AT3", "AU",  "CAF", "CDA",  "CPF", "DMSA", "DMSE", "DSS", "EMP",
    "EMX", "FLAC", "KPI",  "M3D", "M4A", "M4R", "MID", "MIDI", "MP3", "OGG",  "OMF",  "PTF",
};

constexpr std::array<std::string_view, 33> kArchiveTypes = {
    "7Z",  "ACE", "ALZ",     "ARC",  "ARJ", "BZ",  "Bzip", "CAB", "DBS", "DEB",  "DMG",
    "GZ",  "JAR", "KRYPTER", "LZA",  "LZH", "MSI", "PF",   "PKG", "PUP", "RAR",  "RPM",
    "SEA", "SFX", "SIT",     "SITX", "SOR", "TAR", "TGZ",  "WAR", "ZIP", "ZIPX", "ZOO",
};

constexpr std::array<std::string_view, 10> kEmailTypes = {
    "DBX", "DCI", "EML", "EMLX", "MAIL", "MBX", "MSG", "OEB", "PST", "WAB",
};

constexpr std::array<std::string_view, 99> kDocumentTypes = {
    "123", "12M",  "1ST", "3DA",  "3TF", "3WS",   "ABD",  "ADX",     "AMI",  "APP",  "C",
    "CAS", "CBK",  "CLA", "CLS",  "CLY", "CPP",   "CWK",  "DOC",     "DOCX", "DOT",  "EPS",
    "ETP", "FB2",  "FM3", "FMT",  "GHO", "H",     "INDT", "JOB",     "KEY",  "INDD", "LIT",
    "LOG", "LWP",  "M",   "MCD",  "MDZ", "MM",    "MPT",  "NUMBERS", "ODP",  "ODS",  "ODG",
    "ODF", "ODB",  "ODT", "ONE",  "OTP", "PAGES", "PDF",  "Plist",   "PMD",  "POT",  "POTX",
    "PPS", "PPSX", "PPT", "PPTX", "PRZ", "PS",    "PUB",  "PWI",     "PYC",  "PYD",  "QBB",
    "QDF", "QSD",  "QXP", "RESX", "RTF", "SCPT",  "SDW",  "SDY",     "SIG",  "SLN",  "SUO",
    "SXC", "SXD",  "SXI", "SXW",  "TOC", "TXT",   "VBP",  "VRD",     "VSD",  "VSS",  "VST",
    "WFA", "WK1",  "WK3", "WK4",  "WP6", "WPD",   "WPS",  "WRI",     "XLS",  "XLSX", "XLT",
};

// A std::array of N names must have exactly N non-empty entries: an entry
// forgotten in the initialiser would silently become "".
template <std::size_t N>
constexpr bool allFilled(const std::array<std::string_view, N>& names) {
  for (std::string_view name : names) {
    if (name.empty()) return false;
  }
  return true;
}
static_assert(allFilled(kImageTypes) && allFilled(kVideoTypes) && allFilled(kAudioTypes) &&
              allFilled(kArchiveTypes) && allFilled(kEmailTypes) && allFilled(kDocumentTypes));

constexpr char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
  }
  return true;
}

template <std::size_t N>
int positionIn(const std::array<std::string_view, N>& names, std::string_view extension) {
  if (extension.empty()) return -1;
  for (std::size_t i = 0; i < N; ++i) {
    if (equalIgnoringCase(names[i], extension)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

int FieldConversions::GetImageType(std::string_view extension) {
  return positionIn(kImageTypes, extension);
}
int FieldConversions::GetViedoType(std::string_view extension) {
  return positionIn(kVideoTypes, extension);
}
int FieldConversions::GetAudioType(std::string_view extension) {
  return positionIn(kAudioTypes, extension);
}
int FieldConversions::GetArchiveType(std::string_view extension) {
  return positionIn(kArchiveTypes, extension);
}
int FieldConversions::GetEmailType(std::string_view extension) {
  return positionIn(kEmailTypes, extension);
}
int FieldConversions::GetDocumentType(std::string_view extension) {
  return positionIn(kDocumentTypes, extension);
}

int FieldConversions::getSuffix(std::string_view name, std::string& outsuffix) {
  // an extension longer than this (dot included) is part of the name
  constexpr std::size_t kLongestSuffixWithDot = 20;
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return -1;
  const std::size_t slash = name.rfind('/');
  if (slash != std::string_view::npos && slash > dot) return -1;
  if (name.size() - dot > kLongestSuffixWithDot) return -1;
  outsuffix.assign(name.substr(dot + 1));
  return 1;
}

std::string FieldConversions::getFullName(std::uint64_t number) {
  char text[32];
  std::snprintf(text, sizeof text, "%08llu", static_cast<unsigned long long>(number));
  return text;
}

std::string FieldConversions::size_to_unit(std::uint64_t byteCount) {
  // Sizes are shown as the system always showed them: from the low 32 bits,
  // divided in single precision, so a listed size reads the same everywhere.
  const auto count = static_cast<std::uint32_t>(byteCount & 0xFFFFFFFFu);
  const auto value = static_cast<float>(count);
  char text[32];
  if (count < 1000u) {
    std::snprintf(text, sizeof text, "%.2fB", static_cast<double>(value));
  } else if (count < 1000000u) {
    std::snprintf(text, sizeof text, "%.2fK", static_cast<double>(value / 1000.0f));
  } else if (count < 1000000000u) {
    std::snprintf(text, sizeof text, "%.2fM", static_cast<double>(value / 1000.0f / 1000.0f));
  } else {
    std::snprintf(text, sizeof text, "%.2fG",
                  static_cast<double>(value / 1000.0f / 1000.0f / 1000.0f));
  }
  return text;
}

std::string FieldConversions::GetStringFormChar(std::string_view bytes) {
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  if (!isValidUtf8(text)) return std::string();
  return std::string(text);
}

std::optional<std::string> FieldConversions::GetDateTime(std::int64_t seconds, DateKind kind) {
  return dateText(seconds, kind == DateKind::kNotes ? DateEpoch::kApple2001 : DateEpoch::kGuessed);
}

std::uint8_t FieldConversions::IOSVersionIOS6(const std::optional<std::string>& version) {
  if (!version || version->empty()) return 0;
  const std::string_view text(*version);
  const std::string_view major = text.substr(0, text.find('.'));
  return major == "6" ? 1 : 0;
}

std::string FieldConversions::getCallHistoryDuration(std::uint32_t seconds) {
  const unsigned s = seconds;
  if (s >= 7200) return std::to_string(s / 3600) + " hours";
  if (s >= 3600) return "1 hour";
  if (s >= 120) return std::to_string(s / 60) + " minutes";
  if (s >= 60) return "1 minute";
  if (s <= 1) return std::to_string(s) + " second";
  return std::to_string(s) + " seconds";
}

}  // namespace orvane
