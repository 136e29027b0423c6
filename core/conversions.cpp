#include "core/conversions.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "core/utf8.h"

namespace orvane {

namespace {

// The six file-type lists. Order matters: callers keep the position, and
// the duplicates (CDR, DCR) are kept so that later positions do not move.
constexpr std::array<std::string_view, 138> kImageTypes = {
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
    "WPG", "X3F",  "XBM",  "XCF", "XPM",  "XPS",
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

// Values counted from 2001-01-01 are this many seconds after 1970-01-01.
constexpr std::int64_t kSecondsFrom1970To2001 = 978307200;

// The fields a date text shows, in local time.
struct LocalFields {
  std::int64_t year;
  int month;  // 1..12
  int day;
  int hour;
  int minute;
};

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor) {
  const std::int64_t quotient = value / divisor;
  return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

// Days between 1970-01-01 and a date of the proleptic Gregorian calendar,
// the calendar localtime_r counts in.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = floorDiv(year, 400);
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

LocalFields fieldsOfLocalSeconds(std::int64_t local) {
  const std::int64_t days = floorDiv(local, 86400);
  const std::int64_t secondOfDay = local - days * 86400;
  const std::int64_t shifted = days + 719468;
  const std::int64_t era = floorDiv(shifted, 146097);
  const std::int64_t dayOfEra = shifted - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 is March
  const auto month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  return LocalFields{
      .year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0),
      .month = month,
      .day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1),
      .hour = static_cast<int>(secondOfDay / 3600),
      .minute = static_cast<int>(secondOfDay % 3600 / 60),
  };
}

std::optional<std::tm> systemBreakdown(std::int64_t seconds) {
  if (seconds > std::numeric_limits<std::time_t>::max() ||
      seconds < std::numeric_limits<std::time_t>::min()) {
    return std::nullopt;
  }
  const auto when = static_cast<std::time_t>(seconds);
  std::tm parts{};
  // fails when the year does not fit the broken-down form
  if (::localtime_r(&when, &parts) == nullptr) return std::nullopt;
  return parts;
}

// What the local clock reads minus the seconds since 1970, from the
// system's own breakdown; nothing for a leap second (":60"), which no shift
// reproduces.
std::optional<std::int64_t> shiftOf(std::int64_t seconds, const std::tm& parts) {
  if (parts.tm_sec >= 60) return std::nullopt;
  const std::int64_t local =
      daysFromCivil(std::int64_t{parts.tm_year} + 1900, parts.tm_mon + 1, parts.tm_mday) * 86400 +
      parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec;
  return local - seconds;
}

// Scans format one date per record, and records come in time order: the
// system breakdown (a lock and a walk of the zone's rules each time) is
// asked twice per hour of UTC, at its first and last second. When both
// answers are the same shift from UTC, no change of offset (summer time,
// a zone's new rules, a leap second) falls inside that hour, for no zone
// changes its offset twice within an hour; every second of the hour is then
// that shift away from UTC. Otherwise each second of the hour is asked for.
// The zone is that of TZ: a changed TZ empties the memory and is applied.
class LocalHourMemo {
 public:
  std::optional<LocalFields> fields(std::int64_t seconds) {
    followZone();
    // far beyond any date shown, the system is asked directly
    constexpr std::int64_t kRemembered = std::int64_t{1} << 40;
    if (seconds > -kRemembered && seconds < kRemembered) {
      const std::int64_t hour = floorDiv(seconds, 3600);
      if (!hour_ || *hour_ != hour) learnHour(hour);
      if (shift_) return fieldsOfLocalSeconds(seconds + *shift_);
    }
    const auto parts = systemBreakdown(seconds);
    if (!parts) return std::nullopt;
    return LocalFields{.year = std::int64_t{parts->tm_year} + 1900,
                       .month = parts->tm_mon + 1,
                       .day = parts->tm_mday,
                       .hour = parts->tm_hour,
                       .minute = parts->tm_min};
  }

 private:
  void followZone() {
    const char* zone = std::getenv("TZ");
    const bool same = zone == nullptr ? !zoneSet_ : zoneSet_ && zone_ == zone;
    if (same && known_) return;
    zoneSet_ = zone != nullptr;
    zone_ = zone != nullptr ? zone : "";
    known_ = true;
    hour_.reset();
    // localtime_r reads TZ only once; a changed TZ applies from here on
    ::tzset();
  }

  void learnHour(std::int64_t hour) {
    hour_ = hour;
    shift_.reset();
    const std::int64_t first = hour * 3600;
    const std::int64_t last = first + 3599;
    const auto atFirst = systemBreakdown(first);
    const auto atLast = systemBreakdown(last);
    if (!atFirst || !atLast) return;
    const auto shiftFirst = shiftOf(first, *atFirst);
    const auto shiftLast = shiftOf(last, *atLast);
    if (shiftFirst && shiftLast && *shiftFirst == *shiftLast) shift_ = shiftFirst;
  }

  bool known_ = false;
  bool zoneSet_ = false;
  std::string zone_;
  std::optional<std::int64_t> hour_;   // hours since 1970 of the hour learnt
  std::optional<std::int64_t> shift_;  // its one shift, if it has one
};

std::optional<LocalFields> localFields(std::int64_t seconds) {
  thread_local LocalHourMemo memo;
  return memo.fields(seconds);
}

void putDigits(char* at, std::int64_t value, int count) {
  for (int i = count - 1; i >= 0; --i) {
    at[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
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
  if (seconds <= 0) return std::nullopt;
  // Both additions below stay far from the limit of 64 bits.
  if (seconds > std::numeric_limits<std::int64_t>::max() - kSecondsFrom1970To2001) {
    return std::nullopt;
  }

  std::int64_t since1970 = seconds;
  if (kind == DateKind::kNotes) {
    since1970 += kSecondsFrom1970To2001;
  } else {
    // Message and call databases store either epoch; a date before 1990 can
    // only be a value that counts from 2001. No zone is two days from UTC,
    // so only values near the start of 1990 need their local year.
    constexpr std::int64_t kFirstOf1990 = 631152000;
    constexpr std::int64_t kTwoDays = 2 * 86400;
    bool before1990 = seconds < kFirstOf1990 - kTwoDays;
    if (seconds >= kFirstOf1990 - kTwoDays && seconds <= kFirstOf1990 + kTwoDays) {
      const auto asIf1970 = localFields(seconds);
      if (!asIf1970) return std::nullopt;
      before1990 = asIf1970->year < 1990;
    }
    if (before1990) since1970 += kSecondsFrom1970To2001;
  }

  const auto parts = localFields(since1970);
  // the date text has room for a four-digit year only; seconds after 1970
  // are never before 1969 in any zone
  if (!parts || parts->year > 9999 || parts->year < 0) return std::nullopt;
  // "MM-DD-YYYY HH:MM"
  std::string text(16, '-');
  putDigits(&text[0], parts->month, 2);
  putDigits(&text[3], parts->day, 2);
  putDigits(&text[6], parts->year, 4);
  text[10] = ' ';
  putDigits(&text[11], parts->hour, 2);
  text[13] = ':';
  putDigits(&text[14], parts->minute, 2);
  return text;
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
