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
      // an instant beside a date text is missing until there is a date
      const bool instant = name.ends_with("UTC") && value == "missing";
      EXPECT_TRUE(value == "text:" || value == "none" || value == "number:0" || instant)
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

// Content is visited as a reference, its size the sum of its runs.
TEST(RecordFields, ContentIsVisitedAsAReference) {
  PRBlackBerryContentNode stored;
  stored.contentData = ContentRef(std::make_shared<BytesContentSource>(Bytes(9, 1), "b"),
                                  {ContentRun{2, 3}, ContentRun{6, 2}});
  EXPECT_EQ(dump(stored).fields.at("contentData"), "content:5");
}

TEST(ScanListNodeFile, KeepsTheExtentAndABoundedName) {
  PRScanListNode node;
  node.setfile(0x1234567890ULL, 4096, std::string_view("f0001234.jpg\0junk", 17));
  EXPECT_EQ(node.getfile().file_start, 0x1234567890ULL);
  EXPECT_EQ(node.getfile().file_len, 4096u);
  EXPECT_EQ(node.getfile().pFileName, "f0001234.jpg");
  node.setfile(0, 1, std::string(5000, 'a'));  // longer than any path
  EXPECT_EQ(node.getfile().pFileName.size(), 4096u);
}

}  // namespace
}  // namespace orvane
