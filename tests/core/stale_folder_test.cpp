// A scan's private folder, and those left by scans that were killed: only
// those of this user, real folders of mode 0700 whose lock is free, are
// removed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/temp_folder.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

enum class Shape { stale, locked, noLock, lockIsLink, wideOpen, link, otherUser };

TEST(StaleFolders, OnlyUnlockedPrivateFoldersOfThisUserGo) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  fixtures::ScratchFolder scratch;
  fs::create_directory(scratch / "elsewhere");
  fixtures::writeFileText(scratch / "elsewhere/.lock", "");
  fixtures::writeFileText(scratch / "elsewhere/keep", "mine");
  struct Case {
    const char* name;
    Shape shape;
    bool removed;
  };
  const Case cases[] = {
      {"orvane-scan-stale", Shape::stale, true},
      {"orvane-scan-locked", Shape::locked, false},
      {"orvane-scan-nolock", Shape::noLock, false},
      {"orvane-scan-lockislink", Shape::lockIsLink, false},
      {"orvane-scan-wideopen", Shape::wideOpen, false},
      {"orvane-scan-link", Shape::link, false},
      {"orvane-scan-other", Shape::otherUser, false},
      {"other-prefix", Shape::stale, false},
  };
  int heldLock = -1;
  for (const Case& c : cases) {
    const fs::path folder = scratch / c.name;
    if (c.shape == Shape::link) {
      fs::create_directory_symlink(scratch / "elsewhere", folder);
      continue;
    }
    fs::create_directory(folder);
    ::chmod(folder.c_str(), c.shape == Shape::wideOpen ? 0755 : 0700);
    fixtures::writeFileText(folder / "copy.db", "private");
    if (c.shape == Shape::lockIsLink) {
      fs::create_symlink(scratch / "elsewhere/.lock", folder / ".lock");
    } else if (c.shape != Shape::noLock) {
      fixtures::writeFileText(folder / ".lock", "");
    }
    if (c.shape == Shape::otherUser) {
      ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    }
    if (c.shape == Shape::locked) {
      heldLock = ::open((folder / ".lock").c_str(), O_RDONLY | O_CLOEXEC);
      ASSERT_EQ(::flock(heldLock, LOCK_EX), 0);
    }
  }

  const int removed = TempFolder::removeStale(scratch.path());

  int expected = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expected += c.removed;
    EXPECT_EQ(fs::exists(fs::symlink_status(scratch / c.name)), !c.removed);
  }
  EXPECT_EQ(removed, expected);
  EXPECT_EQ(fixtures::readFileText(scratch / "elsewhere/keep"), "mine");
  ::close(heldLock);
}

// A scan's own folder: private, locked while it runs, so another start
// leaves it; it goes with its content, but a link inside does not take
// the user's files along.
TEST(TempFolder, PrivateAndLockedWhileItsScanRunsThenRemovedWithItsContent) {
  const std::string prefix = "orvane-stale-test-" + std::to_string(::getpid()) + "-";
  fixtures::ScratchFolder outside;
  fixtures::writeFileText(outside / "keep.txt", "mine");
  fs::path made;
  {
    TempFolder running(prefix);
    TempFolder second;
    made = running.path();
    EXPECT_NE(made, second.path());
    EXPECT_TRUE(second.path().filename().string().starts_with("orvane-scan-"));
    EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_regular_file(made / ".lock"));
    EXPECT_EQ(TempFolder::removeStale(fs::temp_directory_path(), prefix), 0);
    EXPECT_TRUE(fs::is_directory(made));

    fs::create_directories(made / "Databases" / "deep");
    fixtures::writeFileText(made / "Databases" / "deep" / "1.dat", "x");
    fs::create_directory_symlink(outside.path(), made / "link");
  }
  EXPECT_FALSE(fs::exists(made));
  EXPECT_EQ(fixtures::readFileText(outside / "keep.txt"), "mine");
}

}  // namespace
}  // namespace orvane
