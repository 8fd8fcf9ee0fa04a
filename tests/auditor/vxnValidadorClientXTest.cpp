// The adapter and the component's audit: the settings reach the control by id, in order and encoded as
// the control takes them; controls are created and destroyed one at a time across threads; AuditarXml
// sets the adapter up, fills only what the host left empty, and counts "Rejeição" in the verdict.
#include "auditor/vxnValidadorClientX.h"
#include "auditor/vxnValidadorLocal.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

namespace vxn {
namespace {

namespace id = idValidador;
using Adapter = TvxnValidadorClientX;

// Our control, recording every property written to it and every read of 216 (as id -216).
class ControleGravador : public TvxnValidadorLocal {
public:
  explicit ControleGravador(std::vector<std::pair<int, TvxnValorControle>>& log) : log_(log) {}
  void SetProperty(int p, const TvxnValorControle& v) override {
    log_.emplace_back(p, v);
    TvxnValidadorLocal::SetProperty(p, v);
  }
  TvxnValorControle GetProperty(int p) const override {
    if (p == id::TotalRejeicao)
      log_.emplace_back(-p, std::string());
    return TvxnValidadorLocal::GetProperty(p);
  }

private:
  std::vector<std::pair<int, TvxnValorControle>>& log_;
};

using Log = std::vector<std::pair<int, TvxnValorControle>>;

Adapter::TFabrica Gravando(Log& log) {
  return [&log] { return std::make_unique<ControleGravador>(log); };
}

TEST(ValidadorClientX, PushesTheSettingsInOrderAsTheControlTakesThem) {
  const std::int16_t v = kVerdadeiro16, f = kFalso16;
  using S = std::string;
  using I = std::int32_t;
  const Log padrao = {{201, S()},       {202, S()},  {203, S()},  {207, f},    {228, v},
                      {229, I{120000}}, {208, I{0}}, {209, I{1}}, {211, S()},  {212, I{0}},
                      {213, I{0}},      {214, S()},  {215, I{0}}, {-216, S()}, {217, I{0}},
                      {219, I{0}},      {223, S()},  {220, S()},  {222, S()},  {221, S()}};
  const Log alterado = {{201, S("s")},  {202, S("l")},   {203, S("srv")}, {207, v},       {228, f},
                        {229, I{5000}}, {208, I{7}},     {209, I{2}},     {211, S("t")},  {212, I{300}},
                        {213, I{400}},  {214, S("url")}, {215, I{1}},     {-216, S()},    {217, I{1}},
                        {219, I{1}},    {223, S("r/")},  {220, S("e/")},  {222, S("m/")}, {221, S("g/")}};
  Log log;
  Adapter a(Gravando(log));
  a.Controle();
  EXPECT_EQ(log, padrao);

  a.SetSenha("s");
  a.SetLogin("l");
  a.SetServidor("srv");
  a.SetExibirRegrasValidacao(true);
  a.SetAtualizarRegrasAutomaticamente(false);
  a.SetTimeout(5000);
  a.SetCodigoProduto(7);
  a.SetEstagio(Adapter::esTeste);
  a.SetTemplateHtml("t");
  a.SetHeigthHtml(300);
  a.SetWidthHtml(400);
  a.SetHtmlBaseUrl("url");
  a.SetTipoResposta(Adapter::trJSON);
  a.SetLinguagemResposta(Adapter::tlJavaScript);
  a.SetModoOperacao(Adapter::moCliente);
  a.SetDiretorioRegras("r/");
  a.SetDiretorioEsquemas("e/");
  a.SetDiretorioTemplates("m/");
  a.SetDiretorioLogErro("g/");
  // The proxy settings stay with the adapter.
  a.SetUsuarioProxy("pu");
  a.SetSenhaProxy("ps");
  a.SetServidorProxy("proxy");
  a.SetPortaProxy(3128);
  log.clear();
  a.Controle();
  EXPECT_EQ(log, alterado);
}

TEST(ValidadorClientX, ServidorDefaultIsStoredOnReadButNeverForcedOnTheControl) {
  Log log;
  Adapter a(Gravando(log));
  a.Controle();
  EXPECT_EQ(log.at(2), (std::pair<int, TvxnValorControle>{203, std::string()}));
  EXPECT_EQ(a.GetServidor(), Adapter::kServidorPadrao);
  log.clear();
  a.Controle();
  EXPECT_EQ(log.at(2), (std::pair<int, TvxnValorControle>{203, std::string(Adapter::kServidorPadrao)}));
}

// A control that notices when another one is being created or destroyed at the same moment.
std::atomic<int> ocupados{0};
std::atomic<bool> sobreposto{false};

void Ocupar() {
  if (ocupados.fetch_add(1) != 0)
    sobreposto = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ocupados.fetch_sub(1);
}

class ControleLento : public TvxnValidadorLocal {
public:
  ControleLento() { Ocupar(); }
  ~ControleLento() override { Ocupar(); }
};

TEST(ValidadorClientX, ControlsAreCreatedAndDestroyedOneAtATime) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 5; ++i) {
        Adapter a([] { return std::make_unique<ControleLento>(); });
        a.Controle();
      }
    });
  for (auto& t : threads)
    t.join();
  EXPECT_FALSE(sobreposto.load());
}

std::string Autorizada() {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/auditor/data/venda-sp-mg-nfeProc.xml");
}

TEST(AuditarXml, CountsTheRejectionsOfTheVerdict) {
  const std::string ok = Autorizada();
  std::string ruim = ReplaceAll(ok, "<vNF>6827.45</vNF>", "<vNF>6900.00</vNF>");
  ruim = ReplaceAll(ruim, "<CFOP>6101</CFOP>", "<CFOP>5101</CFOP>");
  const struct {
    std::string xml;
    std::string total;
  } casos[] = {{ok, "0"}, {ruim, "3"}, {ruim.substr(0, 300), "1"}};
  TvxnNFe nfe;
  Adapter auditor;
  nfe.SetComponenteAuditor(&auditor);
  for (const auto& caso : casos) {
    const std::string verdito = nfe.AuditarXml(caso.xml, "", "https://validador.exemplo", -1, 0);
    EXPECT_TRUE(verdito.starts_with("{\"leiaute\":")) << verdito; // JSON, as AuditarXml asks for
    EXPECT_EQ(auditor.GetTotalRejeicao(), caso.total) << verdito;
  }
  EXPECT_EQ(auditor.GetServidor(), "https://validador.exemplo");
  EXPECT_EQ(auditor.GetEstagio(), Adapter::esProducao);
  EXPECT_EQ(auditor.GetCodigoProduto(), 1);
  EXPECT_EQ(auditor.GetLinguagemResposta(), Adapter::tlJavaScript);
  EXPECT_TRUE(auditor.GetExibirRegrasValidacao());
}

TEST(AuditarXml, FillsOnlyWhatTheHostLeftEmptyAndShowsTheReportWhenAsked) {
  test::TempDir dir;
  ForceDirectories(dir.File("modelos/Auditor"));
  WriteFileAtomic(dir.File("modelos/Auditor/AuditorConfig.ini"),
                  "[AUDITOR]\r\nHeightHtml=321\r\nWidthHtml=654\r\n");
  TvxnNFe nfe;
  nfe.SetDiretorioTemplates(dir.File("modelos"));
  Log log;
  Adapter auditor(Gravando(log));
  auditor.SetHeigthHtml(100);
  auditor.SetDiretorioTemplates(ProgramDirectory() + "Templates/");
  auditor.Controle().SetProperty(id::ArquivoHtml, dir.File("auditoria.html"));
  nfe.SetComponenteAuditor(&auditor);

  nfe.AuditarXml(Autorizada(), "", "", 0, -1);
  EXPECT_EQ(auditor.GetHeigthHtml(), 100); // set by the host: the file is not read for it
  EXPECT_EQ(auditor.GetWidthHtml(), 654);
  EXPECT_EQ(auditor.GetDiretorioTemplates(), ProgramDirectory() + "Templates/");
  EXPECT_EQ(auditor.GetDiretorioEsquemas(), ProgramDirectory() + "Esquemas/");
  EXPECT_EQ(auditor.GetDiretorioRegras(), dir.File("modelos/Auditor/Regras/"));
  EXPECT_TRUE(DirectoryExists(dir.File("modelos/Auditor/Regras/")));
  EXPECT_EQ(auditor.GetDiretorioLogErro(), nfe.GetDiretorioLogErro());
  EXPECT_NE(ReadWholeFile(dir.File("auditoria.html")).find("<p>0 rejeições</p>"), std::string::npos);
}

TEST(AuditarXml, RefusesWithoutAnAdapterOrARuleFolder) {
  test::TempDir dir;
  TvxnNFe nfe;
  try {
    nfe.AuditarXml(Autorizada(), "", "", 0, 0);
    FAIL();
  } catch (const EvxnNFeException& e) {
    EXPECT_EQ(e.Message(), "Componente Validador Client não instanciado");
  }
  WriteFileAtomic(dir.File("arquivo"), "x");
  Adapter auditor;
  auditor.SetDiretorioRegras(dir.File("arquivo/Regras/"));
  nfe.SetComponenteAuditor(&auditor);
  try {
    nfe.AuditarXml(Autorizada(), "", "", 0, 0);
    FAIL();
  } catch (const EvxnNFeException& e) {
    EXPECT_EQ(e.Message(), "Diretório para regras não encontrado. " + dir.File("arquivo/Regras/"));
  }
  EXPECT_EQ(auditor.GetTotalRejeicao(), ""); // nothing was validated
}

} // namespace
} // namespace vxn
