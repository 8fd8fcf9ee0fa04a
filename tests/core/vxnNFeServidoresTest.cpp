#include "services/vxnNFE30Intf.h"
#include "services/vxnNFE50Intf.h"
#include "services/vxnNFE60Intf.h"
#include "support/DevPki.h"
#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/TlsTestServer.h"
#include "support/ZipFixture.h"
#include "vxnFiles.h"
#include "vxnIniFile.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

namespace fs = std::filesystem;
using test::DevPki;
using test::ReadFileOrEmpty;
using test::TempDir;
using test::TlsTestResponse;
using test::TlsTestServer;

// A servers-file archive as published: one deflated entry.
std::string ZipOneFile(const std::string& name, const std::string& content) {
  return test::MakeZip(name, content, true);
}

// The local HTTPS server that publishes the archives: fixed bodies by path, 404 for anything else.
class ArquivosServer {
public:
  ArquivosServer()
      : server_(test::SharedPki().Server(), "", [this](const test::TlsTestRequest& r) {
          std::lock_guard lock(mutex_);
          TlsTestResponse res;
          res.ContentType = "application/zip";
          auto it = bodies_.find(r.Path);
          if (it == bodies_.end())
            res.Status = 404;
          else
            res.Body = it->second;
          return res;
        }) {}
  void Serve(const std::string& path, std::string body) {
    std::lock_guard lock(mutex_);
    bodies_[path] = std::move(body);
  }
  std::string Url(const std::string& path) const { return server_.Url(path); }
  int Requests() const { return static_cast<int>(server_.Received().size()); }

private:
  std::mutex mutex_;
  std::map<std::string, std::string> bodies_;
  TlsTestServer server_;
};

constexpr const char* kPortalProd = "https://www.nfe.fazenda.gov.br/portal/webServices.aspx";
constexpr const char* kPortalHom = "https://hom.nfe.fazenda.gov.br/portal/webServices.aspx";

std::string ServersFile(const char* portal, const char* address) {
  return std::string("[Portal]\nendereco=") + portal + "\n\n[SP]\nNfeStatusServico4=" + address + "\n";
}

// The servers files of both environments in a fresh program directory, and a local HTTPS server that
// publishes their replacements.
class ServersUpdateTest : public test::ProgramHomeTest {
protected:
  void SetUp() override {
    prod = home.File("nfeServidoresProd.ini");
    hom = home.File("nfeServidoresHom.ini");
    WriteFileAtomic(prod, kOldProd);
    WriteFileAtomic(hom, kOldHom);
    nfe.SetArquivoServidoresProd("nfeServidoresProd.ini");
    nfe.SetArquivoServidoresHom("nfeServidoresHom.ini");
    nfe.SetEnderecoDownloadServidoresProd(server.Url("/nfeServidoresProd.zip"));
    nfe.SetEnderecoDownloadServidoresHom(server.Url("/nfeServidoresHom.zip"));
    server.Serve("/nfeServidoresProd.zip", ZipOneFile("nfeServidoresProd.ini", kNewProd));
    server.Serve("/nfeServidoresHom.zip", ZipOneFile("nfeServidoresHom.ini", kNewHom));
  }
  static void Age(const std::string& path, std::chrono::minutes age) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - age);
  }
  static std::chrono::minutes AgeOf(const std::string& path) {
    return std::chrono::duration_cast<std::chrono::minutes>(fs::file_time_type::clock::now() -
                                                            fs::last_write_time(path));
  }
  bool BackupsLeft() const {
    return fs::exists(home.File("bkp_nfeServidoresProd.ini")) ||
           fs::exists(home.File("bkp_nfeServidoresHom.ini"));
  }

  const std::string kOldProd = ServersFile(kPortalProd, "https://127.0.0.1/velho-prod");
  const std::string kOldHom = ServersFile(kPortalHom, "https://127.0.0.1/velho-hom");
  const std::string kNewProd = ServersFile(kPortalProd, "https://127.0.0.1/novo-prod");
  const std::string kNewHom = ServersFile(kPortalHom, "https://127.0.0.1/novo-hom");
  ArquivosServer server;
  std::string prod, hom;
  TvxnNFe nfe;
};

TEST_F(ServersUpdateTest, FilesYoungerThanFourHoursAreNotDownloadedAgain) {
  Age(prod, std::chrono::hours(3));
  Age(hom, std::chrono::hours(3) + std::chrono::minutes(59));
  nfe.UpdateIniServidores();
  EXPECT_EQ(server.Requests(), 0);
  EXPECT_EQ(ReadFileOrEmpty(prod), kOldProd);
  EXPECT_EQ(ReadFileOrEmpty(hom), kOldHom);
}

TEST_F(ServersUpdateTest, OlderFilesAreReplacedByTheDownloadAndStampedNow) {
  Age(prod, std::chrono::hours(5));
  Age(hom, std::chrono::hours(5));
  nfe.UpdateIniServidores();
  EXPECT_EQ(server.Requests(), 2);
  EXPECT_EQ(ReadFileOrEmpty(prod), kNewProd);
  EXPECT_EQ(ReadFileOrEmpty(hom), kNewHom);
  EXPECT_LT(AgeOf(prod), std::chrono::minutes(1));
  EXPECT_LT(AgeOf(hom), std::chrono::minutes(1));
  EXPECT_FALSE(BackupsLeft());
  // Fresh now: a second call downloads nothing.
  nfe.UpdateIniServidores();
  EXPECT_EQ(server.Requests(), 2);
}

TEST_F(ServersUpdateTest, OneOldFileIsEnoughToRefreshBoth) {
  Age(prod, std::chrono::hours(1));
  Age(hom, std::chrono::hours(4));
  nfe.UpdateIniServidores();
  EXPECT_EQ(server.Requests(), 2);
  EXPECT_EQ(ReadFileOrEmpty(prod), kNewProd);
  EXPECT_EQ(ReadFileOrEmpty(hom), kNewHom);
}

TEST_F(ServersUpdateTest, ADownloadWithoutThePortalMarkerRestoresThePreviousFiles) {
  Age(prod, std::chrono::hours(5));
  Age(hom, std::chrono::hours(5));
  // The homologation archive names the production portal: not a homologation servers file.
  server.Serve("/nfeServidoresHom.zip", ZipOneFile("nfeServidoresHom.ini", ServersFile(kPortalProd, "x")));
  nfe.UpdateIniServidores();
  EXPECT_EQ(server.Requests(), 2);
  EXPECT_EQ(ReadFileOrEmpty(prod), kOldProd);
  EXPECT_EQ(ReadFileOrEmpty(hom), kOldHom);
  EXPECT_FALSE(BackupsLeft());
  // The restored files keep their age, so the next operation tries again.
  EXPECT_GE(AgeOf(prod), std::chrono::hours(5));
  nfe.UpdateIniServidores();
  EXPECT_EQ(server.Requests(), 4);
}

TEST_F(ServersUpdateTest, AFailedDownloadNeverReachesTheCaller) {
  Age(prod, std::chrono::hours(5));
  Age(hom, std::chrono::hours(5));
  nfe.SetEnderecoDownloadServidoresHom(server.Url("/nao-existe.zip"));
  EXPECT_NO_THROW(nfe.UpdateIniServidores());
  EXPECT_EQ(ReadFileOrEmpty(prod), kOldProd);
  EXPECT_EQ(ReadFileOrEmpty(hom), kOldHom);
  EXPECT_FALSE(BackupsLeft());
}

TEST_F(ServersUpdateTest, TheMarkerIgnoresCaseAndAMissingFileIsFetched) {
  fs::remove(hom);
  Age(prod, std::chrono::hours(1));
  server.Serve("/nfeServidoresHom.zip",
               ZipOneFile("nfeServidoresHom.ini",
                          "[PORTAL]\r\nENDERECO=HTTPS://HOM.NFE.FAZENDA.GOV.BR/PORTAL/WEBSERVICES.ASPX\r\n"));
  nfe.UpdateIniServidores();
  EXPECT_EQ(server.Requests(), 2);
  EXPECT_TRUE(fs::exists(hom));
  EXPECT_EQ(ReadFileOrEmpty(prod), kNewProd);
}

TEST_F(ServersUpdateTest, NothingHappensWhenTheUpdateIsOffOrHasNoAddress) {
  Age(prod, std::chrono::hours(9));
  Age(hom, std::chrono::hours(9));
  nfe.SetAtualizarArquivoServidores(false);
  nfe.UpdateIniServidores();
  EXPECT_EQ(server.Requests(), 0);
  nfe.SetAtualizarArquivoServidores(true);
  nfe.SetEnderecoDownloadServidoresProd("");
  nfe.UpdateIniServidores();
  EXPECT_EQ(server.Requests(), 0);
  EXPECT_EQ(ReadFileOrEmpty(prod), kOldProd);
}

TEST_F(ServersUpdateTest, TheOpenServersFileShowsTheDownloadedAddresses) {
  nfe.SetUF("SP");
  nfe.UpdateNFeData();
  ASSERT_NE(nfe.GetNFeData().ServersIni, nullptr);
  EXPECT_EQ(nfe.GetNFeData().ServersIni->ReadString("SP", "NfeStatusServico4", ""),
            "https://127.0.0.1/velho-hom");
  Age(prod, std::chrono::hours(5));
  Age(hom, std::chrono::hours(5));
  nfe.UpdateIniServidores();
  ASSERT_NE(nfe.GetNFeData().ServersIni, nullptr);
  EXPECT_EQ(nfe.GetNFeData().ServersIni->ReadString("SP", "NfeStatusServico4", ""),
            "https://127.0.0.1/novo-hom");
}

TEST_F(ServersUpdateTest, TheWebServiceObjectFollowsTheLayoutVersion) {
  // Before the government-services object exists nothing chose the web-service object.
  EXPECT_EQ(RefusalOf([&] { nfe.GetNFE(); }),
            (Refusal{"EvxnNFeConfigException", "Versão do Manual não definida"}));
  nfe.GetGov();
  TvxnNFEInterface* first = &nfe.GetNFE();
  nfe.SetVersaoManual(vm60);
  EXPECT_EQ(&nfe.GetNFE(), first); // same class: kept
  nfe.SetVersaoManual(vm50a);
  EXPECT_NE(dynamic_cast<TvxnNFE50aIntf*>(&nfe.GetNFE()), nullptr);
  EXPECT_EQ(dynamic_cast<TvxnNFE60Intf*>(&nfe.GetNFE()), nullptr);
  nfe.SetVersaoManual(vm60);
  EXPECT_NE(dynamic_cast<TvxnNFE60Intf*>(&nfe.GetNFE()), nullptr);
  // The older layouts: 5.0 is 4.0's class unchanged, 2.02a shares 3.0's.
  nfe.SetVersaoManual(vm50);
  EXPECT_NE(dynamic_cast<TvxnNFE50Intf*>(&nfe.GetNFE()), nullptr);
  EXPECT_EQ(dynamic_cast<TvxnNFE50aIntf*>(&nfe.GetNFE()), nullptr);
  nfe.SetVersaoManual(vm40);
  EXPECT_NE(dynamic_cast<TvxnNFE40Intf*>(&nfe.GetNFE()), nullptr);
  EXPECT_EQ(dynamic_cast<TvxnNFE50Intf*>(&nfe.GetNFE()), nullptr);
  nfe.SetVersaoManual(vm202a);
  EXPECT_NE(dynamic_cast<TvxnNFE30Intf*>(&nfe.GetNFE()), nullptr);
}

TEST_F(ServersUpdateTest, GetNFEChecksTheServersFileOfTheEnvironment) {
  nfe.GetGov();
  nfe.SetArquivoServidoresHom("");
  EXPECT_EQ(RefusalOf([&] { nfe.GetNFE(); }),
            (Refusal{"EvxnNFeConfigException", "Arquivo de servidores de homologação não informado"}));
  nfe.SetArquivoServidoresHom(home.File("sumiu.ini"));
  EXPECT_EQ(RefusalOf([&] { nfe.GetNFE(); }),
            (Refusal{"EvxnNFeConfigException", "Arquivo \"" + home.File("sumiu.ini") +
                                                   "\" de servidores de homologação não encontrado"}));
  nfe.SetAmbiente(akProducao);
  nfe.SetArquivoServidoresProd("");
  EXPECT_EQ(RefusalOf([&] { nfe.GetNFE(); }),
            (Refusal{"EvxnNFeConfigException", "Arquivo de servidores de produção não informado"}));
  nfe.SetArquivoServidoresProd("nfeServidoresProd.ini");
  EXPECT_NO_THROW(nfe.GetNFE());
}

} // namespace
} // namespace vxn
