#include "export/vcf_controller.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "core/base64.h"
#include "export/atomic_file.h"

namespace orvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

void addLine(std::string& card, std::string_view name, std::string_view value) {
  card += name;
  card += value;
  card += kLineEnd;
}

}  // namespace

std::string PRVCFController::escapeValue(std::string_view value) {
  std::string escaped;
  escaped.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case ',':
        escaped += "\\,";
        break;
      case ';':
        escaped += "\\;";
        break;
      case '\r':
        // CR LF is one line break
        if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
        escaped += "\\n";
        break;
      case '\n':
        escaped += "\\n";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string PRVCFController::cardText(const PRBlackBerryContactNode& contact,
                                      std::string* contentProblem) {
  const std::string_view displayName =
      contact.contactName.empty() ? contact.companyName : contact.contactName;
  // The address parts share the third component; the blanks between them
  // are kept even when a part is empty.
  const std::string address = escapeValue(contact.address) + " " + escapeValue(contact.city) + " " +
                              escapeValue(contact.provice) + " " + escapeValue(contact.country) +
                              " " + escapeValue(contact.postZcode);

  std::string card;
  addLine(card, "BEGIN:VCARD", "");
  addLine(card, "VERSION:3.0", "");
  addLine(card, "N:", escapeValue(contact.contactName));
  addLine(card, "FN:", escapeValue(displayName));
  addLine(card, "ORG:", escapeValue(contact.companyName));
  addLine(card, "TITLE:", escapeValue(contact.titleName));
  addLine(card, "EMAIL;INTERNET;EMAIL;PREF:", escapeValue(contact.email));
  addLine(card, "item1.ADR;type=ADR;type=pref:;;", address);
  addLine(card, "TEL;HOME:", escapeValue(contact.homeCall));
  addLine(card, "TEL;WORK:", escapeValue(contact.workCall));
  addLine(card, "TEL;CELL:", escapeValue(contact.mobilCall));
  addLine(card, "item1.URL;type=pref:", escapeValue(contact.webSite));
  addLine(card, "item1.PIN;type=pref:", escapeValue(contact.pinNumber));
  addLine(card, "item1.BIRTHDAY;type=pref:", escapeValue(contact.brithday));
  addLine(card, "item1.NOTE;type=pref:", escapeValue(contact.note));
  // The picture goes out in whatever format the device stored it; the line
  // says JPEG regardless. An empty picture is no picture.
  if (!contact.contactImageData.empty()) {
    std::vector<std::uint8_t> picture;
    std::string problem;
    if (contact.contactImageData.readAll(picture, problem)) {
      addLine(card, "PHOTO;ENCODING=b;TYPE=JPEG:", base64Encode(picture));
    } else if (contentProblem != nullptr) {
      *contentProblem = std::move(problem);
    }
  }
  card += "END:VCARD";
  return card;
}

bool PRVCFController::creatFile(const PRBlackBerryContactNode& contact,
                                const std::filesystem::path& path, std::error_code* error) {
  contentProblem.clear();
  if (path.empty()) return false;
  strContent = cardText(contact, &contentProblem);
  return writeCard(path, error);
}

bool PRVCFController::creatFile(const PRContactNode& contact, const std::filesystem::path& path,
                                std::error_code* error) {
  if (path.empty()) return false;
  strContent = cardText(contact);
  return writeCard(path, error);
}

bool PRVCFController::writeCard(const std::filesystem::path& path, std::error_code* error) {
  const std::error_code ec = writeFileAtomically(path, strContent, ExistingFile::keep);
  if (error != nullptr) *error = ec;
  return !ec;
}

}  // namespace orvane
