#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "core/blackberry_records.h"

namespace orvane {

// Writes one BlackBerry address-book record as a vCard 3.0 file.
class PRVCFController {
 public:
  // The whole card text; lines end in CR LF, the last ("END:VCARD") not.
  static std::string cardText(const PRBlackBerryContactNode& contact);
  // Writes the card atomically to `path`, replacing a file there; the
  // caller picks a free name. False, with the reason in `error`, when the
  // card could not be written; an empty path writes nothing.
  bool creatFile(const PRBlackBerryContactNode& contact, const std::filesystem::path& path,
                 std::error_code* error = nullptr);

  // A value escaped for a vCard line: backslash, comma, semicolon and line
  // breaks.
  static std::string escapeValue(std::string_view value);

  std::string strContent;
};

}  // namespace orvane
