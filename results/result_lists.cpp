#include "results/result_lists.h"

#include <array>

namespace orvane {

std::string_view resultListName(ResultList list) {
  static constexpr std::array<std::string_view, kResultListCount> kNames = {
      "photoAndVideoArray", "contactArray",  "messageArray",        "callHistoryArray",
      "noteArray",          "bookMarkArray", "calenderArray",       "faceTwitterArray",
      "bbContactArray",     "bbCallArray",   "bbSMSArray",          "bbMMSArray",
      "bbNoteArray",        "bbCalderArray", "bbContentStoreArray", "bbImageArray",
      "bbAudioArray",       "bbVedioArray",  "bbDocumentArray",     "bbArchiveArray",
  };
  return kNames[static_cast<std::size_t>(list)];
}

}  // namespace orvane
