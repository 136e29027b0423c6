// Reading a backup through a window buffer: runs at any offset, cut to the
// file, and a file that ends early while it is read.

#include "blackberry/file_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bb_test_support.h"
#include "fixtures/scratch_folder.h"

namespace orvane::testing {
namespace {

Bytes numbered(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

Bytes asBytes(std::span<const std::uint8_t> run) { return Bytes(run.begin(), run.end()); }

Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t count) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

class FileWindowTest : public ::testing::Test {
 protected:
  fixtures::ScratchFolder folder;
  std::filesystem::path path = folder / "backup.ipd";
  Bytes content = numbered(1000);
  void SetUp() override { fixtures::writeFileBytes(path, content); }

  std::unique_ptr<FileWindow> open(std::size_t windowBytes) {
    std::string problem;
    auto window = FileWindow::open(path, problem, windowBytes);
    if (!window) throw std::runtime_error(problem);
    return window;
  }
};

TEST_F(FileWindowTest, RunsAreExactWhateverTheWindowSize) {
  // forward steps of every kind: inside the buffer, across its end, past it,
  // longer than the window, and back to an offset already dropped
  const std::pair<std::size_t, std::size_t> runs[] = {
      {0, 13}, {13, 5}, {18, 40}, {40, 30}, {58, 1}, {59, 300}, {600, 7}, {607, 393}, {10, 20}};
  for (std::size_t windowBytes : {1u, 7u, 13u, 64u, 4096u}) {
    const auto window = open(windowBytes);
    EXPECT_EQ(window->size(), 1000u);
    for (const auto& [offset, count] : runs) {
      EXPECT_EQ(asBytes(window->fetch(offset, count)), slice(content, offset, count))
          << "window " << windowBytes << ", run " << offset << "+" << count;
    }
    EXPECT_TRUE(window->shortfall().empty());
  }
}

TEST_F(FileWindowTest, RunsAreCutToTheFileAndNeverOutgrowIt) {
  const auto window = open(64);
  EXPECT_EQ(asBytes(window->fetch(990, 100)), slice(content, 990, 10));
  EXPECT_TRUE(window->fetch(1000, 5).empty());
  EXPECT_TRUE(window->fetch(5000, 5).empty());
  // a length claimed by the file is no reason to allocate more than it holds
  EXPECT_EQ(window->fetch(100, 0xFFFFFFFFu).size(), 900u);
  EXPECT_LE(window->capacity(), 900u);
  EXPECT_TRUE(window->shortfall().empty());
}

TEST_F(FileWindowTest, WhatCannotBeOpenedSaysWhy) {
  std::string problem;
  EXPECT_EQ(FileWindow::open(folder / "missing", problem), nullptr);
  EXPECT_EQ(problem, "cannot open: No such file or directory");
  EXPECT_EQ(FileWindow::open(folder.path(), problem), nullptr);
  EXPECT_EQ(problem, "cannot read: Is a directory");
  // a FIFO with no writer must not hold the scan up
  const auto fifo = folder / "fifo.ipd";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(FileWindow::open(fifo, problem), nullptr);
  EXPECT_EQ(problem, "cannot read: not a regular file");
  EXPECT_EQ(readFilePrefix(fifo, 4), "");
  EXPECT_EQ(readFilePrefix(folder / "missing", 38), "");
  fixtures::writeFileText(folder / "short", "PK");
  EXPECT_EQ(readFilePrefix(folder / "short", 38), "PK");
}

}  // namespace
}  // namespace orvane::testing
