#pragma once

// The names of the scan events. Spellings are the system's own and are
// relied on by every poster and subscriber.

namespace orvane::events {

inline constexpr const char* ScanProgressInfo = "ScanProgressInfo";
inline constexpr const char* ScanPhotoAndVideo = "ScanPhotoAndVideo";
inline constexpr const char* ScanPhotoAndVideoInfo = "ScanPhotoAndVideoInfo";
inline constexpr const char* ScanContactInfo = "ScanContactInfo";
inline constexpr const char* ScanMessageInfo = "ScanMessageInfo";
inline constexpr const char* ScanCallHistoryInfo = "ScanCallHistoryInfo";
inline constexpr const char* ScanNoteInfo = "ScanNoteInfo";
inline constexpr const char* scanBookMarkInfo = "scanBookMarkInfo";
inline constexpr const char* scanCalenderInfo = "scanCalenderInfo";
inline constexpr const char* scanFaceTwitterInfo = "scanFaceTwitterInfo";
inline constexpr const char* ScanDelContactInfo = "ScanDelContactInfo";
inline constexpr const char* ScanDelMessageInfo = "ScanDelMessageInfo";
inline constexpr const char* ScanDelNoteInfo = "ScanDelNoteInfo";
inline constexpr const char* ScanDelCallHistoryInfo = "ScanDelCallHistoryInfo";
inline constexpr const char* scanDelBookMarkInfo = "scanDelBookMarkInfo";
inline constexpr const char* scanDelCalenderInfo = "scanDelCalenderInfo";
inline constexpr const char* BlacBerryContactInfo = "BlacBerryContactInfo";
inline constexpr const char* BlacBerryCallLogInfo = "BlacBerryCallLogInfo";
inline constexpr const char* BlackBerrySMSMessageInfo = "BlackBerrySMSMessageInfo";
inline constexpr const char* BlackBerryMMSMessageInfo = "BlackBerryMMSMessageInfo";
inline constexpr const char* BlackBerryNoteInfo = "BlackBerryNoteInfo";
inline constexpr const char* BlackBerryCalenderInfo = "BlackBerryCalenderInfo";
inline constexpr const char* BlackBerryContentStoreInfo = "BlackBerryContentStoreInfo";
inline constexpr const char* BlackBerryRawRecoveryFileInfo = "BlackBerryRawRecoveryFileInfo";
inline constexpr const char* BlackBerryRawRecoveryProgress = "BlackBerryRawRecoveryProgress";

// Posted by the hover buttons of the desktop app, with the button as object.
inline constexpr const char* PRbuttonMouseEntered = "PRbuttonMouseEntered";
inline constexpr const char* PRbuttonMouseExited = "PRbuttonMouseExited";

}  // namespace orvane::events
