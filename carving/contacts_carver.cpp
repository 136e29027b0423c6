// Deleted people of the address book, joined with their phone numbers,
// e-mail addresses and web pages.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <string_view>

#include "carving/carved_table.h"
#include "carving/carver_run.h"
#include "core/event_names.h"
#include "ios/backup_file_name.h"

namespace orvane::carving {

namespace {

using namespace std::string_view_literals;

// FirstSortSection .. PersonLink: one-letter sections and sort language 0,
// or no sections and the language index 2147483647 of unsorted names.
const std::vector<Anchor> kPersonAnchors = {
    {"\x0f\x0f\x08\x08\x01"sv, "FirstSortSection"},
    {"\x00\x00\x04\x04\x01"sv, "FirstSortSection"},
    {"\x00\x00\x04\x04\x00"sv, "FirstSortSection"},
    {"\x00\x00\x04\x04\x13"sv, "FirstSortSection"},
};

// record_id, property, identifier, label; record_id 1 is stored as the
// serial type 09 in the current file format.
const std::vector<Anchor> kValueAnchors = {
    {"\x01\x01\x08\x09"sv, "record_id"}, {"\x01\x01\x09\x01"sv, "record_id"},
    {"\x09\x01\x08\x09"sv, "record_id"}, {"\x01\x01\x01\x01"sv, "record_id"},
    {"\x01\x01\x08\x01"sv, "record_id"}, {"\x02\x01\x08\x01"sv, "record_id"},
    {"\x02\x01\x09\x01"sv, "record_id"}, {"\x02\x01\x08\x09"sv, "record_id"},
    {"\x02\x01\x01\x01"sv, "record_id"}, {"\x01\x09\x08\x09"sv, "record_id"},
    {"\xff\xd8\xff\xe0"sv, "record_id"}, {"\x09\x01\x09\x01"sv, "record_id"},
    {"\x09\x01\x08\x01"sv, "record_id"}, {"\x09\x01\x01\x01"sv, "record_id"},
    {"\x09\x01\x01\x09"sv, "record_id"},
};

constexpr std::int64_t kPhone = 3;
constexpr std::int64_t kEmail = 4;
constexpr std::int64_t kAddress = 5;
constexpr std::int64_t kHomePage = 22;

struct MultiValue {
  std::int64_t property = 0;
  std::string value;
  std::optional<std::int64_t> uid{};  // when the cell kept its key
  std::uint64_t foundAt = 0;
};

// The multi-values of one person in the order they were added: by key
// when every cell kept one, else by place (pages fill from their end, so
// within a page the earlier value lies further back).
void sortValues(std::vector<MultiValue>& values, std::uint64_t pageSize) {
  const bool keyed = std::all_of(values.begin(), values.end(),
                                 [](const MultiValue& value) { return value.uid.has_value(); });
  std::stable_sort(values.begin(), values.end(), [&](const MultiValue& a, const MultiValue& b) {
    if (keyed) return *a.uid < *b.uid;
    const auto pageA = a.foundAt / pageSize;
    const auto pageB = b.foundAt / pageSize;
    return pageA != pageB ? pageA < pageB : a.foundAt > b.foundAt;
  });
}

bool hasText(const CarvedRow& row, std::string_view column) {
  return !row.text(column).value_or("").empty();
}

// Every joined field starts from the empty text and gains " value", as the
// live address book reading builds it.
void appendWithSpace(std::string& field, const std::string& value) {
  field += ' ';
  field += value;
}

std::shared_ptr<PRContactNode> personOf(const CarvedRow& row) {
  auto contact = std::make_shared<PRContactNode>();
  contact->contactName = row.text("First").value_or("");
  contact->contactCompany = row.text("Department").value_or("");
  if (auto jobTitle = row.text("JobTitle")) {
    appendWithSpace(contact->contactCompany, *jobTitle);
    contact->contactJobtitle = std::move(*jobTitle);
  }
  if (auto organization = row.text("Organization"))
    appendWithSpace(contact->contactCompany, *organization);
  if (auto middle = row.text("Middle")) appendWithSpace(contact->contactName, *middle);
  if (auto last = row.text("Last")) appendWithSpace(contact->contactName, *last);
  if (auto note = row.text("Note")) contact->contactNote = std::move(*note);
  if (auto birthday = row.text("Birthday")) contact->contactBirthday = std::move(*birthday);
  return contact;
}

void addValues(PRContactNode& contact, const std::vector<MultiValue>& values) {
  for (const MultiValue& value : values) {
    if (value.value.empty()) continue;
    switch (value.property) {
      case kPhone:
        appendWithSpace(contact.contactPhone, value.value);
        break;
      case kEmail:
        appendWithSpace(contact.contactEmail, value.value);
        break;
      case kHomePage:
        appendWithSpace(contact.contactHomepage, value.value);
        break;
      case kAddress:
        appendWithSpace(contact.contactAdress, value.value);
        break;
      default:
        break;
    }
  }
}

bool equalIgnoringCase(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

std::optional<std::string> getNextSubStringInString(std::string_view pageText,
                                                    std::string_view name) {
  if (name.empty() || pageText.size() < 2 || name.size() >= pageText.size()) return std::nullopt;
  const std::string_view searched = pageText.substr(0, pageText.size() - 1);
  std::size_t from = 0;
  while (from < searched.size()) {
    const auto match = std::search(searched.begin() + static_cast<std::ptrdiff_t>(from),
                                   searched.end(), name.begin(), name.end(), equalIgnoringCase);
    if (match == searched.end()) return std::nullopt;
    std::size_t at = static_cast<std::size_t>(match - pageText.begin()) + name.size();
    std::string candidate;
    while (at < pageText.size()) {
      candidate.push_back(pageText[at]);
      if (pageText[at] == ' ' || at + 1 == pageText.size()) break;
      ++at;
    }
    if (!candidate.empty() && candidate.size() <= 20) return candidate;
    from = at + 1;
  }
  return std::nullopt;
}

void scanDelContactThread(CarverRun& run) {
  auto copy = run.privateCopy({backup_names::kAddressBook});
  if (!copy) {
    std::fprintf(stderr, "contactDB is not exist\n");
    return;
  }
  const TableLayout people = layoutOf(*copy, "ABPerson");
  const TableLayout values = layoutOf(*copy, "ABMultiValue");

  std::set<std::int64_t> livePeople;
  forEachRow(copy->db(), "select ROWID from ABPerson",
             [&](sqlite3_stmt* row) { livePeople.insert(sqlite3_column_int64(row, 0)); });

  sqlite3_stmt* liveValues = nullptr;
  if (copy->db() != nullptr) {
    sqlite3_prepare_v2(copy->db(),
                       "select property, value from ABMultiValue where record_id = ? order by UID",
                       -1, &liveValues, nullptr);
  }
  // A person still in the table is joined with its own multi-values and
  // posted at once; the others wait for the walk's end, when every carved
  // multi-value of an owner no longer there is known.
  std::map<std::int64_t, std::vector<MultiValue>> orphanValues;
  SeenRows seenValues;
  SeenRows seenPeople;
  std::vector<CarvedRow> held;
  const auto postLive = [&](const CarvedRow& row, std::int64_t rowid) {
    auto contact = personOf(row);
    contact->rowid = static_cast<std::int32_t>(rowid);
    std::vector<MultiValue> live;
    sqlite3_reset(liveValues);
    sqlite3_bind_int64(liveValues, 1, rowid);
    while (liveValues != nullptr && sqlite3_step(liveValues) == SQLITE_ROW) {
      live.push_back({sqlite3_column_int64(liveValues, 0), cellText(liveValues, 1)});
    }
    addValues(*contact, live);
    run.post(events::ScanDelContactInfo, std::move(contact));
  };
  TableSearch valueSearch{&values, kValueAnchors, {}};
  valueSearch.plausible = [](const CarvedRow& row) {
    return row.decimal("record_id").value_or(0) > 0 && row.decimal("property").value_or(0) > 0;
  };
  TableSearch personSearch{&people, kPersonAnchors, {}};
  personSearch.plausible = [](const CarvedRow& row) {
    return hasText(row, "First") || hasText(row, "Last") || hasText(row, "Organization");
  };
  const bool going =
      carveTables(*copy,
                  {{valueSearch,
                    [&](CarvedRow row) {
                      const auto owner = row.decimal("record_id").value_or(0);
                      if (livePeople.count(owner) != 0 || !seenValues.firstTime(row)) return;
                      orphanValues[owner].push_back({row.decimal("property").value_or(0),
                                                     row.text("value").value_or(""), row.rowid(),
                                                     row.foundAt()});
                    }},
                   {personSearch,
                    [&](CarvedRow row) {
                      if (!seenPeople.firstTime(row)) return;
                      if (row.rowid() && livePeople.count(*row.rowid()) != 0) {
                        postLive(row, *row.rowid());
                      } else {
                        held.push_back(std::move(row));
                      }
                    }}},
                  run.ctx());
  sqlite3_finalize(liveValues);
  if (!going) return;

  const auto header = readDatabaseHeader(copy->mainBytes());
  const std::uint64_t pageSize = header ? header->pageSize : 4096;
  for (auto& [owner, list] : orphanValues) sortValues(list, pageSize);

  std::set<std::int64_t> claimed;
  std::vector<CarvedRow> waiting;
  for (CarvedRow& row : held) {
    if (!row.rowid()) {
      waiting.push_back(std::move(row));
      continue;
    }
    auto contact = personOf(row);
    contact->rowid = static_cast<std::int32_t>(*row.rowid());
    claimed.insert(*row.rowid());
    if (const auto found = orphanValues.find(*row.rowid()); found != orphanValues.end()) {
      addValues(*contact, found->second);
    }
    run.post(events::ScanDelContactInfo, std::move(contact));
  }

  // Within a page cells are laid from its end towards its start, so the
  // earlier rowid lies further back; pages follow in the order they were
  // added.
  std::stable_sort(waiting.begin(), waiting.end(), [&](const CarvedRow& a, const CarvedRow& b) {
    const auto pageA = a.foundAt() / pageSize;
    const auto pageB = b.foundAt() / pageSize;
    return pageA != pageB ? pageA < pageB : a.foundAt() > b.foundAt();
  });
  std::vector<std::int64_t> owners;
  for (const auto& [owner, unused] : orphanValues) {
    if (claimed.count(owner) == 0) owners.push_back(owner);
  }

  std::string lastPage;
  if (header && header->pageCount > 1) {
    const auto& file = copy->mainBytes();
    const std::size_t at = static_cast<std::size_t>((header->pageCount - 1) * pageSize);
    lastPage.reserve(pageSize);
    for (std::size_t i = at; i < at + pageSize; ++i) {
      lastPage.push_back(file[i] >= 0x20 && file[i] <= 0x7E ? static_cast<char>(file[i]) : '.');
    }
  }
  for (std::size_t i = 0; i < waiting.size(); ++i) {
    auto contact = personOf(waiting[i]);
    if (i < owners.size()) {
      contact->rowid = static_cast<std::int32_t>(owners[i]);
      addValues(*contact, orphanValues[owners[i]]);
    }
    if (contact->contactPhone.size() < 3) {
      std::string name = contact->contactName;
      std::erase(name, ' ');
      if (auto guess = getNextSubStringInString(lastPage, name)) contact->contactPhone = *guess;
    }
    run.post(events::ScanDelContactInfo, std::move(contact));
  }
  run.progress(75);
}

}  // namespace orvane::carving
