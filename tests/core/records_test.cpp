#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <new>
#include <sstream>
#include <string>

#include "core/blackberry_records.h"
#include "core/ios_records.h"
#include "core/record_dump.h"
#include "core/scan_list_node.h"

namespace orvane {
namespace {

// A fresh record: texts empty, bytes none, numbers 0, except those named.
// It is made by default-initialisation in memory full of other bytes, so a
// member without an initialiser shows them.
template <class Record>
void expectFresh(const std::map<std::string, std::string>& exceptions) {
  alignas(Record) unsigned char memory[sizeof(Record)];
  std::memset(memory, 0xA5, sizeof memory);
  const Record& record = *new (memory) Record;
  std::istringstream lines(testing::dumpRecord(record));
  std::map<std::string, std::string> fields;
  std::string line;
  std::getline(lines, line);  // the class name
  while (std::getline(lines, line)) {
    const std::string name = line.substr(0, line.find('='));
    const std::string value = line.substr(name.size() + 1);
    EXPECT_TRUE(fields.emplace(name, value).second)
        << record.className() << " visits " << name << " twice";
    const auto exception = exceptions.find(name);
    if (exception != exceptions.end()) {
      EXPECT_EQ(value, exception->second) << record.className() << "." << name;
    } else {
      // an instant beside a date text is missing until there is a date
      const bool instant = name.ends_with("UTC") && value == "<missing>";
      EXPECT_TRUE(value.empty() || value == "<none>" || value == "0" || instant)
          << record.className() << "." << name << " = " << value;
    }
  }
  EXPECT_TRUE(fields.contains("bSelected")) << record.className();
  record.~Record();
}

// A fresh note has an empty title and body, not missing ones: the rule for
// carved notes tells the two apart.
TEST(RecordDefaults, EveryRecordStartsEmpty) {
  expectFresh<PRContactNode>({{"rowid", "-1"}});
  expectFresh<PRMessageNode>({{"handle_id", "-1"}});
  expectFresh<PRCallHistoryNode>({{"callTime", "-1"}});
  expectFresh<PRNoteNode>({{"uid", "-1"}});
  expectFresh<PRBookMarkNode>({});
  expectFresh<PRCalenderNode>({});
  expectFresh<PRPhotoAndVideoNode>({});
  expectFresh<PRFaceTwitterNode>({});
  expectFresh<PRBlackBerryContactNode>({});
  expectFresh<PRBlackBerryCallNode>({});
  expectFresh<PRBlackBerrySMSMessageNode>({});
  expectFresh<PRBlackBerryMMSMessageNode>({});
  expectFresh<PRBlackBerryNoteNode>({});
  expectFresh<PRBlackBerryCalenderNode>({});
  expectFresh<PRBlackBerryContentNode>({});
}

// The engine's name is cut at its NUL and at a path's length.
TEST(ScanListNodeFile, KeepsABoundedName) {
  PRScanListNode node;
  node.setfile(1, 4096, std::string_view("f0001234.jpg\0junk", 17));
  EXPECT_EQ(node.getfile().pFileName, "f0001234.jpg");
  node.setfile(0, 1, std::string(5000, 'a'));
  EXPECT_EQ(node.getfile().pFileName.size(), 4096u);
}

}  // namespace
}  // namespace orvane
