#include "engine/found_in_order.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane::engine {
namespace {

// A join runs beside the scan; the files found after it must still come
// out after it, each with its own runs.
TEST(FoundInOrder, FilesFoundAfterAJoinWaitForItAndKeepTheirOrder) {
  std::string handedOn;
  FoundInOrder inOrder([&](const FoundFile& file, const FoundInOrder::Runs& runs) {
    handedOn += file.extension + std::to_string(runs.size()) + " ";
  });
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  inOrder.add({0, 1, "a"});
  EXPECT_EQ(handedOn, "a0 ");
  inOrder.add({1, 1, "b"}, [released] {
    released.wait();
    return std::optional<FoundInOrder::Runs>(FoundInOrder::Runs{{1, 1}, {5, 1}});
  });
  inOrder.add({2, 1, "c"});
  EXPECT_EQ(handedOn, "a0 ");  // c waits for b's join
  release.set_value();
  inOrder.add({3, 1, "d"}, [] { return std::optional<FoundInOrder::Runs>(); });
  inOrder.add({4, 1, "e"});
  inOrder.finish();
  EXPECT_EQ(handedOn, "a0 b2 c0 d0 e0 ");
}

}  // namespace
}  // namespace orvane::engine
