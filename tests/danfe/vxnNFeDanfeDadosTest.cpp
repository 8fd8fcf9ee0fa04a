// The texts the DANFE print data writes from the groups of a document and the print settings: freight by
// layout, volumes, instalments, the FCP and interstate messages, the observations of the taxpayer, the
// fiscal note, the continuation block, the taxable unit, the Simples Nacional CSOSN and the cut of a long
// text. Each case edits the hand-written 10-item document (printed as a preview: it has no protocol) and
// compares the fields it changes. The cases are in tests/danfe/data/danfe-dados-casos.txt.
#include "danfe/vxnNFeDanfeDados.h"
#include "danfe/vxnDadosImpressaoEventos.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace vxn {
namespace {

const std::string kDocumento = ReadWholeFile(QVX_SOURCE_DIR "/tests/data/nfe-10-itens-v4.00.xml");

// The cases of tests/danfe/data/danfe-dados-casos.txt (its head says how they are written).
struct Edicao {
  std::string de, para;
  bool depois; // `para` follows `de` instead of replacing it
};
struct Verificacao {
  std::string tabela;
  std::size_t linha;
  std::string campo, texto;
};
struct Caso {
  std::string nome;
  std::vector<Edicao> edicoes;
  std::vector<std::string> ajustes;
  std::vector<Verificacao> verificacoes;
};

std::string Expandir(const std::string& texto) {
  std::string cedilhas;
  for (int i = 0; i < 255; ++i)
    cedilhas += "ç";
  return ReplaceAll(ReplaceAll(texto, "\\r\\n", "\r\n"), "{ç255}", cedilhas);
}

std::vector<Caso> Casos() {
  std::vector<Caso> casos;
  for (const std::string& linha :
       test::Lines(ReadWholeFile(QVX_SOURCE_DIR "/tests/danfe/data/danfe-dados-casos.txt"))) {
    if (linha.empty() || linha[0] == '#')
      continue;
    const std::size_t espaco = linha.find(' ');
    const std::string comando = linha.substr(0, espaco);
    const std::string resto = Expandir(linha.substr(espaco + 1));
    if (comando == "==")
      casos.push_back({resto, {}, {}, {}});
    else if (comando == "trocar" || comando == "depois")
      casos.back().edicoes.push_back({resto, "", comando == "depois"});
    else if (comando == "por" || comando == "inserir")
      casos.back().edicoes.back().para = resto;
    else if (comando == "ajuste")
      casos.back().ajustes.push_back(resto);
    else {
      const std::size_t campo = resto.find(' ') + 1, igual = resto.find('=');
      casos.back().verificacoes.push_back({comando, std::stoul(resto.substr(0, campo)),
                                           resto.substr(campo, igual - campo), resto.substr(igual + 1)});
    }
  }
  return casos;
}

const std::map<std::string, std::function<void(TvxnNFeDanfeDados&)>> kAjustes = {
    {"ImprimirVolume", [](TvxnNFeDanfeDados& p) { p.SetImprimirVolume(true); }},
    {"ImprimirDuplicata", [](TvxnNFeDanfeDados& p) { p.SetImprimirDuplicata(true); }},
    {"MensagemFCP", [](TvxnNFeDanfeDados& p) { p.SetMensagemFCP(true); }},
    {"MensagemPartilhaAutomatica", [](TvxnNFeDanfeDados& p) { p.SetMensagemPartilhaAutomatica(true); }},
    {"ImprimirObsCont", [](TvxnNFeDanfeDados& p) { p.SetImprimirObsCont(true); }},
    {"InfCplMaxRow2", [](TvxnNFeDanfeDados& p) { p.SetInfCplMaxRow(2); }},
    {"ImprimirUnidadeTributada", [](TvxnNFeDanfeDados& p) { p.SetImprimirUnidadeTributada(true); }},
};

TEST(DanfeDados, EachGroupAndSettingGivesItsPrintedTexts) {
  // The document's indentation goes, so that the edits find the groups on one line.
  std::string original;
  for (std::size_t i = 0; i < kDocumento.size(); ++i) {
    if (kDocumento[i] == '\n')
      while (i + 1 < kDocumento.size() && kDocumento[i + 1] == ' ')
        ++i;
    else
      original.push_back(kDocumento[i]);
  }
  const std::vector<Caso> casos = Casos();
  ASSERT_FALSE(casos.empty());
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nome);
    std::string documento = original;
    for (const Edicao& e : caso.edicoes) {
      const std::size_t p = documento.find(e.de);
      ASSERT_NE(p, std::string::npos) << e.de;
      documento.replace(p, e.de.size(), e.depois ? e.de + e.para : e.para);
    }
    auto dados = CriarNFeDanfeDados(vm60);
    dados->SetValidarRegrasNegocio(false);
    for (const std::string& ajuste : caso.ajustes)
      kAjustes.at(ajuste)(*dados);
    dados->SetXml(documento);
    dados->PopulaDataSet();
    for (const Verificacao& v : caso.verificacoes) {
      const TvxnDataSet* tabela = dados->GetTabela(v.tabela);
      ASSERT_NE(tabela, nullptr) << v.tabela;
      ASSERT_GT(tabela->StoredRecordCount(), v.linha) << v.tabela;
      EXPECT_EQ(tabela->FieldByName(v.campo).ValueIn(tabela->StoredRecord(v.linha)), v.texto) << v.campo;
    }
  }
}

// The summary form: a CPF where the issuer has no CNPJ, and the value grouped with two decimals.
TEST(DanfeDados, SummaryFormTakesTheCpfAndTheGroupedValue) {
  const std::string resumo =
      "<resNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.01\"><chNFe>"
      "35261211222333000181550010000010011730155823</chNFe><CPF>12345678909</CPF><xNome>José da Silva"
      "</xNome><IE>ISENTO</IE><dhEmi>2026-12-01T10:00:00-03:00</dhEmi><tpNF>1</tpNF><vNF>1234.5</vNF>"
      "<digVal>abc=</digVal><dhRecbto>2026-12-01T10:00:05-03:00</dhRecbto><nProt>135260000000009</nProt>"
      "<cSitNFe>1</cSitNFe></resNFe>";
  EXPECT_EQ(TipoDadosImpressao(resumo, false), TvxnTipoDadosImpressao::tdiResumo);
  TvxnResumoDadosImpressao dados;
  dados.SetXml(resumo);
  dados.PopulaDataSet();
  const TvxnDataSet& t = dados.GetDataSource();
  ASSERT_EQ(t.StoredRecordCount(), 1u);
  EXPECT_EQ(t.FieldByName("CNPJ").ValueIn(t.StoredRecord(0)), "12345678909");
  EXPECT_EQ(t.FieldByName("xNome").ValueIn(t.StoredRecord(0)), "José da Silva");
  EXPECT_EQ(t.FieldByName("vNF").ValueIn(t.StoredRecord(0)), "1.234,50");
}

// The correction letter's own line breaks become the line delimiter the layout breaks at.
TEST(DanfeDados, CorrectionTextBreaksLinesAtTheDelimiter) {
  const std::string cce =
      "<procEventoNFe><evento><infEvento Id=\"ID1101103526121122233300018155001000001001173015582301\">"
      "<cOrgao>35</cOrgao><CPF>12345678909</CPF><chNFe>35261211222333000181550010000010011730155823</chNFe>"
      "<tpEvento>110110</tpEvento><nSeqEvento>1</nSeqEvento><detEvento><xCorrecao>Rua B, 10\r\nBloco 2\nSala "
      "3"
      "</xCorrecao></detEvento></infEvento></evento><retEvento><infEvento><chNFe>"
      "35261211222333000181550010000010011730155823</chNFe><nProt>135260000000010</nProt>"
      "<CPFDest>98765432100</CPFDest></infEvento></retEvento></procEventoNFe>";
  TvxnCCeDadosImpressao dados;
  dados.SetLineDelimiter("#");
  dados.SetXml(cce);
  dados.PopulaDataSet();
  const TvxnDataSet& t = dados.GetDataSource();
  ASSERT_EQ(t.StoredRecordCount(), 1u);
  EXPECT_EQ(t.FieldByName("xCorrecao").ValueIn(t.StoredRecord(0)), "Rua B, 10#Bloco 2#Sala 3");
  EXPECT_EQ(t.FieldByName("CNPJ").ValueIn(t.StoredRecord(0)), "12345678909");
  EXPECT_EQ(t.FieldByName("CPFCNPJDest").ValueIn(t.StoredRecord(0)), "98765432100");
}

} // namespace
} // namespace vxn
