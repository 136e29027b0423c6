#pragma once

// How a device backup names the files it holds: the SHA-1 digest of
// "domain-path", as 40 lowercase hexadecimal digits.

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The 40-digit name of the backup file for `devicePath` in `domain`;
// nothing when the digest could not be computed (after the log line).
std::optional<std::string> backupFileName(std::string_view domain, std::string_view devicePath);

// "Domain-path" of a database the readers know, by its hashed name: its
// write-ahead log is the backup file named by the same text and "-wal".
std::optional<std::string> knownDomainPathOf(std::string_view hashedName);

// The hashed name of a "Domain-path" text.
std::optional<std::string> hashedNameOf(std::string_view domainAndPath);

// The hashed names of the databases the live steps read.
namespace backup_names {
inline constexpr const char* kAddressBook = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";
inline constexpr const char* kAddressBookImages = "cd6702cea29fe89cf280a76794405adb17f9a0ee";
inline constexpr const char* kAddressBookImagesOld =
    "cd6702cea29fe89cf280a76794405adb17f9a0ee.mddata";
inline constexpr const char* kMessages = "3d0d7e5fb2ce288813306e4d4636395e047a3d28";
inline constexpr const char* kCallHistory = "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca";
inline constexpr const char* kCallHistorySecond = "ff1324e6b949111b2fb449ecddb50c89c3699a78";
// HomeDomain-Library/CallHistoryDB/CallHistory.storedata (iOS 8 on)
inline constexpr const char* kCallHistoryStore = "5a4935c78a5255723f707230a451d79c540d2741";
// AppDomainGroup-group.com.apple.notes-NoteStore.sqlite (iOS 9 on)
inline constexpr const char* kNoteStore = "4f98687d8ab0d6d1a371110e6b7300f6e465bef2";
inline constexpr const char* kNotes = "ca3bc056d4da0bbf88b5fb3be254f3b7147e639c";
inline constexpr const char* kNotesSecond = "740b7eaf93d6ea5d305e88bb349c8e9643f48c3b";
inline constexpr const char* kBookmarks = "d1f062e2da26192a6625d968274bfda8d07821e4";
inline constexpr const char* kBookmarksSecond = "04cc352fd9943f7c0c3f0781d4834fa137775761";
inline constexpr const char* kSafariHistory = "1d6740792a2b845f4c1e6220c43906d7f0afe8ab";
inline constexpr const char* kCalendar = "2041457d5fe04d39d0ab481178355df6781e6858";
}  // namespace backup_names

}  // namespace orvane
