#include "vxnFiles.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <vector>

namespace vxn {
namespace {

using test::RefusalOf;

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

// Failures after the temporary file was made: the write itself (the file-size limit of the process
// stops it part-way) and the rename (the name is taken by a folder). Either way the temporary goes, the
// previous content stays and the refusal names the file.
TEST(Files, AWriteThatFailsAfterItsTemporaryExistsLeavesNothingBehind) {
  test::TempDir dir;
  const std::string f = dir.File("a.xml");
  WriteFileAtomic(f, "bom");
  {
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN); // EFBIG instead of the signal
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const test::Refusal r = test::RefusalOf([&] { WriteFileAtomic(f, std::string(10000, 'x')); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(r.className, "EvxnException");
    EXPECT_EQ(r.message.rfind("Não foi possível gravar o arquivo " + f + ": ", 0), 0u) << r;
  }
  EXPECT_EQ(ReadWholeFile(f), "bom");
  EXPECT_EQ(test::FileNames(dir.Path()), std::set<std::string>{"a.xml"});

  std::filesystem::create_directories(dir.File("pasta.xml/dentro"));
  const test::Refusal r = test::RefusalOf([&] { WriteFileAtomic(dir.File("pasta.xml"), "x"); });
  EXPECT_EQ(r.message.rfind("Não foi possível gravar o arquivo " + dir.File("pasta.xml") + ": ", 0), 0u) << r;
  EXPECT_EQ(test::FileNames(dir.Path()), (std::set<std::string>{"a.xml", "pasta.xml"}));
  EXPECT_EQ(test::FileNames(dir.File("pasta.xml")), std::set<std::string>{"dentro"});
}

// A group whose third file cannot be made (its folder would go through a regular file): the two before
// it are in place and reported in order, the one after it is not written, no temporary is left, and the
// refusal is the third file's.
TEST(Files, AGroupPlacesTheFilesBeforeAFailureAndNothingAfterIt) {
  test::TempDir dir;
  WriteFileAtomic(dir.File("arquivo"), "x");
  const std::vector<FileToWrite> grupo = {{dir.File("a.xml"), "a"},
                                          {dir.File("b.xml"), "b"},
                                          {dir.File("arquivo/c.xml"), "c"},
                                          {dir.File("d.xml"), "d"}};
  std::vector<std::size_t> colocados;
  const test::Refusal r =
      RefusalOf([&] { WriteFilesAtomic(grupo, [&](std::size_t i) { colocados.push_back(i); }); });
  EXPECT_EQ(r.className, "EvxnException");
  EXPECT_NE(r.message.find(dir.File("arquivo/c.xml")), std::string::npos) << r;
  EXPECT_EQ(colocados, (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(test::FileNames(dir.Path()), (std::set<std::string>{"a.xml", "arquivo", "b.xml"}));
  EXPECT_EQ(ReadWholeFile(dir.File("b.xml")), "b");
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
