#include "bb_test_support.h"

#include <gtest/gtest.h>

#include <optional>

#include "blackberry/blackberry_source.h"

namespace orvane::testing {

namespace {

class DumpVisitor final : public FieldVisitor {
 public:
  std::string out;
  void text(std::string_view name, std::string_view value) override { line(name, value); }
  void optionalText(std::string_view name, const std::optional<std::string>& value) override {
    line(name, value ? *value : "<none>");
  }
  void number(std::string_view name, std::int64_t value) override {
    line(name, std::to_string(value));
  }
  void unsignedNumber(std::string_view name, std::uint64_t value) override {
    line(name, std::to_string(value));
  }
  void bytes(std::string_view name, std::optional<ByteView> value) override {
    line(name, value ? std::to_string(value->size()) + " bytes, hash " + hashOf(*value) : "<none>");
  }
  void content(std::string_view name, const ContentRef& value) override {
    const auto read = contentOf(value);
    bytes(name, read ? std::optional<ByteView>(*read) : std::nullopt);
  }

 private:
  static std::string hashOf(ByteView data) {
    std::uint64_t hash = 1469598103934665603ull;
    for (auto b : data) hash = (hash ^ b) * 1099511628211ull;
    return std::to_string(hash);
  }
  void line(std::string_view name, std::string_view value) {
    out.append(name).append("=").append(value).append("\n");
  }
};

}  // namespace

std::optional<Bytes> contentOf(const ContentRef& content) {
  if (!content) return std::nullopt;
  Bytes bytes;
  std::string problem;
  EXPECT_TRUE(content.readAll(bytes, problem)) << problem;
  return bytes;
}

std::unique_ptr<Scan> scanSource(const std::filesystem::path& path,
                                 const std::shared_ptr<const TempFolder>& scanFolder) {
  auto scan = std::make_unique<Scan>();
  ScanContext context{scan->nc, scan->lists, scanFolder->path(), scanFolder};
  scan->outcome = makeBlackBerrySource()->scan(path, context);
  return scan;
}

std::string dumpRecord(const PRRecord& record) {
  DumpVisitor visitor;
  visitor.out = std::string(record.className()) + "\n";
  record.visitFields(visitor);
  return visitor.out;
}

}  // namespace orvane::testing
