#include "vxnNFeException.h"
#include "support/ProgramHome.h"
#include "support/TempDir.h"
#include "vxnPaths.h"

#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vxn {
namespace {

using test::ReadFileOrEmpty;
using test::TempDir;

// Each test with an empty program directory, where an exception without a log folder writes.
using ExceptionTest = test::ProgramHomeTest;

TEST_F(ExceptionTest, CheckParamsWithEmptyLogDirAppendsOneLineInTheProgramDirectory) {
  std::string log = ProgramDirectory() + "nfe_exception.log";
  std::string before = ReadFileOrEmpty(log);
  EvxnNFeCheckParams e("x");
  std::string after = ReadFileOrEmpty(log);
  ASSERT_EQ(after.substr(0, before.size()), before);
  std::string added = after.substr(before.size());
  // One line, CR LF terminated, with the timestamp, this thread's id, the class and the message.
  std::regex line(
      R"(^\[(\d{2})/(\d{2})/(\d{4}) (\d{2}):(\d{2}):(\d{2}):(\d{3})\] (\d+) - EvxnNFeCheckParams : x\r\n$)");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(added, m, line)) << added;
  EXPECT_EQ(std::stol(m[8]), static_cast<long>(::syscall(SYS_gettid)));
  EXPECT_LE(std::stoi(m[1]), 31);
  EXPECT_LE(std::stoi(m[2]), 12);
  EXPECT_EQ(e.ClassName(), "EvxnNFeCheckParams");
  EXPECT_STREQ(e.what(), "x");
  EXPECT_EQ(e.LogFilePath(), log);
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

TEST_F(ExceptionTest, DescendantsAreCaughtByTheirBases) {
  TempDir dir;
  try {
    throw EvxnNFeEventoDownloadLimitNotasException(
        "São permitidas no máximo 10 notas por solicitação de download.", dir.Path());
  } catch (const EvxnNFeEventoDownloadNFeException& e) {
    EXPECT_EQ(e.ClassName(), "EvxnNFeEventoDownloadLimitNotasException");
  }
  try {
    throw EvxnNfeDataSetStateException("estado", dir.Path());
  } catch (const EvxnNFeException& e) {
    EXPECT_EQ(e.ClassName(), "EvxnNfeDataSetStateException");
  }
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

TEST_F(ExceptionTest, UnwritableLogPropagatesButHookStillRuns) {
  // A log folder that is a plain file cannot be written, even by root.
  TempDir dir;
  std::string notADir = dir.File("plain-file");
  FILE* f = std::fopen(notADir.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  std::vector<std::string> hooked;
  EvxnException::SetOnError([&](const EvxnException& e) { hooked.push_back(e.ClassName()); });
  try {
    EvxnNFeException e("perdido", notADir + "/");
    FAIL() << "a log that cannot be written must propagate";
  } catch (const EvxnNFeException&) {
    FAIL() << "the log failure, not the NF-e error, is what propagates";
  } catch (const EvxnException& failure) {
    EXPECT_NE(failure.Message().find("nfe_exception.log"), std::string::npos);
  }
  // The write failure is itself an exception of the hierarchy; the NF-e error still reaches the hook
  // after it and is the last one kept.
  EXPECT_EQ(hooked, (std::vector<std::string>{"EvxnException", "EvxnNFeException"}));
  auto last = EvxnException::LastException();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->Message(), "perdido");
}

} // namespace
} // namespace vxn
