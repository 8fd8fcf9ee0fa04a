// The DANFE print data of documents the local server authorised and of the events the event engine
// registered: the example cases of a print (authorised, cancelled, denied, contingency, correction
// letter), each compared on the fields and texts that tell it apart.
#include "EventosFixture.h"
#include "danfe/vxnDadosImpressaoEventos.h"
#include "danfe/vxnNFeDanfeDados.h"
#include "danfe/vxnNFeDanfeFormatacao.h"
#include "support/RefusalOf.h"
#include "support/XmlTag.h"
#include "xml/vxnNFeUtils.h"

#include <gtest/gtest.h>

#include <map>

namespace vxn::test {
namespace {

using Campos = std::map<std::string, std::string>;

// The chosen fields of the first row of a table.
Campos Linha(const TvxnDataSet& tabela, const Campos& esperado) {
  Campos lido;
  if (tabela.StoredRecordCount() == 0)
    return lido;
  const auto registro = tabela.StoredRecord(0);
  for (const auto& [campo, valor] : esperado)
    lido[campo] = std::string(tabela.FieldByName(campo).ValueIn(registro));
  return lido;
}

std::string Substituir(std::string s, const std::string& de, const std::string& para) {
  const auto p = s.find(de);
  return p == std::string::npos ? s : s.replace(p, de.size(), para);
}

std::string Contingencia(std::string infNFe) {
  infNFe = Substituir(infNFe, "<tpEmis>1</tpEmis>", "<tpEmis>2</tpEmis>");
  return Substituir(infNFe, "</ide>",
                    "<dhCont>2026-12-06T10:00:00-03:00</dhCont><xJust>Falha de comunicacao com a "
                    "SEFAZ de origem</xJust></ide>");
}

TEST_F(EventosTest, DanfePrintDataOfEachCaseCarriesItsFieldsAndTexts) {
  std::string nProt;
  const std::string chave = Autorizar(&nProt);
  const std::string nfeProc = Distribuicao(chave + "-nfe.xml");
  ASSERT_NE(nfeProc.find("<nfeProc"), std::string::npos) << nfeProc;
  const std::string dest = Tag(nfeProc, "dest");
  const std::string vNF = Tag(nfeProc, "vNF");
  ASSERT_EQ(Ret(nfe_->CancelarNFeEvento(chave, nProt, "Cancelamento por erro de digitacao do pedido", "", "",
                                        1, "1"),
                "cStat"),
            "135");
  const std::string cancelamento = Distribuicao(chave + "-caneve.xml");
  const std::string denegada =
      Substituir(Substituir(nfeProc, "<cStat>100</cStat>", "<cStat>301</cStat>"), Tag(nfeProc, "xMotivo"),
                 "Uso Denegado: Irregularidade fiscal do emitente");
  const std::string contingencia = NotaAssinada(Contingencia);

  struct Caso {
    const char* nome;
    std::string xml;
    std::function<void(TvxnNFeDanfeDados&)> ajuste;
    Campos esperado;
  };
  const std::vector<Caso> casos = {
      {"authorised sale",
       nfeProc,
       {},
       {{"CodBarra", chave},
        {"nProt", nProt},
        {"FraseHomologacao", "SEM VALOR FISCAL"},
        {"FraseContingencia", ""},
        {"CodBarraDadosNFe", ""},
        {"TarjaCancelada", ""},
        {"DestCNPJ", Tag(dest, "CNPJ")},
        {"ValorTotNota", VirgulaDecimal(vNF)},
        {"TraDescMod", Tag(nfeProc, "modFrete") + (Tag(nfeProc, "modFrete") == "9" ? "-Sem Frete" : "")}}},
      {"sale previewed without the checks",
       nfeProc,
       [](TvxnNFeDanfeDados& d) { d.SetValidarRegrasNegocio(false); },
       {{"FraseHomologacao", "PREVISÃO DE DANFE. SEM VALOR FISCAL"}}},
      {"cancelled, with its event",
       nfeProc + cancelamento,
       [](TvxnNFeDanfeDados& d) { d.SetImprimirTarjaCancelada(true); },
       {{"TarjaCancelada", "CANCELADA"}, {"nProt", nProt}}},
      {"cancelled, banner off", nfeProc + cancelamento, {}, {{"TarjaCancelada", ""}}},
      {"denied",
       denegada,
       [](TvxnNFeDanfeDados& d) { d.SetImprimirTarjaDenegada(true); },
       {{"TarjaDenegada", "NFe SEM VALOR FISCAL\r\nUso Denegado: Irregularidade fiscal do emitente"}}},
      {"contingency",
       contingencia,
       [](TvxnNFeDanfeDados& d) {
         d.SetProtocoloEPEC("135260000000001");
         d.SetDataHoraEPEC("2026-12-06T10:05:00-03:00");
       },
       {{"tpEmis", "2"},
        {"nProt", ""},
        {"nProtEpec", "135260000000001 2026-12-06T10:05:00-03:00"},
        {"TipoProtContingencia", "EPEC"},
        {"FraseContingencia", "DANFE em Contingência - impresso em decorrência de problemas técnicos [Falha "
                              "de comunicacao com a SEFAZ "
                              "de origem]"},
        {"JustContingencia", "Falha de comunicacao com a SEFAZ de origem"},
        {"dhContingencia", "2026-12-06T10:00:00-03:00"}}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nome);
    auto dados = CriarNFeDanfeDados(vm60);
    dados->SetXml(caso.xml);
    if (caso.ajuste)
      caso.ajuste(*dados);
    ASSERT_EQ(RefusalOf([&] { dados->PopulaDataSet(); }), Refusal{});
    EXPECT_EQ(dados->GetDataSource().StoredRecordCount(), 1u);
    EXPECT_EQ(Linha(dados->GetDataSource(), caso.esperado), caso.esperado);
    EXPECT_GT(dados->GetDataSourceItens().StoredRecordCount(), 0u);
  }

  // The contingency code: the recipient's state, tpEmis, CNPJ, vNF digits, ICMS indicators, day, check digit.
  auto offline = CriarNFeDanfeDados(vm60);
  offline->SetXml(contingencia);
  const std::string codigo = offline->GetCodigoBarrasNFeOffline();
  const std::string tot = Tag(contingencia, "ICMSTot");
  std::string valor = Substituir(Tag(tot, "vNF"), ".", "");
  valor.insert(0, 14 - valor.size(), '0');
  const std::string prefixo =
      GetCodeUF(Tag(Tag(contingencia, "dest"), "UF")) + "2" + Tag(Tag(contingencia, "dest"), "CNPJ") + valor +
      (Tag(tot, "vBC") == "0.00" ? "2" : "1") + (Tag(tot, "vBCST") == "0.00" ? "2" : "1") +
      Tag(contingencia, "dhEmi").substr(8, 2);
  ASSERT_EQ(codigo.size(), 36u) << codigo;
  EXPECT_EQ(codigo.substr(0, 35), prefixo);
  EXPECT_EQ(codigo[35], CalculaDigitoModulo11(prefixo));
  offline->SetXml(nfeProc);
  EXPECT_EQ(offline->GetCodigoBarrasNFeOffline(), "");
  EXPECT_EQ(nfe_->CalcularCodigoBarrasNFeOffline(contingencia), codigo);

  // The event forms, from the event engine's distribution XML.
  ASSERT_EQ(Ret(nfe_->EnviarCCe(chave, "Endereco de entrega:\r\nRua das Flores, 123", "35", "", "", 1, "2"),
                "cStat"),
            "580"); // a cancelled document takes no correction
  EXPECT_EQ(TipoDadosImpressao(cancelamento, false), TvxnTipoDadosImpressao::tdiCancelamento);
  EXPECT_EQ(TipoDadosImpressao(nfeProc + cancelamento, true), TvxnTipoDadosImpressao::tdiDanfe);
  TvxnCancDadosImpressao canc;
  canc.SetXml(cancelamento);
  canc.PopulaDataSet();
  const Campos cancEsperado = {
      {"ChaveNFe", chave},
      {"NumProtAutorizacaoNFe", nProt},
      {"Justificativa", "Cancelamento por erro de digitacao do pedido"},
      {"TipoEvento", "110111"},
      {"ChaveCancelamento", "110111" + chave + "01"},
      {"NumProtCancelamento", Tag(Between(cancelamento, "<retEvento", "</retEvento>"), "nProt")}};
  EXPECT_EQ(Linha(canc.GetDataSource(), cancEsperado), cancEsperado);
}

TEST_F(EventosTest, CorrectionLetterPrintDataComesFromItsDistributionXml) {
  const std::string chave = Autorizar();
  ASSERT_EQ(
      Ret(nfe_->EnviarCCe(chave, "Endereco de entrega: Rua das Flores, 123", "35", "", "", 1, "1"), "cStat"),
      "135");
  const std::string cce = Distribuicao(chave + "-cce.xml");
  EXPECT_EQ(TipoDadosImpressao(cce, false), TvxnTipoDadosImpressao::tdiCCe);
  TvxnCCeDadosImpressao dados;
  dados.SetXml(cce);
  dados.PopulaDataSet();
  const std::string ret = Between(cce, "<retEvento", "</retEvento>");
  const Campos esperado = {{"chNFe", chave},
                           {"CNPJ", kCnpjCertificado},
                           {"nSeqEvento", "1"},
                           {"xCorrecao", "Endereco de entrega: Rua das Flores, 123"},
                           {"nProt", Tag(ret, "nProt")},
                           {"dhRegEvento", Tag(ret, "dhRegEvento")},
                           {"CPFCNPJDest", Tag(ret, "CNPJDest")}};
  EXPECT_EQ(Linha(dados.GetDataSource(), esperado), esperado);
}

// Refused before any row is written, whatever was filled before.
TEST_F(EventosTest, DanfePrintDataRefusesWhatCannotBePrinted) {
  const std::string chave = Autorizar();
  const std::string nfeProc = Distribuicao(chave + "-nfe.xml");
  const std::string semProtocolo = NotaAssinada();
  struct Caso {
    std::string xml;
    Refusal recusa;
  };
  const std::vector<Caso> casos = {
      {"<nfeProc><NFe>", {"EvxnNFeException", "XML para exportação do Danfe inválido."}},
      {"<nada/>", {"EvxnNFeException", "XML para exportação do Danfe inválido."}},
      {semProtocolo, {"EvxnNFeReportException", "O Xml não é válido para impressão em modo Normal / SCAN"}},
      {Substituir(nfeProc, "<cStat>100</cStat>", "<cStat>110</cStat>"),
       {"EvxnNFeReportException", "Danfe não autorizada para Impressão."}},
      {Substituir(nfeProc, "<nProt>" + Tag(nfeProc, "nProt") + "</nProt>", "<nProt></nProt>"),
       {"EvxnNFeReportException", "Número de Protocolo não encontrado."}},
  };
  auto dados = CriarNFeDanfeDados(vm60);
  for (const Caso& caso : casos) {
    dados->SetXml(nfeProc);
    dados->PopulaDataSet();
    dados->SetXml(caso.xml);
    EXPECT_EQ(RefusalOf([&] { dados->PopulaDataSet(); }), caso.recusa) << caso.xml.substr(0, 40);
    for (const TvxnTabelaImpressao& tabela : dados->GetTabelas())
      EXPECT_EQ(tabela.dados->StoredRecordCount(), 0u) << tabela.dados->Name();
  }
  // Layout 2.00 also wants the signature.
  auto antigo = CriarNFeDanfeDados(vm202a);
  const std::string semAssinatura =
      nfeProc.substr(0, nfeProc.find("<Signature")) + nfeProc.substr(nfeProc.find("</Signature>") + 12);
  antigo->SetXml(semAssinatura);
  EXPECT_EQ(RefusalOf([&] { antigo->PopulaDataSet(); }),
            (Refusal{"EvxnNFeReportException", "A Nota não possui Assinatura"}));
}

} // namespace
} // namespace vxn::test
