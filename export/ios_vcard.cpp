// The vCard 3.0 of an iOS contact.
//
// Lines, in this order, each ended by CR LF except the last; values are
// escaped as RFC 2426 asks (backslash, comma, semicolon, line breaks) and
// never folded:
//
//   BEGIN:VCARD
//   VERSION:3.0
//   N:<name>                            always (the card needs it)
//   FN:<name, else company>             always (the card needs it)
//   ORG:<company>                       when not empty
//   TITLE:<job title>                   when not empty
//   TEL:<number>                        one per phone number
//   EMAIL;TYPE=INTERNET:<address>       one per e-mail address
//   URL:<address>                       one per home page
//   ADR;TYPE=<label>:;;<street>;<city>;<state>;<zip>;<country>
//                                       one per address kept in parts
//   ADR:;;<address>;;;;                 else when not empty, see below
//   BDAY:<YYYY-MM-DD>                   when the birthday reads as a date
//   NOTE:<note>                         when not empty, see below
//   PHOTO;ENCODING=b;TYPE=<type>:<b64>  when there is a picture
//   END:VCARD
//
// Name, company and job title lose the blanks at their ends that the joins
// of the address book leave. The name stays whole in the first component
// of N: which of its words is the family name cannot be told any more.
//
// An address kept in parts (iOS 5 on) has them in their fields; TYPE is
// the address book's own label ("_$!<Home>!$_" gives HOME), left out for a
// label the user wrote.
//
// Older addresses keep blanks inside their values ("1 Main St") and their joins
// cannot be told from them, so the whole address text goes into the street
// part of one ADR line rather than being cut into words.
//
// A birthday that is neither an ISO date nor the address book's seconds
// count is not lost: it goes to the end of NOTE, on a line of its own, as
// "Birthday: <text as stored>".
//
// The picture goes out as stored; TYPE says PNG or GIF when its first bytes
// say so, JPEG otherwise (what the address book keeps).

#include "export/ios_vcard.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "core/base64.h"
#include "export/vcf_controller.h"

namespace orvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Past this many seconds from 2001 no birthday lies (about 3,000 years):
// keeps the date arithmetic far from overflow.
constexpr std::int64_t kLongestBirthdayOffsetSeconds = 100'000'000'000;
constexpr std::int64_t kSecondsPerDay = 86'400;

// A number that reaches this many digits is complete: a new piece that
// starts with a digit then starts the next number.
constexpr int kFullNumberDigits = 10;
// Two pieces of at least this many digits each are two numbers.
constexpr int kShortestWholeNumberDigits = 7;

void addLine(std::string& card, std::string_view name, std::string_view value) {
  card += name;
  card += value;
  card += kLineEnd;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) {
  return text.find_first_not_of("0123456789") == std::string_view::npos;
}

int digitCount(std::string_view text) {
  int count = 0;
  for (char c : text) count += isDigit(c) ? 1 : 0;
  return count;
}

bool startsNewNumber(int digitsSoFar, std::string_view piece) {
  if (piece.front() == '+') return true;  // an international prefix
  if (digitsSoFar >= kFullNumberDigits && isDigit(piece.front())) return true;
  if (digitsSoFar >= kShortestWholeNumberDigits) {
    if (piece.front() == '(') return true;  // an area code
    if (digitCount(piece) >= kShortestWholeNumberDigits) return true;
  }
  return false;
}

std::string formatDate(const std::chrono::year_month_day& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

bool usableYear(const std::chrono::year_month_day& date) {
  return date.ok() && static_cast<int>(date.year()) >= 1 && static_cast<int>(date.year()) <= 9999;
}

// "YYYY-MM-DD", then the end or a time ("T..." or " ...").
std::optional<std::string> isoDate(std::string_view text) {
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
    if (!isDigit(text[i])) return std::nullopt;
  }
  if (text.size() > 10 && text[10] != 'T' && text[10] != ' ') return std::nullopt;
  const auto number = [&](std::size_t at, std::size_t length) {
    int value = 0;
    for (std::size_t i = at; i < at + length; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  const std::chrono::year_month_day date{std::chrono::year{number(0, 4)},
                                         std::chrono::month{static_cast<unsigned>(number(5, 2))},
                                         std::chrono::day{static_cast<unsigned>(number(8, 2))}};
  if (!usableYear(date)) return std::nullopt;
  return formatDate(date);
}

// Seconds since 2001-01-01 UTC, with an optional sign and fraction.
std::optional<std::string> secondsSince2001Date(std::string_view text) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  std::string_view fraction;
  if (const std::size_t dot = digits.find('.'); dot != std::string_view::npos) {
    fraction = digits.substr(dot + 1);
    digits = digits.substr(0, dot);
  }
  if (digits.empty() || !allDigits(digits) || !allDigits(fraction)) {
    return std::nullopt;
  }
  std::int64_t whole = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), whole);
  if (error != std::errc() || end != digits.data() + digits.size() ||
      whole > kLongestBirthdayOffsetSeconds) {
    return std::nullopt;
  }
  const bool hasFraction = fraction.find_first_not_of('0') != std::string_view::npos;
  // the date is that of the second the value falls in, also before 2001
  const std::int64_t seconds = negative ? -whole - (hasFraction ? 1 : 0) : whole;
  std::int64_t dayCount = seconds / kSecondsPerDay;
  if (seconds % kSecondsPerDay < 0) --dayCount;
  using std::chrono::days;
  using std::chrono::sys_days;
  const sys_days epoch{std::chrono::year{2001} / std::chrono::January / 1};
  const std::chrono::year_month_day date{epoch + days{dayCount}};
  if (!usableYear(date)) return std::nullopt;
  return formatDate(date);
}

// "_$!<Home>!$_" -> "HOME"; empty for a label of the user's own.
std::string labelType(std::string_view label) {
  constexpr std::string_view kOpen = "_$!<";
  constexpr std::string_view kClose = ">!$_";
  if (label.size() <= kOpen.size() + kClose.size() || label.substr(0, kOpen.size()) != kOpen ||
      label.substr(label.size() - kClose.size()) != kClose) {
    return {};
  }
  std::string type(label.substr(kOpen.size(), label.size() - kOpen.size() - kClose.size()));
  for (char& c : type) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 32);
    else if (!(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9'))
      return {};
  }
  return type;
}

std::string_view pictureType(const Bytes& picture) {
  const auto startsWith = [&](std::string_view signature) {
    if (picture.size() < signature.size()) return false;
    for (std::size_t i = 0; i < signature.size(); ++i) {
      if (picture[i] != static_cast<unsigned char>(signature[i])) return false;
    }
    return true;
  };
  if (startsWith("\x89PNG")) return "PNG";
  if (startsWith("GIF8")) return "GIF";
  return "JPEG";
}

}  // namespace

std::string_view trimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> splitBlankSeparated(std::string_view list) {
  std::vector<std::string> values;
  while (!list.empty()) {
    const std::size_t blank = list.find(' ');
    const std::string_view value = list.substr(0, blank);
    if (!value.empty()) values.emplace_back(value);
    if (blank == std::string_view::npos) break;
    list.remove_prefix(blank + 1);
  }
  return values;
}

std::vector<std::string> splitPhoneNumbers(std::string_view list) {
  std::vector<std::string> numbers;
  int digitsSoFar = 0;
  for (const std::string& piece : splitBlankSeparated(list)) {
    if (numbers.empty() || startsNewNumber(digitsSoFar, piece)) {
      numbers.push_back(piece);
      digitsSoFar = 0;
    } else {
      numbers.back() += ' ';
      numbers.back() += piece;
    }
    digitsSoFar += digitCount(piece);
  }
  return numbers;
}

std::optional<std::string> birthdayAsIsoDate(std::string_view stored) {
  const std::string_view text = trimBlanks(stored);
  if (auto date = isoDate(text)) return date;
  return secondsSince2001Date(text);
}

std::string iosContactDisplayName(const PRContactNode& contact) {
  const std::string_view name = trimBlanks(contact.contactName);
  return std::string(name.empty() ? trimBlanks(contact.contactCompany) : name);
}

std::string PRVCFController::cardText(const PRContactNode& contact) {
  const auto escaped = [](std::string_view value) { return escapeValue(value); };
  const std::optional<std::string> birthday = birthdayAsIsoDate(contact.contactBirthday);
  std::string note = contact.contactNote;
  if (const std::string_view storedBirthday = trimBlanks(contact.contactBirthday);
      !birthday && !storedBirthday.empty()) {
    if (!note.empty()) note += '\n';
    note += "Birthday: ";
    note += storedBirthday;
  }
  const std::string_view company = trimBlanks(contact.contactCompany);
  const std::string_view jobTitle = trimBlanks(contact.contactJobtitle);
  const std::string_view address = trimBlanks(contact.contactAdress);

  std::string card;
  addLine(card, "BEGIN:VCARD", "");
  addLine(card, "VERSION:3.0", "");
  addLine(card, "N:", escaped(trimBlanks(contact.contactName)));
  addLine(card, "FN:", escaped(iosContactDisplayName(contact)));
  if (!company.empty()) addLine(card, "ORG:", escaped(company));
  if (!jobTitle.empty()) addLine(card, "TITLE:", escaped(jobTitle));
  for (const std::string& number : splitPhoneNumbers(contact.contactPhone)) {
    addLine(card, "TEL:", escaped(number));
  }
  for (const std::string& email : splitBlankSeparated(contact.contactEmail)) {
    addLine(card, "EMAIL;TYPE=INTERNET:", escaped(email));
  }
  for (const std::string& page : splitBlankSeparated(contact.contactHomepage)) {
    addLine(card, "URL:", escaped(page));
  }
  for (const PRPostalAddress& parts : contact.postalAddresses) {
    std::string name = "ADR";
    if (const auto type = labelType(parts.label); !type.empty()) name += ";TYPE=" + type;
    addLine(card, name + ":;;",
            escaped(parts.street) + ";" + escaped(parts.city) + ";" + escaped(parts.state) + ";" +
                escaped(parts.zip) + ";" + escaped(parts.country));
  }
  if (contact.postalAddresses.empty() && !address.empty())
    addLine(card, "ADR:;;", escaped(address) + ";;;;");
  if (birthday) addLine(card, "BDAY:", *birthday);
  if (!note.empty()) addLine(card, "NOTE:", escaped(note));
  if (contact.imageData && !contact.imageData->empty()) {
    addLine(card, "PHOTO;ENCODING=b;TYPE=" + std::string(pictureType(*contact.imageData)) + ":",
            base64Encode(*contact.imageData));
  }
  card += "END:VCARD";
  return card;
}

}  // namespace orvane
