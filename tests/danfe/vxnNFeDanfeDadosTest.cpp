// The texts the DANFE print data writes from the groups of a document and the print settings: freight by
// layout, volumes, instalments, the FCP and interstate messages, the observations of the taxpayer, the
// fiscal note, the continuation block, the taxable unit, the Simples Nacional CSOSN and the cut of a long
// text. Each case edits the hand-written 10-item document (printed as a preview: it has no protocol) and
// compares the fields it changes.
#include "danfe/vxnNFeDanfeDados.h"
#include "danfe/vxnDadosImpressaoEventos.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace vxn {
namespace {

using Campos = std::map<std::string, std::string>;

const std::string kDocumento = ReadWholeFile(QVX_SOURCE_DIR "/tests/data/nfe-10-itens-v4.00.xml");
const std::string kInfCpl = "Documento de teste escrito a mao para a biblioteca.";

std::string Trocar(std::string s, const std::string& de, const std::string& para) {
  const auto p = s.find(de);
  EXPECT_NE(p, std::string::npos) << de;
  return p == std::string::npos ? s : s.replace(p, de.size(), para);
}

// `texto` written right after the first `marca` (kept).
std::string Depois(const std::string& s, const std::string& marca, const std::string& texto) {
  return Trocar(s, marca, marca + texto);
}

const std::string kDoisVolumes =
    "<vol><qVol>1200</qVol><esp>CAIXA</esp><marca>ACME</marca><nVol>1</nVol><pesoL>1000.500</pesoL>"
    "<pesoB>1010.000</pesoB></vol><vol><qVol>34</qVol><esp>FARDO</esp><marca>ACME</marca><nVol>2</nVol>"
    "<pesoL>0.250</pesoL><pesoB>0.300</pesoB></vol>";

struct Caso {
  const char* nome;
  std::function<std::string(std::string)> editar;
  std::function<void(TvxnNFeDanfeDados&)> ajustar;
  const char* tabela;
  std::size_t linha;
  Campos esperado;
};

TEST(DanfeDados, EachGroupAndSettingGivesItsPrintedTexts) {
  const std::string kFrete = "<modFrete>9</modFrete>";
  std::string cedilhas255;
  for (int i = 0; i < 255; ++i)
    cedilhas255 += "ç";
  const std::vector<Caso> casos = {
      {"freight by the recipient, layout 4.00",
       [&](std::string d) { return Trocar(d, kFrete, "<modFrete>1</modFrete>"); },
       {},
       "Dados",
       0,
       {{"TraModFrete", "1"}, {"TraDescMod", "1 - Dest."}}},
      {"own freight of the recipient, layout 4.00",
       [&](std::string d) { return Trocar(d, kFrete, "<modFrete>4</modFrete>"); },
       {},
       "Dados",
       0,
       {{"TraDescMod", "4 - Dest."}}},
      {"freight by third parties, layout 3.10",
       [&](std::string d) {
         return Trocar(Trocar(d, "versao=\"4.00\"", "versao=\"3.10\""), kFrete, "<modFrete>2</modFrete>");
       },
       {},
       "Dados",
       0,
       {{"TraDescMod", "2-Terceiros"}}},
      {"no freight, layout 3.10",
       [&](std::string d) { return Trocar(d, "versao=\"4.00\"", "versao=\"3.10\""); },
       {},
       "Dados",
       0,
       {{"TraDescMod", "9-Sem Frete"}}},
      {"several volumes, each in the complementary information",
       [&](std::string d) { return Depois(d, kFrete, kDoisVolumes); },
       [](TvxnNFeDanfeDados& p) { p.SetImprimirVolume(true); },
       "Dados",
       0,
       {{"VolEspecie", "VER INF. COMP."},
        {"VolMarca", "VER INF. COMP."},
        {"VolNumeracao", "VER INF. COMP."},
        {"VolQuantidade", "1.234"},
        {"VolPesoLiquido", "1.000,750"},
        {"VolPesoBruto", "1.010,300"},
        {"ObsContribuinte", kInfCpl + "\r\nEsp.: CAIXA Marca: ACME Num.: 1 Qtd.: 1200 P.Liq.: 1.000,500"
                                      "\r\nEsp.: FARDO Marca: ACME Num.: 2 Qtd.: 34 P.Liq.: 0,250"}}},
      {"several volumes without the switch: the first in the box",
       [&](std::string d) { return Depois(d, kFrete, kDoisVolumes); },
       {},
       "Dados",
       0,
       {{"VolEspecie", "CAIXA"}, {"VolQuantidade", "1200"}, {"ObsContribuinte", kInfCpl}}},
      {"several volumes: one row each",
       [&](std::string d) { return Depois(d, kFrete, kDoisVolumes); },
       [](TvxnNFeDanfeDados& p) { p.SetImprimirVolume(true); },
       "vol",
       1,
       {{"nNF", "123"}, {"VolEspecie", "FARDO"}, {"VolQuantidade", "34"}, {"VolPesoLiquido", "0,250"}}},
      {"instalments in the complementary information",
       [](std::string d) {
         return Trocar(
             d, "<pag>",
             "<cobr><fat><nFat>77</nFat><vOrig>981.75</vOrig><vLiq>981.75</vLiq></fat><dup><nDup>001</"
             "nDup><dVenc>2024-06-10</dVenc><vDup>981.75</vDup></dup></cobr><pag>");
       },
       [](TvxnNFeDanfeDados& p) { p.SetImprimirDuplicata(true); },
       "Dados",
       0,
       {{"imprimirDuplicata", "1"},
        {"ObsContribuinte", kInfCpl + "\r\nParcela Num.: 001, Venc.: 2024-06-10, Valor: 981,75"}}},
      {"FCP totals",
       [](std::string d) {
         return Trocar(Trocar(d, "<vFCP>0.00</vFCP>", "<vFCP>19.64</vFCP>"), "<vFCPST>0.00</vFCPST>",
                       "<vFCPST>1234.50</vFCPST>");
       },
       [](TvxnNFeDanfeDados& p) { p.SetMensagemFCP(true); },
       "Dados",
       0,
       {{"ObsContribuinte", kInfCpl + "\r\nTotal FCP R$: 19,64 Total FCP ST R$: 1.234,50"}}},
      {"FCP of an item",
       [](std::string d) {
         return Trocar(d, "<vICMS>0.51</vICMS>",
                       "<vICMS>0.51</vICMS><vBCFCP>2.85</vBCFCP><pFCP>2.0000</pFCP><vFCP>0.06</vFCP>");
       },
       [](TvxnNFeDanfeDados& p) { p.SetMensagemFCP(true); },
       "DadosItens",
       0,
       {{"ItemVFCP", "0,06"},
        {"ItemObs", "Base de Cálculo FCP: R$ 2,85 Alíquota FCP: 2,0000% Valor FCP: R$ 0,06"}}},
      {"interstate ICMS totals, each on its line",
       [](std::string d) {
         return Depois(d, "<vICMSDeson>0.00</vICMSDeson>",
                       "<vFCPUFDest>1.50</vFCPUFDest><vICMSUFDest>12.00</vICMSUFDest><vICMSUFRemet>0.00</"
                       "vICMSUFRemet>");
       },
       [](TvxnNFeDanfeDados& p) { p.SetMensagemPartilhaAutomatica(true); },
       "Dados",
       0,
       {{"ObsContribuinte",
         kInfCpl + "\r\nTotal do ICMS interestadual para a UF do destinatário: 12,00"
                   "\r\nTotal do ICMS relativo Fundo de Combate à Pobreza para a UF do destinatário: 1,50"}}},
      {"observations of the taxpayer",
       [](std::string d) {
         return Depois(d, "</infCpl>", "<obsCont xCampo=\"Pedido\"><xTexto>PC-1</xTexto></obsCont>");
       },
       [](TvxnNFeDanfeDados& p) { p.SetImprimirObsCont(true); },
       "Dados",
       0,
       {{"IdentCampo", "Pedido"}, {"ContCampo", "PC-1"}, {"ObsContribuinte", kInfCpl + "\r\nPedido: PC-1"}}},
      {"note to the tax authority",
       [](std::string d) {
         return Depois(d, "<infAdic>", "<infAdFisco>Regime especial 12/2024</infAdFisco>");
       },
       {},
       "Dados",
       0,
       {{"ObsContribuinte", kInfCpl + "\r\nObservações destinadas ao Fisco:\r\nRegime especial 12/2024"}}},
      {"line delimiter and the continuation block",
       [](std::string d) { return Trocar(d, kInfCpl, "linha 1|linha 2|<![CDATA[linha 3]]>"); },
       [](TvxnNFeDanfeDados& p) { p.SetInfCplMaxRow(2); },
       "Dados",
       0,
       {{"ObsContribuinte", "linha 1\r\nlinha 2"},
        {"ContinuaObsContribuinte", "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES\r\nlinha 3"}}},
      {"taxable unit only when asked",
       [](std::string d) { return Trocar(d, "<uTrib>UN</uTrib>", "<uTrib>CX</uTrib>"); },
       {},
       "DadosItens",
       0,
       {{"ItemUnidade", "UN"}, {"ItemUnidadeTributada", ""}}},
      {"taxable unit",
       [](std::string d) { return Trocar(d, "<uTrib>UN</uTrib>", "<uTrib>CX</uTrib>"); },
       [](TvxnNFeDanfeDados& p) { p.SetImprimirUnidadeTributada(true); },
       "DadosItens",
       0,
       {{"ItemUnidadeTributada", "CX"},
        {"ItemQuantidadeTributada", "1,0000"},
        {"ItemVUnitTributado", "2,85"}}},
      {"CSOSN as the item's CST",
       [](std::string d) {
         return Trocar(d,
                       "<ICMS00><orig>0</orig><CST>00</CST><modBC>3</modBC><vBC>2.85</vBC><pICMS>18.00</"
                       "pICMS><vICMS>0.51</vICMS></ICMS00>",
                       "<ICMSSN102><orig>2</orig><CSOSN>102</CSOSN></ICMSSN102>");
       },
       {},
       "DadosItens",
       0,
       {{"ItemCST", "102"}, {"ItemORIG", "2"}}},
      {"a long text cut at 255 characters, none split",
       [&](std::string d) {
         return Trocar(d, "<xProd>CANETA ESFEROGRAFICA AZUL</xProd>",
                       "<xProd>" + cedilhas255 + "çãé</xProd>");
       },
       {},
       "DadosItens",
       0,
       {{"ItemDescricao", cedilhas255}}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nome);
    // The document's indentation goes, so that the edits find the groups on one line.
    std::string documento;
    for (std::size_t i = 0; i < kDocumento.size(); ++i) {
      if (kDocumento[i] == '\n')
        while (i + 1 < kDocumento.size() && kDocumento[i + 1] == ' ')
          ++i;
      else
        documento.push_back(kDocumento[i]);
    }
    auto dados = CriarNFeDanfeDados(vm60);
    dados->SetValidarRegrasNegocio(false);
    if (caso.ajustar)
      caso.ajustar(*dados);
    dados->SetXml(caso.editar(documento));
    dados->PopulaDataSet();
    const TvxnDataSet* tabela = dados->GetTabela(caso.tabela);
    ASSERT_NE(tabela, nullptr);
    ASSERT_GT(tabela->StoredRecordCount(), caso.linha);
    Campos lido;
    for (const auto& [campo, valor] : caso.esperado)
      lido[campo] = std::string(tabela->FieldByName(campo).ValueIn(tabela->StoredRecord(caso.linha)));
    EXPECT_EQ(lido, caso.esperado);
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
