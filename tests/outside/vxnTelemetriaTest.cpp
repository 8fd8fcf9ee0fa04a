#include "vxnTelemetria.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace vxn {
namespace {

TEST(Telemetria, SilentByDefaultAndDeliversToTheSink) {
  TvxnTelemetria t;
  EXPECT_FALSE(t.HasSink());
  t.Ping("AssinarNota"); // nothing to deliver to, nothing happens

  std::vector<TvxnTelemetriaEvento> got;
  t.SetSink([&](const TvxnTelemetriaEvento& e) { got.push_back(e); });
  EXPECT_TRUE(t.HasSink());
  const auto before = std::chrono::system_clock::now();
  t.Ping("AssinarNota");
  t.Tempo("EnviarNF", "SEFAZ", 321);
  t.Resultado("EnviarNF", "103", "Lote recebido com sucesso");
  t.Excecao("EnviarNF", "EvxnNFeCheckParams", "Numero do Lote não pode conter acento: 1é");
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].Tipo, TvxnTelemetriaTipo::Ping);
  EXPECT_EQ(got[0].Operacao, "AssinarNota");
  EXPECT_GE(got[0].Quando, before);
  EXPECT_EQ(got[1].Tipo, TvxnTelemetriaTipo::Tempo);
  EXPECT_EQ(got[1].Detalhe, "SEFAZ");
  EXPECT_EQ(got[1].DuracaoMs, 321);
  EXPECT_EQ(got[2].Codigo, "103");
  EXPECT_EQ(got[2].Mensagem, "Lote recebido com sucesso");
  EXPECT_EQ(got[3].Tipo, TvxnTelemetriaTipo::Excecao);
  EXPECT_EQ(got[3].Classe, "EvxnNFeCheckParams");

  t.SetSink({});
  t.Ping("StatusDoServico");
  EXPECT_EQ(got.size(), 4u);
}

TEST(Telemetria, AFailingSinkNeverReachesTheCaller) {
  TvxnTelemetria t;
  int calls = 0;
  t.SetSink([&](const TvxnTelemetriaEvento&) {
    ++calls;
    throw std::runtime_error("sink down");
  });
  EXPECT_NO_THROW(t.Ping("a"));
  EXPECT_NO_THROW(t.Excecao("a", "b", "c"));
  EXPECT_EQ(calls, 2);
}

} // namespace
} // namespace vxn
