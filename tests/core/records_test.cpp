#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/blackberry_records.h"
#include "core/ios_records.h"
#include "core/scan_list_node.h"

namespace orvane {
namespace {

// Every field a record shows, as text, in visiting order.
class FieldDump : public FieldVisitor {
 public:
  void text(std::string_view name, std::string_view value) override {
    add(name, "text:" + std::string(value));
  }
  void optionalText(std::string_view name, const std::optional<std::string>& value) override {
    add(name, value ? "text:" + *value : "missing");
  }
  void number(std::string_view name, std::int64_t value) override {
    add(name, "number:" + std::to_string(value));
  }
  void unsignedNumber(std::string_view name, std::uint64_t value) override {
    add(name, "number:" + std::to_string(value));
  }
  void bytes(std::string_view name, std::optional<ByteView> value) override {
    add(name, value ? "bytes:" + std::to_string(value->size()) : "none");
  }
  void content(std::string_view name, const ContentRef& value) override {
    add(name, value ? "content:" + std::to_string(value.size()) : "none");
  }

  std::map<std::string, std::string> fields;
  std::vector<std::string> order;

 private:
  void add(std::string_view name, std::string value) {
    order.emplace_back(name);
    fields.emplace(std::string(name), std::move(value));
  }
};

FieldDump dump(const PRRecord& record) {
  FieldDump d;
  record.visitFields(d);
  return d;
}

// A fresh record: texts empty, bytes none, numbers 0, except those named.
void expectFresh(const PRRecord& record, const std::map<std::string, std::string>& exceptions) {
  const FieldDump d = dump(record);
  EXPECT_EQ(d.fields.size(), d.order.size()) << record.className() << " visits a field twice";
  ASSERT_TRUE(d.fields.count("bSelected")) << record.className();
  for (const auto& [name, value] : d.fields) {
    const auto exception = exceptions.find(name);
    if (exception != exceptions.end()) {
      EXPECT_EQ(value, exception->second) << record.className() << "." << name;
    } else {
      EXPECT_TRUE(value == "text:" || value == "none" || value == "number:0")
          << record.className() << "." << name << " = " << value;
    }
  }
}

// A fresh note has an empty title and body, not missing ones: the rule for
// carved notes tells the two apart.
TEST(RecordDefaults, EveryRecordStartsEmpty) {
  expectFresh(PRContactNode(), {{"rowid", "number:-1"}});
  expectFresh(PRMessageNode(), {{"handle_id", "number:-1"}});
  expectFresh(PRCallHistoryNode(), {{"callTime", "number:-1"}});
  expectFresh(PRNoteNode(), {{"uid", "number:-1"}});
  expectFresh(PRBookMarkNode(), {});
  expectFresh(PRCalenderNode(), {});
  expectFresh(PRPhotoAndVideoNode(), {});
  expectFresh(PRFaceTwitterNode(), {});
  expectFresh(PRBlackBerryContactNode(), {});
  expectFresh(PRBlackBerryCallNode(), {});
  expectFresh(PRBlackBerrySMSMessageNode(), {});
  expectFresh(PRBlackBerryMMSMessageNode(), {});
  expectFresh(PRBlackBerryNoteNode(), {});
  expectFresh(PRBlackBerryCalenderNode(), {});
  expectFresh(PRBlackBerryContentNode(), {});
}

TEST(RecordFields, VisitedUnderTheirOwnNamesInOrder) {
  PRCallHistoryNode call;
  call.callPhone = "555";
  call.callTime = 61;
  call.bSelected = 1;
  const FieldDump d = dump(call);
  EXPECT_EQ(d.order,
            (std::vector<std::string>{"callName", "callPhone", "callDate", "callType", "callTime",
                                      "callDuration", "bSelected", "bDeleted"}));
  EXPECT_EQ(d.fields.at("callPhone"), "text:555");
  EXPECT_EQ(d.fields.at("callTime"), "number:61");
  EXPECT_EQ(d.fields.at("bSelected"), "number:1");

  // content is visited as a reference, present or absent
  PRBlackBerryContentNode stored;
  stored.contentData = ContentRef(std::make_shared<BytesContentSource>(Bytes(9, 1), "b"),
                                  {ContentRun{2, 3}, ContentRun{6, 2}});
  EXPECT_EQ(dump(stored).fields.at("contentData"), "content:5");
}

_rec_file_ele engineRecord(char* name, std::uint32_t nameLength) {
  _rec_file_ele record{};
  record.file_start = 0x1234567890ULL;
  record.file_len = 4096;
  record.file_name_len = nameLength;
  record.pFileName = name;
  return record;
}

TEST(ScanListNodeFile, KeepsItsOwnCopyOfTheEngineRecord) {
  char name[] = "f0001234.jpg";
  PRScanListNode node;
  node.setfile(engineRecord(name, 12));
  std::memset(name, 'X', 12);  // the engine reuses its buffer after the call

  const _rec_file_ele* kept = node.getfile();
  EXPECT_EQ(kept->file_start, 0x1234567890ULL);
  EXPECT_EQ(kept->file_len, 4096u);
  EXPECT_EQ(kept->file_name_len, 12u);
  EXPECT_STREQ(kept->pFileName, "f0001234.jpg");
  EXPECT_EQ(kept->journal_file, nullptr);
}

TEST(ScanListNodeFile, NamesAreTerminatedAndBounded) {
  PRScanListNode fresh;
  ASSERT_NE(fresh.getfile()->pFileName, nullptr);
  EXPECT_STREQ(fresh.getfile()->pFileName, "");

  char unterminated[4] = {'a', 'b', 'c', 'd'};
  PRScanListNode node;
  node.setfile(engineRecord(unterminated, 4));
  EXPECT_STREQ(node.getfile()->pFileName, "abcd");

  char longer[] = "abcdef";
  node.setfile(engineRecord(longer, 2));  // a second call replaces the first
  EXPECT_STREQ(node.getfile()->pFileName, "ab");

  node.setfile(engineRecord(nullptr, 10));
  ASSERT_NE(node.getfile()->pFileName, nullptr);
  EXPECT_STREQ(node.getfile()->pFileName, "");

  // a length far beyond the name stops at its terminator
  char shortName[] = "abc";
  node.setfile(engineRecord(shortName, 0xFFFFFFFFu));
  EXPECT_STREQ(node.getfile()->pFileName, "abc");
}

}  // namespace
}  // namespace orvane
