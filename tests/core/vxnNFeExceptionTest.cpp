#include "vxnNFeException.h"
#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <regex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vxn {
namespace {

using test::RefusalOf;

using test::ReadFileOrEmpty;
using test::TempDir;

// Each test with an empty program directory, where an exception without a log folder writes.
using ExceptionTest = test::ProgramHomeTest;

// One log line: the timestamp, the thread's id, the class and the message.
const std::regex
    kLine(R"(\[(\d{2})/(\d{2})/(\d{4}) (\d{2}):(\d{2}):(\d{2}):(\d{3})\] (\d+) - (\w+) : ([^\r\n]*))");

// The lines of a log, each of which must end with CR LF ("?" stands for a text that does not).
std::vector<std::string> LogLines(const std::string& log) {
  std::vector<std::string> lines;
  for (std::size_t i = 0, e; i < log.size(); i = e + 2) {
    e = log.find("\r\n", i);
    if (e == std::string::npos)
      return {"?"};
    lines.push_back(log.substr(i, e - i));
  }
  return lines;
}

TEST_F(ExceptionTest, CheckParamsWithEmptyLogDirAppendsOneLineInTheProgramDirectory) {
  EvxnNFeCheckParams e("x");
  const std::vector<std::string> lines = LogLines(ReadFileOrEmpty(home.File("nfe_exception.log")));
  ASSERT_EQ(lines.size(), 1u);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m, kLine)) << lines[0];
  EXPECT_EQ(std::stol(m[8]), static_cast<long>(::syscall(SYS_gettid)));
  EXPECT_LE(std::stoi(m[1]), 31);
  EXPECT_LE(std::stoi(m[2]), 12);
  EXPECT_EQ(m[9], "EvxnNFeCheckParams");
  EXPECT_EQ(m[10], "x");
  EXPECT_STREQ(e.what(), "x");
  EXPECT_EQ(e.LogFilePath(), home.File("nfe_exception.log"));
}

// Exceptions built on several threads at once into one log: every line whole, none lost, each naming the
// thread that built it; the hook hears every one of them.
TEST_F(ExceptionTest, ExceptionsBuiltOnSeveralThreadsLeaveOneWholeLineEach) {
  constexpr int kThreads = 8, kEach = 200;
  std::atomic<int> heard{0};
  EvxnException::SetOnError([&](const EvxnException&) { ++heard; });
  std::mutex mutex;
  std::map<long, int> built; // thread id -> exceptions built there
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      const long tid = static_cast<long>(::syscall(SYS_gettid));
      for (int i = 0; i < kEach; ++i)
        EvxnNFeCheckParams e("linha %d da thread %d " + std::string(100, 'x'), {i, t}, home.Path());
      std::lock_guard lock(mutex);
      built[tid] = kEach;
    });
  for (auto& th : threads)
    th.join();
  EXPECT_EQ(heard.load(), kThreads * kEach);
  EXPECT_TRUE(EvxnException::LastException().has_value());
  const std::vector<std::string> lines = LogLines(ReadFileOrEmpty(home.File("nfe_exception.log")));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kEach));
  std::map<long, int> seen;
  for (const std::string& line : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kLine)) << line;
    EXPECT_EQ(m[9], "EvxnNFeCheckParams");
    ++seen[std::stol(m[8])];
  }
  EXPECT_EQ(seen, built);
}

TEST_F(ExceptionTest, FormatConstructorFillsPrintfSlots) {
  TempDir dir;
  EvxnCheckParams e("a sigla da UF %s, é inválida. (%d)", {"XX", 7}, dir.Path());
  EXPECT_EQ(e.Message(), "a sigla da UF XX, é inválida. (7)");
  EXPECT_NE(ReadFileOrEmpty(dir.File("nfe_exception.log"))
                .find("EvxnCheckParams : a sigla da UF XX, é inválida. (7)\r\n"),
            std::string::npos);
}

TEST_F(ExceptionTest, EachBaseWritesItsOwnLogFile) {
  TempDir dir;
  EvxnNFeDFeCNPJInvalidoException ev("evento", dir.Path());
  EvxnNFeDescompactarXMLException dz("zip", dir.Path());
  EvxnNFeConfigException cfg("config", dir.Path());
  EvxnException root("root", dir.Path());

  std::string eventos = ReadFileOrEmpty(dir.File("nfeeventos_exception.log"));
  std::string nfe = ReadFileOrEmpty(dir.File("nfe_exception.log"));
  EXPECT_EQ(test::CountLines(eventos), 2u);
  EXPECT_NE(eventos.find("EvxnNFeDFeCNPJInvalidoException : evento"), std::string::npos);
  EXPECT_NE(eventos.find("EvxnNFeDescompactarXMLException : zip"), std::string::npos);
  EXPECT_EQ(test::CountLines(nfe), 1u);
  EXPECT_NE(nfe.find("EvxnNFeConfigException : config"), std::string::npos);
  EXPECT_EQ(root.LogFileName(), "");
  EXPECT_EQ(ev.LogFileName(), "nfeeventos_exception.log");
  EXPECT_EQ(cfg.LogFileName(), "nfe_exception.log");
}

TEST_F(ExceptionTest, OnErrorSeesEachConstructedExceptionOnceAndLastIsKept) {
  TempDir dir;
  std::vector<std::string> seen;
  EvxnException::SetOnError(
      [&](const EvxnException& e) { seen.push_back(e.ClassName() + ":" + e.Message()); });
  { EvxnNFeRuleException a("um", dir.Path()); }
  { EvxnSoapException b("dois", dir.Path()); }
  EvxnNFeException copy = EvxnNFeException("três", dir.Path());
  EvxnNFeException copied = copy; // copying is not constructing a new error
  (void)copied;
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "EvxnNFeRuleException:um");
  EXPECT_EQ(seen[1], "EvxnSoapException:dois");
  EXPECT_EQ(seen[2], "EvxnNFeException:três");
  auto last = EvxnException::LastException();
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(last->ClassName(), "EvxnNFeException");
  EXPECT_EQ(test::CountLines(ReadFileOrEmpty(dir.File("nfe_exception.log"))), 3u);
}

// A log folder that cannot be written (here a plain file, which stops even root) does not take the place
// of the error: the host catches the NF-e exception with its class and message, the hook hears of it
// alone, and its log line goes to standard error once, with the reason.
TEST_F(ExceptionTest, AnUnwritableLogNeverReplacesTheError) {
  TempDir dir;
  const std::string notADir = dir.File("plain-file");
  WriteFileAtomic(notADir, "");
  std::vector<std::string> hooked;
  EvxnException::SetOnError([&](const EvxnException& e) { hooked.push_back(e.ClassName()); });
  testing::internal::CaptureStderr();
  const test::Refusal failure = test::RefusalOf([&] { throw EvxnNFeCheckParams("perdido", notADir + "/"); });
  const std::string stderrText = testing::internal::GetCapturedStderr();
  EXPECT_EQ(failure, (test::Refusal{"EvxnNFeCheckParams", "perdido"}));
  EXPECT_EQ(hooked, std::vector<std::string>{"EvxnNFeCheckParams"});
  EXPECT_EQ(test::CountLines(stderrText), 1u) << stderrText;
  EXPECT_NE(stderrText.find("Não foi possível abrir o arquivo " + notADir + "/nfe_exception.log: "),
            std::string::npos)
      << stderrText;
  EXPECT_NE(stderrText.find(" - EvxnNFeCheckParams : perdido"), std::string::npos) << stderrText;
}

} // namespace
} // namespace vxn
