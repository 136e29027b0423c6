#pragma once

#include <cstddef>
#include <string_view>

namespace orvane {

// The twenty record lists of the results model.
enum class ResultList : std::size_t {
  photoAndVideoArray,
  contactArray,
  messageArray,
  callHistoryArray,
  noteArray,
  bookMarkArray,
  calenderArray,
  faceTwitterArray,
  bbContactArray,
  bbCallArray,
  bbSMSArray,
  bbMMSArray,
  bbNoteArray,
  bbCalderArray,
  bbContentStoreArray,
  bbImageArray,
  bbAudioArray,
  bbVedioArray,
  bbDocumentArray,
  bbArchiveArray,
};
inline constexpr std::size_t kResultListCount = 20;

// The tables of the results screen, one per category page.
enum class ResultTable : std::size_t {
  photo,
  contact,
  message,
  note,
  callHistory,
  calender,
  mms,
  bookMark,
  faceTwitter,
  bbImage,
  bbVideo,
  bbAudio,
  bbDocument,
  bbArchive,
};
inline constexpr std::size_t kResultTableCount = 14;

// Which source the screen is browsing; it decides the list behind a table.
enum class BrowseSource { blackBerry, ios, memoryCard };

std::string_view resultListName(ResultList list);

}  // namespace orvane
