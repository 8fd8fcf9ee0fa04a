// The component asks the local tax-authority server for its status, configured only from the files the
// server writes, as an application would be.
#include "sefaz-sim/SefazSim.h"
#include "support/RefusalOf.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

struct LogCall {
  std::string nome, id, arquivo, conteudo;
};

class StatusDoServicoTest : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    nfe_.LoadConfig(files_.ConfigFile);
    nfe_.SetOnLog([this](const std::string& n, const std::string& id, const std::string& f) {
      onLog_.push_back({n, id, f, ""});
    });
    nfe_.SetOnLogContent(
        [this](const std::string& n, const std::string& id, const std::string& f, const std::string& c) {
          onLogContent_.push_back({n, id, f, c});
        });
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  std::set<std::string> LogFiles() const { return test::FileNames(dir_.Path() + "sim/Log"); }

  test::TempDir dir_;
  sim::TSefazSim sim_{test::SimOptions()};
  sim::TSefazSimConfigFiles files_;
  TvxnNFe nfe_;
  std::vector<LogCall> onLog_;
  std::vector<LogCall> onLogContent_;
};

TEST_F(StatusDoServicoTest, ServiceInOperationWithRequestAndReplyLogged) {
  const std::string reply = nfe_.StatusDoServico();
  EXPECT_TRUE(reply.starts_with("<retConsStatServ")) << reply;
  EXPECT_NE(reply.find("<cStat>107</cStat>"), std::string::npos) << reply;
  EXPECT_EQ(test::XmlSchemaErrors(reply, test::FindSchema("retConsStatServ_v4.00.xsd")), "");

  // What the server received is the official consStatServ, checked here independently of the library.
  const auto received = sim_.ReceivedMessages();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(test::XmlSchemaErrors(received[0], test::FindSchema("consStatServ_v4.00.xsd")), "");
  EXPECT_NE(received[0].find("<tpAmb>2</tpAmb><cUF>35</cUF>"), std::string::npos);

  // Both records were written, announced with their full path, and handed over with their content.
  const auto files = LogFiles();
  ASSERT_EQ(files.size(), 2u);
  int pedSta = 0, sta = 0;
  for (const auto& f : files) {
    pedSta += f.ends_with("-ped-sta.xml");
    sta += f.ends_with("-sta.xml") && !f.ends_with("-ped-sta.xml");
  }
  EXPECT_EQ(pedSta, 1);
  EXPECT_EQ(sta, 1);
  ASSERT_EQ(onLog_.size(), 2u);
  EXPECT_EQ(onLog_[0].nome, "ped-sta");
  EXPECT_EQ(onLog_[1].nome, "sta");
  EXPECT_TRUE(std::filesystem::exists(onLog_[1].arquivo)) << onLog_[1].arquivo;
  EXPECT_NE(test::ReadFileOrEmpty(onLog_[1].arquivo).find("<cStat>107</cStat>"), std::string::npos);
  EXPECT_NE(test::ReadFileOrEmpty(onLog_[0].arquivo).find("<xServ>STATUS</xServ>"), std::string::npos);
  ASSERT_EQ(onLogContent_.size(), 2u);
  EXPECT_EQ(onLogContent_[0].nome, "ped-sta");
  EXPECT_EQ(onLogContent_[1].conteudo, reply);
}

TEST_F(StatusDoServicoTest, TelemetryHearsTheCallTheResultAndFailures) {
  std::vector<TvxnTelemetriaEvento> events;
  nfe_.GetTelemetria().SetSink([&events](const TvxnTelemetriaEvento& e) { events.push_back(e); });
  nfe_.StatusDoServico();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].Tipo, TvxnTelemetriaTipo::Ping);
  EXPECT_EQ(events[0].Operacao, "StatusDoServico");
  EXPECT_EQ(events[1].Tipo, TvxnTelemetriaTipo::Tempo);
  EXPECT_EQ(events[1].Detalhe, "SEFAZ");
  EXPECT_EQ(events[2].Tipo, TvxnTelemetriaTipo::Resultado);
  EXPECT_EQ(events[2].Codigo, "107");
  EXPECT_EQ(events[2].Mensagem, "Servico em Operacao");
  events.clear();
  nfe_.SetModoOperacao(moEPEC);
  EXPECT_THROW(nfe_.StatusDoServico(), EvxnNFeException);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].Tipo, TvxnTelemetriaTipo::Excecao);
  EXPECT_EQ(events[1].Classe, "EvxnNFeException");
}

// (A paused service is an answer, not a failure: NfeToolTest's paused-service case.)
TEST_F(StatusDoServicoTest, WithoutDiskLogsOnlyTheContentCallbackRuns) {
  nfe_.SetSalvarLogsEmDisco(false);
  nfe_.StatusDoServico();
  EXPECT_TRUE(LogFiles().empty());
  EXPECT_TRUE(onLog_.empty());
  ASSERT_EQ(onLogContent_.size(), 2u);
  EXPECT_TRUE(onLogContent_[0].arquivo.ends_with("-ped-sta.xml")) << onLogContent_[0].arquivo;
}

TEST_F(StatusDoServicoTest, FailuresOfTheCallCarryThePrefix) {
  nfe_.SetModoOperacao(moEPEC);
  EXPECT_EQ(RefusalOf([&] { nfe_.StatusDoServico(); }),
            (Refusal{"EvxnNFeException",
                     "Erro ao consultar status do serviço: Servidor para NfeStatusServico4 não definido no "
                     "arquivo: " +
                         files_.ServersFile}));
  nfe_.SetModoOperacao(moNormal);
  sim_.Stop();
  const Refusal down = RefusalOf([&] { nfe_.StatusDoServico(); });
  EXPECT_EQ(down.className, "EvxnNFeException");
  EXPECT_TRUE(down.message.starts_with("Erro ao consultar status do serviço: ")) << down;
  // The request was logged before each failed call; no reply was.
  for (const auto& c : onLogContent_)
    EXPECT_EQ(c.nome, "ped-sta");
}

TEST_F(StatusDoServicoTest, Layout310AndTheVersionOfTheLotTemplate) {
  EXPECT_EQ(nfe_.GetVersaoNota(), "4.00");
  nfe_.SetVersaoManual(vm50a);
  EXPECT_EQ(nfe_.GetVersaoNota(), "3.10");
  const std::string reply = nfe_.StatusDoServico();
  EXPECT_TRUE(reply.starts_with("<nfeStatusServicoNFResult")) << reply;
  EXPECT_NE(reply.find("<cStat>107</cStat>"), std::string::npos);
  EXPECT_EQ(test::XmlSchemaErrors(sim_.ReceivedMessages().back(), test::FindSchema("consStatServ_v3.10.xsd")),
            "");
}

} // namespace
} // namespace vxn
