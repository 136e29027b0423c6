#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "core/blackberry_records.h"
#include "core/ios_records.h"

namespace orvane {

// Writes one address-book record, BlackBerry or iOS, as a vCard 3.0 file.
class PRVCFController {
 public:
  // The whole card text; lines end in CR LF, the last ("END:VCARD") not.
  // A picture that cannot be read from the backup is left out, and
  // `contentProblem` (when given) says why.
  static std::string cardText(const PRBlackBerryContactNode& contact,
                              std::string* contentProblem = nullptr);
  // The iOS card (its lines are described in ios_vcard.cpp).
  static std::string cardText(const PRContactNode& contact);
  // Writes the card atomically to `path`; a file already there is never
  // replaced (the write fails with `file_exists`): the caller picks a free
  // name. False, with the reason in `error`, when the
  // card could not be written; an empty path writes nothing.
  bool creatFile(const PRBlackBerryContactNode& contact, const std::filesystem::path& path,
                 std::error_code* error = nullptr);
  bool creatFile(const PRContactNode& contact, const std::filesystem::path& path,
                 std::error_code* error = nullptr);

  // A value escaped for a vCard line: backslash, comma, semicolon and line
  // breaks.
  static std::string escapeValue(std::string_view value);

  std::string strContent;
  // Why the last BlackBerry card was written without its picture; empty
  // when nothing was left out.
  std::string contentProblem;

 private:
  bool writeCard(const std::filesystem::path& path, std::error_code* error);
};

}  // namespace orvane
