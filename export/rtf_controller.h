#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orvane {

// Collects one entry per exported record of a category and writes them as a
// plain UTF-8 text file (despite the name: no RTF, no escaping). Each entry
// is followed by an empty line.
class PRRtfController {
 public:
  PRRtfController() { setRtfHeader(); }

  void setRtfHeader() { strRtfContent.clear(); }
  void addRtfContent(std::string_view entry);
  void setRtfEnder() {}
  // Writes "TXT.txt" into `folder` atomically, then renames it to the final
  // name of `fileType` ("Contact" -> "Contacts.txt", ...). Nothing in the
  // folder is replaced: when a name is taken the first free "name (2).txt"
  // is used. False, with the reason in `problem`, when the text could not
  // be written or renamed.
  bool writeRtfInPath(const std::filesystem::path& folder, std::string_view fileType,
                      std::string* problem = nullptr);

  // "Contacts.txt" for "Contact" and so on; "TXT.txt" for other types.
  static std::string finalFileName(std::string_view fileType);

  std::string strRtfContent;
};

}  // namespace orvane
