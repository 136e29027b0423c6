#pragma once

// Records as text, for comparing whole records and checking fresh ones.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/content_ref.h"
#include "core/record.h"

namespace orvane::testing {

// What a content reference reads as; nothing when it is absent. A content
// that cannot be read fails the test that asked.
inline std::optional<Bytes> contentOf(const ContentRef& content) {
  if (!content) return std::nullopt;
  Bytes bytes;
  std::string problem;
  EXPECT_TRUE(content.readAll(bytes, problem)) << problem;
  return bytes;
}

// The class name, then every field as a "name=value" line: texts and
// numbers as they are, a missing text "<missing>", bytes and content
// "<none>" or their size and hash.
inline std::string dumpRecord(const PRRecord& record) {
  class Dump final : public FieldVisitor {
   public:
    std::string out;
    void text(std::string_view name, std::string_view value) override { line(name, value); }
    void optionalText(std::string_view name, const std::optional<std::string>& value) override {
      line(name, value ? *value : "<missing>");
    }
    void number(std::string_view name, std::int64_t value) override {
      line(name, std::to_string(value));
    }
    void unsignedNumber(std::string_view name, std::uint64_t value) override {
      line(name, std::to_string(value));
    }
    void bytes(std::string_view name, std::optional<ByteView> value) override {
      std::uint64_t hash = 1469598103934665603ull;
      for (auto b : value.value_or(ByteView{})) hash = (hash ^ b) * 1099511628211ull;
      line(name, value ? std::to_string(value->size()) + " bytes, hash " + std::to_string(hash)
                       : "<none>");
    }
    void content(std::string_view name, const ContentRef& value) override {
      const auto read = contentOf(value);
      bytes(name, read ? std::optional<ByteView>(*read) : std::nullopt);
    }
    void line(std::string_view name, std::string_view value) {
      out.append(name).append("=").append(value).append("\n");
    }
  } dump;
  dump.out = std::string(record.className()) + "\n";
  record.visitFields(dump);
  return dump.out;
}

}  // namespace orvane::testing
