#pragma once

// The report entries of iOS records: one text per record, in the style of
// the BlackBerry entries (each part "Field:value" followed by two blanks).
// The exact texts are listed in ios_entries.cpp.

#include <string>

#include "core/ios_records.h"

namespace orvane {

std::string reportEntry(const PRContactNode& node);
std::string reportEntry(const PRMessageNode& node);
std::string reportEntry(const PRCallHistoryNode& node);
std::string reportEntry(const PRNoteNode& node);
std::string reportEntry(const PRCalenderNode& node);
std::string reportEntry(const PRBookMarkNode& node);

}  // namespace orvane
