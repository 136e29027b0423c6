#pragma once

#include <memory>
#include <vector>

#include "core/blackberry_records.h"
#include "core/ios_records.h"

namespace orvane {

// Working lists of one scan, made afresh by each scan start. The worker holds
// its own reference, so a new scan never pulls them from under an old one.
struct PerScanLists {
  // the contact list against which names are looked up by phone number
  std::vector<std::shared_ptr<PRContactNode>> contactArray;
  std::vector<std::shared_ptr<PRContactNode>> contactInfoArray;
  std::vector<std::shared_ptr<PRContactImageNode>> contactImageArray;
  std::vector<std::shared_ptr<PRContactNode>> delContactArray;
  std::vector<std::shared_ptr<DelContactValue>> delContactValueArray;
  std::vector<std::shared_ptr<PRContactNode>> delUnKnowContactArray;
  std::vector<std::shared_ptr<PRMessageNode>> messageArray;
  std::vector<std::shared_ptr<PRChatMessageNode>> chatMessageArray;
  std::vector<std::shared_ptr<PRNoteNode>> noteArray;
  std::vector<std::shared_ptr<PRNoteValueNode>> noteValueArray;
  std::vector<std::shared_ptr<PRBookMarkNode>> bookMarkArray;
  std::vector<std::shared_ptr<PRBlackBerryDataBaseNode>> blackberryDatabaseArray;
};

}  // namespace orvane
