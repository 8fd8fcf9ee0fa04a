// Files, paths, XML logs, document checks, padding and dates of TvxnGovUtils.
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sys/stat.h>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::ReadFileOrEmpty;
using test::TempDir;

TEST(GovUtilsFiles, SaveLoadAndAppend) {
  TempDir dir;
  TvxnGovUtils u;
  const std::string path = dir.File("sub\\pasta/arquivo.xml"); // a configured path may use "\"
  u.SaveToFile("<a>São Paulo</a>", path);
  EXPECT_EQ(ReadFileOrEmpty(dir.File("sub/pasta/arquivo.xml")), "<a>São Paulo</a>");
  u.SaveToFileUtf8("\xEF\xBB\xBF<b>ç</b>", path); // replaced whole; no BOM written
  EXPECT_EQ(ReadFileOrEmpty(dir.File("sub/pasta/arquivo.xml")), "<b>ç</b>");
  EXPECT_EQ(test::FileNames(dir.File("sub/pasta")),
            std::set<std::string>{"arquivo.xml"}); // no temporary left behind
  u.AppendToFile("<c/>", path);
  EXPECT_EQ(u.LoadFromFileUTF8(path), "<b>ç</b><c/>");

  // Readers drop a BOM; LoadFromFile also reads a Windows-1252 file written by an older host.
  std::ofstream(dir.File("bom.txt"), std::ios::binary) << "\xEF\xBB\xBFolá";
  EXPECT_EQ(u.LoadFromFile(dir.File("bom.txt")), "olá");
  EXPECT_EQ(u.LoadFromFileUTF8(dir.File("bom.txt")), "olá");
  std::ofstream(dir.File("ansi.txt"), std::ios::binary) << "Jo\xE3o \x80 5";
  EXPECT_EQ(u.LoadFromFile(dir.File("ansi.txt")), "João € 5");
  EXPECT_EQ(u.LoadFromFileUTF8(dir.File("ansi.txt")), "Jo\xE3o \x80 5");
  EXPECT_THROW(u.LoadFromFile(dir.File("nao-existe.xml")), EvxnException);
}

// Long runs of ASCII are passed over a word at a time: a Windows-1252 byte anywhere in them, at any
// offset within a word, still makes the file read as Windows-1252, and a UTF-8 character does not.
TEST(GovUtilsFiles, AnyNonAsciiByteInALongAsciiRunIsSeen) {
  TvxnGovUtils u;
  test::TempDir dir;
  const std::string path = dir.File("texto.xml");
  const std::string ascii(40, 'a');
  for (std::size_t pos = 0; pos <= ascii.size(); ++pos) {
    SCOPED_TRACE(pos);
    std::string ansi = ascii;
    ansi.insert(pos, "\xE7");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << ansi;
    std::string esperado = ascii;
    esperado.insert(pos, "ç");
    EXPECT_EQ(u.LoadFromFile(path), esperado);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << esperado;
    EXPECT_EQ(u.LoadFromFile(path), esperado);
  }
}

TEST(GovUtilsFiles, Paths) {
  TvxnGovUtils u;
  EXPECT_EQ(u.FixSlash("C:\\nfe\\logs"), "C:/nfe/logs/");
  EXPECT_EQ(u.FixSlash("/var/nfe/"), "/var/nfe/");
  EXPECT_EQ(u.FixSlash(""), "");
  EXPECT_EQ(u.ExpandPath("Esquemas\\vm60\\"), ProgramDirectory() + "Esquemas/vm60/");
  EXPECT_EQ(u.ExpandPath(""), "");

  const char* oldTmp = std::getenv("TMPDIR");
  const std::string saved = oldTmp ? oldTmp : "";
  unsetenv("TMPDIR");
  EXPECT_EQ(u.GetSpecialDirectories(1), "/tmp/");
  setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(u.GetSpecialDirectories(1), "/var/tmp/");
  if (oldTmp)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
  EXPECT_EQ(u.GetSpecialDirectories(0), ProgramDirectory());
  EXPECT_EQ(u.GetSpecialDirectories(99), "");
}

TEST(GovUtilsLogs, FileNameContract) {
  TvxnGovUtils u;
  EXPECT_EQ(u.GetLogFileName("env-lot", "1234"), "1234-env-lot.xml");
  // A host-supplied id never leads the log out of its folder.
  EXPECT_EQ(u.GetLogFileName("env-lot", "../x"), ".._x-env-lot.xml");
  EXPECT_EQ(u.GetLogFileName("rec", "a\\b/c"), "a_b_c-rec.xml");
  // Without an id a timestamp takes its place, different for every call.
  const std::string a = u.GetLogFileName("ped-sta", "");
  const std::string b = u.GetLogFileName("ped-sta", "");
  EXPECT_TRUE(std::regex_match(a, std::regex(R"(\d{20}-ped-sta\.xml)"))) << a;
  EXPECT_NE(a, b);
}

TEST(GovUtilsLogs, WritesTextLinesAndCallsBothEvents) {
  TempDir dir;
  TvxnGovUtils u;
  std::vector<std::string> events;
  u.SetOnLog([&](const std::string& n, const std::string& id, const std::string& f) {
    events.push_back("log|" + n + "|" + id + "|" + f);
  });
  u.SetOnLogContent(
      [&](const std::string& n, const std::string& id, const std::string& f, const std::string& c) {
        events.push_back("content|" + n + "|" + id + "|" + f + "|" + c);
      });
  const std::string logDir = dir.File("logs/novo"); // created with its parents
  const std::string written =
      u.Log("<enviNFe>\n<idLote>1234</idLote>\n</enviNFe>", "env-lot", "1234", logDir);
  EXPECT_EQ(written, logDir + "/1234-env-lot.xml");
  EXPECT_EQ(ReadFileOrEmpty(written), "<enviNFe>\r\n<idLote>1234</idLote>\r\n</enviNFe>\r\n");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], "log|env-lot|1234|" + logDir + "/1234-env-lot.xml");
  EXPECT_EQ(events[1], "content|env-lot|1234|1234-env-lot.xml|<enviNFe>\n<idLote>1234</idLote>\n</enviNFe>");

  // A name given by the caller wins; an existing file is replaced.
  u.Log("<a/>", "rec", "1234", logDir, "1234-env-lot.xml");
  EXPECT_EQ(ReadFileOrEmpty(written), "<a/>\r\n");

  // Switched off: nothing written, no OnLog, still OnLogContent with the name that would be used.
  events.clear();
  u.SetSaveLogToFile(false);
  EXPECT_EQ(u.Log("<b/>", "sit", "999", logDir), "999-sit.xml");
  EXPECT_FALSE(std::ifstream(logDir + "/999-sit.xml").good());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0], "content|sit|999|999-sit.xml|<b/>");
}

TEST(GovUtilsLogs, UnusableDirectoryRaisesAndCallsNoEvent) {
  TempDir dir;
  TvxnGovUtils u;
  u.SetDiretorioLogErro(dir.Path());
  int calls = 0;
  u.SetOnLog([&](const std::string&, const std::string&, const std::string&) { ++calls; });
  u.SetOnLogContent(
      [&](const std::string&, const std::string&, const std::string&, const std::string&) { ++calls; });
  std::ofstream(dir.File("arquivo")) << "x";
  EXPECT_EQ(RefusalOf([&] { u.Log("<a/>", "sta", "", dir.File("arquivo/logs")); }),
            (Refusal{"EvxnLogException",
                     "Diretório de log não pode ser criado ou está vazio: " + dir.File("arquivo/logs/")}));
  EXPECT_EQ(RefusalOf([&] { u.Log("<a/>", "sta", "", ""); }),
            (Refusal{"EvxnLogException", "Diretório de log não pode ser criado ou está vazio: "}));
  EXPECT_EQ(calls, 0);
}

TEST(GovUtilsValues, CnpjAndCpf) {
  TvxnGovUtils u;
  EXPECT_TRUE(u.ValidateCNPJ("12345678000195"));
  EXPECT_TRUE(u.ValidateCNPJ("11222333000181"));
  EXPECT_TRUE(u.ValidateCNPJ("11.222.333/0001-81"));
  EXPECT_FALSE(u.ValidateCNPJ("11222333000182"));
  EXPECT_FALSE(u.ValidateCNPJ("11222333000191"));
  EXPECT_FALSE(u.ValidateCNPJ("00000000000000"));
  EXPECT_FALSE(u.ValidateCNPJ("1122233300018"));
  EXPECT_FALSE(u.ValidateCNPJ("1122233300018a"));
  EXPECT_FALSE(u.ValidateCNPJ(""));
  EXPECT_TRUE(u.ValidateCPF("52998224725"));
  EXPECT_TRUE(u.ValidateCPF("529.982.247-25"));
  EXPECT_TRUE(u.ValidateCPF("11144477735"));
  EXPECT_FALSE(u.ValidateCPF("52998224726"));
  EXPECT_FALSE(u.ValidateCPF("52998224735"));
  EXPECT_FALSE(u.ValidateCPF("11111111111"));
  EXPECT_FALSE(u.ValidateCPF("12345678000195"));
}

TEST(GovUtilsValues, CzroPadsByCharacters) {
  TvxnGovUtils u;
  EXPECT_EQ(u.Czro("12345678901", 14), "00012345678901");
  EXPECT_EQ(u.Czro("", 3), "000");
  EXPECT_EQ(u.Czro("123456789012345", 14), "123456789012345");
  EXPECT_EQ(u.Czro("ç", 3), "00ç");
}

TEST(GovUtilsValues, XsdDateTimes) {
  TvxnGovUtils u;
  using namespace std::chrono;
  const auto utc = [](int y, int m, int d, int hh, int mm, int ss) {
    return sys_days(year(y) / m / d) + hours(hh) + minutes(mm) + seconds(ss);
  };
  EXPECT_EQ(u.XsdDateTimeToDateTime("2024-05-10T10:20:30-03:00"), utc(2024, 5, 10, 13, 20, 30));
  EXPECT_EQ(u.XsdDateTimeToDateTime("2024-05-10T10:20:30+05:30"), utc(2024, 5, 10, 4, 50, 30));
  EXPECT_EQ(u.XsdDateTimeToDateTime("2024-05-10T10:20:30Z"), utc(2024, 5, 10, 10, 20, 30));
  EXPECT_EQ(u.XsdDateTimeToDateTime("2024-05-10T10:20:30.25Z"),
            utc(2024, 5, 10, 10, 20, 30) + milliseconds(250));
  // Without an offset the value is local time.
  const char* oldTz = std::getenv("TZ");
  const std::string savedTz = oldTz ? oldTz : "";
  setenv("TZ", "America/Sao_Paulo", 1);
  tzset();
  EXPECT_EQ(u.XsdDateTimeToDateTime("2024-05-10T10:20:30"), utc(2024, 5, 10, 13, 20, 30));
  EXPECT_EQ(u.XsdDateTimeToDateTime("2024-05-10"), utc(2024, 5, 10, 3, 0, 0));
  if (oldTz)
    setenv("TZ", savedTz.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
  for (const char* bad : {"", "10/05/2024", "2024-13-10", "2024-05-10T25:00:00Z", "2024-05-10T10:20:30-0300",
                          "2024-05-10T10:20", "2024-05-10X", "2024-05-10T10:20:30.Z"}) {
    EXPECT_EQ(RefusalOf([&] { u.XsdDateTimeToDateTime(bad); }),
              (Refusal{"EvxnNFEConvertDateException", std::string("Data/hora inválida: ") + bad}));
  }
}

} // namespace
} // namespace vxn
