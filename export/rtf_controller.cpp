#include "export/rtf_controller.h"

#include <array>
#include <utility>

#include "core/safe_names.h"
#include "export/atomic_file.h"

namespace orvane {

namespace {

// The report is first written under this name and then renamed to the
// final name of its file type.
constexpr const char* kIntermediateName = "TXT.txt";

constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kFinalNames{{
    {"Contact", "Contacts.txt"},
    {"Message", "Messages.txt"},
    {"CallHistory", "CallHistory.txt"},
    {"Note", "Notes.txt"},
    {"BookMark", "BookMark.txt"},
    {"Calendar&Reminder", "Calendar&Reminder.txt"},
}};

void setProblem(std::string* problem, std::string text) {
  if (problem != nullptr) *problem = std::move(text);
}

}  // namespace

void PRRtfController::addRtfContent(std::string_view entry) {
  strRtfContent += entry;
  strRtfContent += "\n\n";
}

std::string PRRtfController::finalFileName(std::string_view fileType) {
  for (const auto& [type, name] : kFinalNames) {
    if (type == fileType) return std::string(name);
  }
  return kIntermediateName;
}

bool PRRtfController::writeRtfInPath(const std::filesystem::path& folder, std::string_view fileType,
                                     std::string* problem) {
  setRtfEnder();
  // Neither name may replace a file already in the folder (an MMS
  // attachment can be called "TXT.txt" or "Messages.txt"): both steps take
  // the first free name instead.
  const std::filesystem::path written = uniquePathIn(folder, kIntermediateName);
  if (auto ec = writeFileAtomically(written, strRtfContent, ExistingFile::keep)) {
    setProblem(problem, "could not write " + written.string() + ": " + ec.message());
    return false;
  }
  const std::string finalName = finalFileName(fileType);
  if (finalName == kIntermediateName) return true;
  const std::filesystem::path finalPath = uniquePathIn(folder, finalName);
  if (auto ec = renameWithoutReplacing(written, finalPath)) {
    setProblem(problem, "could not rename " + written.string() + " to " + finalPath.string() +
                            ": " + ec.message());
    return false;
  }
  return true;
}

}  // namespace orvane
