// A writer killed at random points never leaves a file half-written: a child process writes groups of
// files through WriteFilesAtomic (the way index files and distribution XML are written) over and over,
// while this test reads them and then kills the child with SIGKILL after a random delay. Every file read,
// during the writes and after each kill, must hold one complete generation of its content, and the files
// of a group must be placed in order, so that a file is never newer than the one before it.
#include "support/TempDir.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vxn {
namespace {

constexpr int kFiles = 4;
constexpr int kKills = 20;

std::string Header(int file, long generation, std::size_t size) {
  return "file=" + std::to_string(file) + " generation=" + std::to_string(generation) +
         " size=" + std::to_string(size) + "\n";
}

// Generation `generation` of file `file`: a header naming both and a body of 64 to 256 KiB whose size and
// bytes follow from them, so that a torn file, or one mixing two generations, is told apart.
std::string Content(int file, long generation) {
  const std::size_t size = 65536 + static_cast<std::size_t>((generation * 7919 + file * 104729) % 196608);
  std::string text = Header(file, generation, size);
  text.reserve(text.size() + size);
  for (std::size_t i = 0; i < size; ++i)
    text.push_back(static_cast<char>('a' + (i / 512 + static_cast<std::size_t>(generation) + file) % 26));
  return text;
}

// The generation of a complete content of the file; -1 for anything else.
long GenerationOf(int file, const std::string& text) {
  const std::string prefix = "file=" + std::to_string(file) + " generation=";
  if (text.compare(0, prefix.size(), prefix) != 0)
    return -1;
  const long generation = std::strtol(text.c_str() + prefix.size(), nullptr, 10);
  return text == Content(file, generation) ? generation : -1;
}

std::vector<FileToWrite> Group(const std::string& dir, long generation) {
  std::vector<FileToWrite> files;
  for (int i = 0; i < kFiles; ++i)
    files.push_back({dir + "indice-" + std::to_string(i) + ".xml", Content(i, generation)});
  return files;
}

// The child: writes generation after generation and says so on `progress` after each group.
[[noreturn]] void WriteForever(const std::string& dir, long from, int progress) {
  try {
    for (long generation = from;; ++generation) {
      WriteFilesAtomic(Group(dir, generation));
      const char done = 1;
      if (::write(progress, &done, 1) != 1)
        ::_exit(2);
    }
  } catch (...) {
    ::_exit(3);
  }
}

// The generation of every file, each read once.
std::vector<long> ReadGenerations(const std::string& dir) {
  std::vector<long> generations;
  for (int i = 0; i < kFiles; ++i)
    generations.push_back(
        GenerationOf(i, test::ReadFileOrEmpty(dir + "indice-" + std::to_string(i) + ".xml")));
  return generations;
}

TEST(FilesKilledWriter, EveryFileIsAlwaysOneCompleteGenerationPlacedInOrder) {
  test::TempDir dir;
  WriteFilesAtomic(Group(dir.Path(), 0));
  std::mt19937 rng(std::random_device{}());
  std::uniform_int_distribution<int> delayUs(0, 30000);
  long last = 0; // the newest generation in place after the previous kill
  for (int kill = 0; kill < kKills; ++kill) {
    int progress[2];
    ASSERT_EQ(::pipe2(progress, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(progress[0]);
      WriteForever(dir.Path(), last + 1, progress[1]);
    }
    ::close(progress[1]);
    // One whole group first, so that every round moves the files on; then reads while the child writes.
    char done = 0;
    ASSERT_EQ(::read(progress[0], &done, 1), 1) << "the writer ended before writing a group";
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(delayUs(rng));
    do {
      for (long generation : ReadGenerations(dir.Path()))
        ASSERT_GT(generation, last) << "a file half-written or gone back while the writer runs";
    } while (std::chrono::steady_clock::now() < until);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(progress[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself with status " << status;

    const std::vector<long> generations = ReadGenerations(dir.Path());
    for (int i = 0; i < kFiles; ++i) {
      ASSERT_GT(generations[i], last) << "file " << i << " after kill " << kill;
      if (i > 0) {
        ASSERT_LE(generations[i], generations[i - 1]) << "file " << i << " placed before file " << i - 1;
      }
    }
    ASSERT_LE(generations.front() - generations.back(), 1) << "files of a group more than one apart";
    last = generations.back();
  }
}

} // namespace
} // namespace vxn
