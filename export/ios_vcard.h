#pragma once

// Pieces of the iOS contact card. The address book joins every phone,
// e-mail, home page and address of a person into one text, each value
// preceded by a blank; a card wants one line per value again.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ios_records.h"

namespace orvane {

// The text without blanks at either end (the joins leave a leading one).
std::string_view trimBlanks(std::string_view text);

// The values of a blank-joined list whose values never hold a blank
// themselves (e-mail addresses, web addresses).
std::vector<std::string> splitBlankSeparated(std::string_view list);

// The numbers of a blank-joined phone list. Numbers are often stored as
// shown, with blanks inside ("+1 (555) 123-4567"), so the pieces between
// blanks are grouped back into numbers rather than taken one by one.
std::vector<std::string> splitPhoneNumbers(std::string_view list);

// The birthday as an ISO date "YYYY-MM-DD" when it can be read as one: an
// ISO date (a time after it is dropped) or the address book's own form,
// seconds since 2001-01-01 00:00 UTC (the UTC date is the birthday).
// Nothing for any other text.
std::optional<std::string> birthdayAsIsoDate(std::string_view stored);

// The name a contact's card and file go by: the name, else the company,
// without the blanks at either end; empty when the contact has neither.
std::string iosContactDisplayName(const PRContactNode& contact);

}  // namespace orvane
