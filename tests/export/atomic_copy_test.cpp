#include <gtest/gtest.h>

#include "export/atomic_file.h"
#include "export_test_support.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

using fixtures::readFileText;
using fixtures::writeFileText;
using testing::Names;
using testing::namesIn;

TEST(AtomicCopy, AnExistingTargetIsKeptOrReplacedAsAsked) {
  fixtures::ScratchFolder scratch;
  writeFileText(scratch / "source", "new");
  writeFileText(scratch / "target", "old");

  const CopyResult kept =
      copyFileAtomically(scratch / "source", scratch / "target", ExistingFile::keep);
  EXPECT_EQ(kept.error, std::errc::file_exists);
  EXPECT_FALSE(kept.sourceFailed);
  EXPECT_EQ(readFileText(scratch / "target"), "old");
  EXPECT_EQ(namesIn(scratch.path()), (Names{"source", "target"}));  // no temporary left

  const CopyResult replaced =
      copyFileAtomically(scratch / "source", scratch / "target", ExistingFile::replace);
  EXPECT_FALSE(replaced.error);
  EXPECT_EQ(readFileText(scratch / "target"), "new");
  EXPECT_EQ(readFileText(scratch / "source"), "new");

  writeFileText(scratch / "empty", "");
  EXPECT_FALSE(copyFileAtomically(scratch / "empty", scratch / "copy", ExistingFile::keep).error);
  EXPECT_EQ(readFileText(scratch / "copy"), "");
}

TEST(AtomicCopy, FailuresSayWhichSideFailed) {
  fixtures::ScratchFolder scratch;
  writeFileText(scratch / "source", "x");

  const CopyResult noSource =
      copyFileAtomically(scratch / "missing", scratch / "copy", ExistingFile::keep);
  EXPECT_EQ(noSource.error, std::errc::no_such_file_or_directory);
  EXPECT_TRUE(noSource.sourceFailed);

  const CopyResult folder =
      copyFileAtomically(scratch.path(), scratch / "copy", ExistingFile::keep);
  EXPECT_EQ(folder.error, notARegularFileError());
  EXPECT_EQ(folder.error.message(), "not a regular file");
  EXPECT_TRUE(folder.sourceFailed);

  const CopyResult noFolder =
      copyFileAtomically(scratch / "source", scratch / "absent/copy", ExistingFile::keep);
  EXPECT_EQ(noFolder.error, std::errc::no_such_file_or_directory);
  EXPECT_FALSE(noFolder.sourceFailed);

  EXPECT_EQ(namesIn(scratch.path()), (Names{"source"}));
}

}  // namespace
}  // namespace orvane
