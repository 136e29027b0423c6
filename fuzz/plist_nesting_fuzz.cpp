// Any bytes as a property list: the nesting walk must end on every input,
// and whatever it lets through must not be able to exhaust libplist's stack.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ios/plist_file.h"
#include "ios/plist_nesting.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<char> bytes(data, data + size);
  std::string refusal;
  const auto plist = orvane::PlistFile::parse(bytes, &refusal);
  if (plist && !refusal.empty()) __builtin_trap();  // refused yet parsed
  return 0;
}
