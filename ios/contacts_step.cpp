// The address book: people, their pictures and their multi-valued fields.

#include <cstdio>
#include <unordered_map>
#include <utility>

#include "core/event_names.h"
#include "ios/backup_file_name.h"
#include "ios/ios_backup_scanner.h"
#include "ios/sqlite_access.h"

namespace orvane {

namespace {

constexpr const char* kFullSizeImages = "select record_id, data from ABFullSizeImage";
constexpr const char* kOlderImages = "select record_id, data from ABImage";
constexpr const char* kPeople =
    "select DISTINCT Rowid, first, Department,DisplayName,firstPhonetic,jobTitle,organization,"
    "middle,middlePhonetic,CreationDate,Last,Note,Nickname,prefix, suffix, Birthday from abperson ";
constexpr const char* kMultiValues =
    "select property,label,value, UID from abmultivalue where record_id = ? ";
// the parts of an address (iOS 5 on), whose multi-value has no value
constexpr const char* kAddressParts =
    "select ABMultiValueEntryKey.value, ABMultiValueEntry.value from ABMultiValueEntry join "
    "ABMultiValueEntryKey on ABMultiValueEntry.key = ABMultiValueEntryKey.ROWID where "
    "ABMultiValueEntry.parent_id = ?";
constexpr const char* kLabel = "select value from ABMultiValueLabel where ROWID = ?";

// kinds of abmultivalue.property
constexpr std::int64_t kPhone = 3;
constexpr std::int64_t kEmail = 4;
constexpr std::int64_t kAddress = 5;
constexpr std::int64_t kHomePage = 22;

// "%@ %@": every joined field starts from the empty text, so it begins
// with one space.
void appendWithSpace(std::string& field, const std::string& value) {
  field += ' ';
  field += value;
}

// The parts of one address, by their keys; CountryCode is not shown.
PRPostalAddress addressOfParts(SqliteStatement& parts, std::int64_t multiValue) {
  PRPostalAddress address;
  parts.reset();
  parts.bindInt64(1, multiValue);
  while (parts.step()) {
    const auto key = parts.text(0);
    auto value = parts.text(1);
    if (!key || !value) continue;
    if (*key == "Street")
      address.street = std::move(*value);
    else if (*key == "City")
      address.city = std::move(*value);
    else if (*key == "State")
      address.state = std::move(*value);
    else if (*key == "ZIP")
      address.zip = std::move(*value);
    else if (*key == "Country")
      address.country = std::move(*value);
  }
  return address;
}

std::int32_t rowNumber(std::int64_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFF));
}

}  // namespace

void PRIOSBackupScanner::scanContactThread(const std::filesystem::path& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return;
  const auto addressBook = locateBackupFile(folder, backup_names::kAddressBook);
  if (!addressBook) {
    std::fprintf(stderr, "contactDB is not exist\n");
    return;
  }
  const auto readable = commitDB(*addressBook);

  // Pictures: the full-size table of current backups, else the older file.
  {
    const auto current = locateBackupFile(folder, backup_names::kAddressBookImages);
    const auto older =
        current ? std::nullopt : locateBackupFile(folder, backup_names::kAddressBookImagesOld);
    const auto pictures = current ? commitDB(*current) : older ? commitDB(*older) : std::nullopt;
    if (pictures) {
      if (auto db = SqliteDatabase::openReadOnly(*pictures)) {
        SqliteStatement rows(*db, current ? kFullSizeImages : kOlderImages);
        while (!ctx_.stopRequested() && rows.step()) {
          auto image = std::make_shared<PRContactImageNode>();
          image->rowid = rowNumber(rows.decimal(0).value_or(0));
          const auto bytes = rows.blob(1);
          image->imageData = Bytes(bytes.begin(), bytes.end());
          ctx_.lists.contactImageArray.push_back(std::move(image));
        }
      }
    }
  }

  std::optional<SqliteDatabase> db;
  if (readable) db = SqliteDatabase::openReadOnly(*readable);
  if (db) {
    const SqliteReadTransaction reading(*db);
    SqliteStatement people(*db, kPeople);
    const std::size_t firstNew = ctx_.lists.contactArray.size();
    while (!ctx_.stopRequested() && people.step()) {
      auto contact = std::make_shared<PRContactNode>();
      if (const auto rowid = people.decimal(0); rowid && *rowid != 0) {
        contact->rowid = rowNumber(*rowid);
      }
      if (auto first = people.text(1)) contact->contactName = std::move(*first);
      if (auto department = people.text(2)) contact->contactCompany = std::move(*department);
      if (auto jobTitle = people.text(5)) {
        appendWithSpace(contact->contactCompany, *jobTitle);
        // kept apart as well, so that it can be shown on its own
        contact->contactJobtitle = std::move(*jobTitle);
      }
      if (auto organization = people.text(6))
        appendWithSpace(contact->contactCompany, *organization);
      if (auto middle = people.text(7)) appendWithSpace(contact->contactName, *middle);
      if (auto last = people.text(10)) appendWithSpace(contact->contactName, *last);
      if (auto note = people.text(11)) contact->contactNote = std::move(*note);
      if (auto birthday = people.text(15)) contact->contactBirthday = std::move(*birthday);
      ctx_.lists.contactArray.push_back(std::move(contact));
    }

    // the last picture row of a person wins
    std::unordered_map<std::int32_t, const PRContactImageNode*> pictureOf;
    for (const auto& image : ctx_.lists.contactImageArray) pictureOf[image->rowid] = image.get();

    SqliteStatement values(*db, kMultiValues);
    SqliteStatement addressParts(*db, kAddressParts);
    SqliteStatement labels(*db, kLabel);
    for (std::size_t i = firstNew; i < ctx_.lists.contactArray.size(); ++i) {
      const auto contact = ctx_.lists.contactArray[i];
      if (const auto it = pictureOf.find(contact->rowid); it != pictureOf.end()) {
        contact->imageData = it->second->imageData;
      }
      if (values.prepared()) {
        values.reset();
        values.bindInt64(1, contact->rowid);
        while (!ctx_.stopRequested() && values.step()) {
          const auto value = values.text(2);
          const auto property = values.decimal(0).value_or(0);
          if (!value && property == kAddress && addressParts.prepared()) {
            auto address = addressOfParts(addressParts, values.decimal(3).value_or(0));
            if (const auto label = values.decimal(1); label && labels.prepared()) {
              labels.reset();
              labels.bindInt64(1, *label);
              if (labels.step()) address.label = labels.text(0).value_or("");
            }
            bool anyPart = false;
            for (const std::string* part :
                 {&address.street, &address.city, &address.state, &address.zip, &address.country}) {
              if (part->empty()) continue;
              appendWithSpace(contact->contactAdress, *part);
              anyPart = true;
            }
            // an address without parts is nothing to show or to export
            if (anyPart) contact->postalAddresses.push_back(std::move(address));
            continue;
          }
          if (!value) continue;
          switch (property) {
            case kPhone:
              appendWithSpace(contact->contactPhone, *value);
              break;
            case kEmail:
              appendWithSpace(contact->contactEmail, *value);
              break;
            case kHomePage:
              appendWithSpace(contact->contactHomepage, *value);
              break;
            case kAddress:
              appendWithSpace(contact->contactAdress, *value);
              break;
            default:
              break;
          }
        }
      }
      post(events::ScanContactInfo, contact);
    }
  }
  postProgress(40);
}

}  // namespace orvane
