#include "vxnFiles.h"
#include "support/TempDir.h"
#include "vxnNFeException.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace vxn {
namespace {

TEST(Files, AtomicWriteReplacesWholeAndLeavesNoTemporaries) {
  test::TempDir dir;
  std::string f = dir.File("sub/dir/a.xml");
  WriteFileAtomic(f, "primeiro");
  WriteFileAtomic(f, "segundo");
  EXPECT_EQ(ReadWholeFile(f), "segundo");
  std::size_t entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.File("sub/dir")))
    ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(Files, FailedWriteKeepsThePreviousContent) {
  test::TempDir dir;
  std::string f = dir.File("a.xml");
  WriteFileAtomic(f, "bom");
  // A folder where the temporary would go that is not writable: a path through a regular file.
  EXPECT_THROW(WriteFileAtomic(f + "/x.xml", "ruim"), EvxnException);
  EXPECT_EQ(ReadWholeFile(f), "bom");
}

TEST(Files, AppendAndErrors) {
  test::TempDir dir;
  std::string f = dir.File("log.txt");
  AppendToFile("a\r\n", f);
  AppendToFile("b\r\n", f);
  EXPECT_EQ(ReadWholeFile(f), "a\r\nb\r\n");
  EXPECT_TRUE(FileExists(f));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_THROW(ReadWholeFile(dir.File("nao-existe")), EvxnException);
  EXPECT_TRUE(DeleteFileIfExists(f));
  EXPECT_FALSE(FileExists(f));
}

} // namespace
} // namespace vxn
