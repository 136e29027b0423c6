#pragma once

// Small conversions that the scanners, the results model and the raw scan
// share. They need no controller state; the application controller inherits
// them so that they are reachable under its name as well.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Which epoch a stored timestamp counts from.
enum class DateKind : std::uint8_t {
  kMessages = 0,  // seconds since 1970, or since 2001 when read as before 1990
  kNotes = 1,     // seconds since 2001-01-01
};

struct FieldConversions {
  // Position of the extension (without its dot) in the file-type list,
  // compared without regard to case; -1 when it is not listed or empty.
  static int GetImageType(std::string_view extension);
  static int GetViedoType(std::string_view extension);
  static int GetAudioType(std::string_view extension);
  static int GetArchiveType(std::string_view extension);
  static int GetEmailType(std::string_view extension);
  static int GetDocumentType(std::string_view extension);

  // The text after the last "." of a name or path: 1 and the extension, or
  // -1 (outsuffix untouched) when there is no ".", the last "/" comes after
  // it, or the extension with its dot is longer than 20 characters.
  static int getSuffix(std::string_view name, std::string& outsuffix);

  // Decimal text left-padded with "0" to 8 characters ("00000001").
  static std::string getFullName(std::uint64_t number);

  // "999.00B", "1.54K", "12.50M", "1.00G": steps of 1000, two decimals.
  // Only the low 32 bits of the byte count take part.
  static std::string size_to_unit(std::uint64_t byteCount);

  // A database text: the bytes up to the first NUL, when they are valid
  // UTF-8 as a whole; otherwise the empty text.
  static std::string GetStringFormChar(std::string_view bytes);

  // "MM-DD-YYYY HH:MM" in local time; nothing for values of 0 or less.
  static std::optional<std::string> GetDateTime(std::int64_t seconds, DateKind kind);
  static std::optional<std::string> GetNSStringDate(std::int64_t seconds, DateKind kind) {
    return GetDateTime(seconds, kind);
  }

  // 1 exactly when the first "."-separated part of a backup's system
  // version is "6".
  static std::uint8_t IOSVersionIOS6(const std::optional<std::string>& version);

  // "59 seconds", "1 minute", "2 hours", ...
  static std::string getCallHistoryDuration(std::uint32_t seconds);
};

}  // namespace orvane
