// The typed document model's conversions, refusals and bookkeeping: the text each kind of value
// becomes, what a refused assignment leaves behind (nothing), how NotaFiscal objects get and give back
// their datasets, and that the declared table names only fields the shipped dictionary has.
#include "support/NFeDocumentFiller.h"
#include "support/NFeDocumentFillerTipado.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"

#include "datasets/vxnNFeDataSetsTipado.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace vxn {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using test::Refusal;
using test::RefusalOf;

std::string Decimal(double valor, int minimo, int maximo) {
  TvxnTextoValor buf;
  return std::string(TextoDecimal(valor, minimo, maximo, buf, {"p", "c"}));
}

// The cases of tests/data/decimais-arredondados.txt: "value fewest most text" a line.
TEST(TipadoValoresTest, DecimalsAreRoundedOnTheirDecimalText) {
  std::istringstream casos(
      ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/decimais-arredondados.txt"));
  int lidos = 0;
  for (std::string linha; std::getline(casos, linha);) {
    if (linha.empty() || linha[0] == '#')
      continue;
    std::istringstream campos(linha);
    std::string valor, texto;
    int minimo = 0, maximo = 0;
    ASSERT_TRUE(campos >> valor >> minimo >> maximo >> texto) << linha;
    EXPECT_EQ(Decimal(std::strtod(valor.c_str(), nullptr), minimo, maximo), texto) << linha;
    ++lidos;
  }
  EXPECT_GT(lidos, 0) << "no case read";
}

// An independent reading of the rule: printf's 15 significant digits, written out without exponent
// and without trailing zeros, then padded or rounded half up on the digits.
std::string Referencia(double valor, int minimo, int maximo) {
  char cientifico[64];
  std::snprintf(cientifico, sizeof cientifico, "%.14e", valor);
  std::string digitos;
  for (const char* p = cientifico; *p != 'e'; ++p)
    if (*p != '.')
      digitos += *p;
  const int expoente = std::atoi(std::strchr(cientifico, 'e') + 1);
  std::string inteiros = "0";
  if (expoente >= 0) {
    inteiros = digitos.substr(0, std::min<std::size_t>(digitos.size(), expoente + 1));
    inteiros.resize(expoente + 1, '0');
  }
  std::string casas = expoente >= 0
                          ? (digitos.size() > std::size_t(expoente + 1) ? digitos.substr(expoente + 1) : "")
                          : std::string(-expoente - 1, '0') + digitos;
  while (!casas.empty() && casas.back() == '0')
    casas.pop_back();
  if (casas.size() < std::size_t(minimo))
    casas.resize(minimo, '0');
  if (casas.size() > std::size_t(maximo)) {
    const bool sobe = casas[maximo] >= '5';
    std::string numero = inteiros + casas.substr(0, maximo);
    for (std::size_t i = numero.size(); sobe && i-- > 0;) {
      numero[i] = numero[i] == '9' ? '0' : char(numero[i] + 1);
      if (numero[i] != '0')
        break;
      if (i == 0)
        numero.insert(numero.begin(), '1');
    }
    inteiros = numero.substr(0, numero.size() - maximo);
    casas = numero.substr(numero.size() - maximo);
  }
  return casas.empty() ? inteiros : inteiros + "." + casas;
}

TEST(TipadoValoresTest, DecimalTextAgreesWithPrintfDigitsForManyValues) {
  std::mt19937_64 gerador(20261207);
  const int faixas[][2] = {{2, 2}, {2, 4}, {0, 4}, {0, 10}, {3, 3}, {4, 4}, {10, 10}};
  for (int i = 0; i < 20000; ++i) {
    // Prices as people write them, and arbitrary doubles of every magnitude the fields take.
    const double precos = double(gerador() % 100000000000ULL) / std::pow(10.0, double(gerador() % 11));
    const double qualquer = std::ldexp(double(gerador() >> 11), int(gerador() % 60) - 90);
    for (double valor : {precos, qualquer})
      for (const auto& [minimo, maximo] : faixas)
        ASSERT_EQ(Decimal(valor, minimo, maximo), Referencia(valor, minimo, maximo))
            << std::hexfloat << valor << " " << minimo << "-" << maximo;
  }
}

TEST(TipadoValoresTest, EnumerationsWriteTheCodesOfTheLayout) {
  const std::pair<std::string_view, std::string_view> casos[] = {
      {*CodigoEnum(teSVCAN), "6"},
      {*CodigoEnum(teOffLine), "9"},
      {*CodigoEnum(cstPart10), "10"},
      {*CodigoEnum(cstRep60), "60"},
      {*CodigoEnum(cstICMSSN), "SN"},
      {*CodigoEnum(cstVazio), ""},
      {*CodigoEnum(csosnVazio), "0"},
      {*CodigoEnum(csosn900), "900"},
      {*CodigoEnum(mdiOrgaoFomento), "12"},
      {*CodigoEnum(mdiOlimpiadaRio2016), "16"},
      {*CodigoEnum(mdiSolicitadoFisco), "90"},
      {*CodigoEnum(tvHandcarry), "12"},
      {*CodigoEnum(RTISSMEEPP), "6"},
      {*CodigoEnum(RTISSNenhum), "0"},
      {*CodigoEnum(bcTicket), "27"},
      {*CodigoEnum(bcOutros), "99"},
      {*CodigoEnum(pis75), "75"},
      {*CodigoEnum(cof99), "99"},
      {*CodigoEnum(ipi55), "55"},
      {*CodigoEnum(ieNenhum), ""},
      {*CodigoEnum(ECFModRef2D), "2D"},
      {*CodigoEnum(fpProgramaFidelidadeCashbackCreditoVirtual), "19"},
      {*CodigoEnum(fpOutro), "99"},
      {*CodigoEnum(omNacionalImportacaoSuperior70), "8"},
      {*CodigoEnum(isExigSuspProcessoAdm), "7"},
      {*CodigoEnum(dbisPauta), "5"},
      {*CodigoEnum(toOutros), "0"},
      {*CodigoEnum(ipNenhum), ""},
      {*CodigoEnum(pcOutros), "9"},
      {*CodigoEnum(inNaoContribuinte), "9"},
      {*CodigoEnum(mfSemFrete), "9"},
  };
  for (const auto& [codigo, esperado] : casos)
    EXPECT_EQ(codigo, esperado);
  EXPECT_EQ(CodigoEnum(static_cast<TCstIcms>(21)), nullptr);
}

TEST(TipadoValoresTest, FuelDescriptionsByTheNumberInTpComb) {
  const std::pair<const char*, const char*> casos[] = {{"1", "01 - ALCOOL"},
                                                       {"16", "16 - ALCOOL/GASOLINA"},
                                                       {"18", "18 - GASOLINA/ELETRICO"},
                                                       {"0", ""},
                                                       {"19", ""},
                                                       {"abc", ""},
                                                       {"", ""}};
  TvxnNFeDataSets ds;
  ds.SetXMLDicionario(test::ShippedDictionary());
  ds.Incluir();
  ds.IncluirItem();
  TveicProd veic(nullptr, ds);
  for (const auto& [tpComb, descricao] : casos) {
    veic.SettpComb(tpComb);
    EXPECT_EQ(veic.getCombDescricao(), descricao) << tpComb;
  }
}

class TipadoTest : public ::testing::Test {
protected:
  void SetUp() override {
    tipado_.SetVersaoEsquema(pl_009g);
    tipado_.SetXmlDicionario(test::ShippedDictionary());
    tipado_.SetFusoHorario("-03:00");
    tipado_.SetDiretorioLogErro(dir_.Path());
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  NotaFiscal& Nova() { return tipado_.GetNotasFiscais().Add(); }
  static std::string Campo(NotaFiscal& nota, std::string_view nome) {
    return nota.GetDataSets().Campo(nome).AsString();
  }

  test::TempDir dir_;
  TvxnNFeDataSetsTipado tipado_;
};

// Each bad assignment raises its exception and leaves the field and the property with the value they
// had: a valid value is written first, then the bad one.
TEST_F(TipadoTest, RefusedAssignmentsWriteNothing) {
  struct Caso {
    const char* nome;
    std::function<void(TNFe&)> valido, invalido;
    Refusal recusa;
    const char* campo;
    std::function<std::string(TNFe&)> propriedade;
  };
  auto prod = [](TNFe& n) -> TProd& { return n.GetDet().Items(0).GetProd(); };
  const Caso casos[] = {
      {"enumeração",
       [](TNFe& n) { n.GetIde().SettpNF(tnSaida); },
       [](TNFe& n) { n.GetIde().SettpNF(static_cast<TTipoNFe>(7)); },
       {"EvxnNFeCheckParams",
        "Valor 7 fora da enumeração TTipoNFe: não cabe no campo tpNF_B11 (propriedade tpNF)."},
       "tpNF_B11",
       [](TNFe& n) { return std::to_string(int(n.GetIde().GettpNF())); }},
      {"decimal longo",
       [&](TNFe& n) { prod(n).SetvProd(2500); },
       [&](TNFe& n) { prod(n).SetvProd(1e14); },
       {"EvxnNFeCheckParams", "Valor 100000000000000.00 não cabe no formato do campo vProd_I11: até 13 "
                              "dígitos inteiros (propriedade "
                              "vProd)."},
       "vProd_I11",
       [&](TNFe& n) { return std::to_string(prod(n).GetvProd()); }},
      // 2 to 4 decimals: "1234.50" would fit the field's 8 characters, but the layout has 3 integer digits.
      {"decimal com casas variáveis",
       [&](TNFe& n) { n.GetDet().Items(0).GetImposto().GetICMS().SetpICMS(18); },
       [&](TNFe& n) { n.GetDet().Items(0).GetImposto().GetICMS().SetpICMS(1234.5); },
       {"EvxnNFeCheckParams",
        "Valor 1234.50 não cabe no formato do campo pICMS_N16: até 3 dígitos inteiros (propriedade pICMS)."},
       "pICMS_N16",
       [&](TNFe& n) { return std::to_string(n.GetDet().Items(0).GetImposto().GetICMS().GetpICMS()); }},
      {"decimal negativo",
       [&](TNFe& n) { prod(n).SetqCom(2); },
       [&](TNFe& n) { prod(n).SetqCom(-1.5); },
       {"EvxnNFeCheckParams", "Valor -1.5 negativo não cabe no campo qCom_I10 (propriedade qCom)."},
       "qCom_I10",
       [&](TNFe& n) { return std::to_string(prod(n).GetqCom()); }},
      {"decimal infinito",
       [&](TNFe& n) { prod(n).SetqCom(2); },
       [&](TNFe& n) { prod(n).SetqCom(std::numeric_limits<double>::infinity()); },
       {"EvxnNFeCheckParams",
        "Valor inf não é um número finito e não cabe no campo qCom_I10 (propriedade qCom)."},
       "qCom_I10",
       [&](TNFe& n) { return std::to_string(prod(n).GetqCom()); }},
      {"inteiro longo",
       [](TNFe& n) { n.GetIde().SetnNF(1001); },
       [](TNFe& n) { n.GetIde().SetnNF(1234567890); },
       {"EvxnNFeCheckParams",
        "Valor 1234567890 não cabe no formato do campo nNF_B08: até 9 dígitos inteiros (propriedade nNF)."},
       "nNF_B08",
       [](TNFe& n) { return std::to_string(n.GetIde().GetnNF()); }},
      {"data inválida",
       [](TNFe& n) { n.GetCobr().GetDup().New().SetdVenc(2027y / January / 4); },
       [](TNFe& n) { n.GetCobr().GetDup().Items(0).SetdVenc(2027y / February / 30); },
       {"EvxnNFeCheckParams", "Data 2027-02-30 inválida para o campo dVenc_Y09 (propriedade dVenc)."},
       "dVenc_Y09",
       [](TNFe& n) { return std::to_string(unsigned(n.GetCobr().GetDup().Items(0).GetdVenc().day())); }},
      {"texto recusado pelo campo",
       [](TNFe& n) { n.GetDest().SetxNome("Cliente"); },
       [](TNFe& n) { n.GetDest().SetxNome(std::string(55, 'A') + "&B"); },
       {"EvxnNFeDataSetException", "O campo não suporta o caracter & a partir da posição 55 da String"},
       "xNome_E04",
       [](TNFe& n) { return n.GetDest().GetxNome(); }},
      {"item fechado",
       [](TNFe& n) {
         n.GetTransp().GetVol().New().Setesp("Primeiro");
         n.GetTransp().GetVol().New().Setesp("Segundo");
       },
       [](TNFe& n) { n.GetTransp().GetVol().Items(0).Setesp("Outra vez"); },
       {"EvxnNfeDataSetStateException", "O item 0 da lista Vol não está mais em edição: o registro atual é o "
                                        "de um item incluído depois dele."},
       "esp_X28",
       [](TNFe& n) { return n.GetTransp().GetVol().Items(0).Getesp(); }},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    tipado_.GetNotasFiscais().Clear();
    TNFe& nfe = Nova().GetNFe();
    nfe.GetDet().New().GetProd().SetnItem(1);
    c.valido(nfe);
    const std::string campo = Campo(tipado_.GetNotasFiscais().Items(0), c.campo);
    const std::string propriedade = c.propriedade(nfe);
    EXPECT_EQ(RefusalOf([&] { c.invalido(nfe); }), c.recusa);
    EXPECT_EQ(Campo(tipado_.GetNotasFiscais().Items(0), c.campo), campo);
    EXPECT_EQ(c.propriedade(nfe), propriedade);
  }
}

TEST_F(TipadoTest, TimeZoneIsSignTwoDigitsColonTwoDigits) {
  TIde& ide = Nova().GetNFe().GetIde();
  tipado_.SetFusoHorario("+05:30");
  ide.SetdhEmi(local_days{2026y / December / 5} + 10h + 7min + 9s);
  EXPECT_EQ(Campo(tipado_.GetNotasFiscais().Items(0), "dhEmi_B09"), "2026-12-05T10:07:09+05:30");
  for (const char* fuso : {"-3:00", "-0300", "03:00", "-03:0a"}) {
    tipado_.SetFusoHorario(fuso);
    EXPECT_EQ(
        RefusalOf([&] { ide.SetdhEmi(local_days{2027y / January / 1}); }),
        Refusal({"EvxnNFeEventosFusoHorarioInvalidException",
                 "Fuso Horário inválido. Configure o fuso na propriedade FusoHorario com o formato -HH:MM"}))
        << fuso;
  }
  EXPECT_EQ(Campo(tipado_.GetNotasFiscais().Items(0), "dhEmi_B09"), "2026-12-05T10:07:09+05:30");
}

TEST_F(TipadoTest, ListIndexesOutOfRangeAndListsWithoutAGroupOfTheirOwn) {
  TNFe& nfe = Nova().GetNFe();
  const Refusal foraDaLista{"EvxnNFeIndexException", "Índice 1 fora da lista Det, que tem 1 itens."};
  nfe.GetDet().New();
  EXPECT_EQ(RefusalOf([&] { nfe.GetDet().Items(1); }), foraDaLista);
  EXPECT_EQ(RefusalOf([&] { nfe.GetDet().Items(-1); }),
            Refusal({"EvxnNFeIndexException", "Índice -1 fora da lista Det, que tem 1 itens."}));
  EXPECT_EQ(RefusalOf([&] { tipado_.GetNotasFiscais().Items(3); }),
            Refusal({"EvxnNFeIndexException", "Índice 3 fora da lista NotasFiscais, que tem 1 itens."}));
  // med and procRef write into the record their owner already has: a second item would overwrite it.
  nfe.GetInfAdic().GetprocRef().New();
  EXPECT_EQ(RefusalOf([&] { nfe.GetInfAdic().GetprocRef().New(); }),
            Refusal({"EvxnNFeIndexException",
                     "A lista procRef tem um só item por documento: o seu grupo não se repete."}));
  EXPECT_EQ(nfe.GetInfAdic().GetprocRef().Count(), 1);
}

TEST_F(TipadoTest, CnpjOrCpfGoesToItsFieldAndReplacesTheOther) {
  NotaFiscal& nota = Nova();
  TEmit& emit = nota.GetNFe().GetEmit();
  emit.SetCNPJCPF("12345678909");
  EXPECT_EQ(Campo(nota, "CPF_C02a"), "12345678909");
  EXPECT_EQ(Campo(nota, "CNPJ_C02"), "");
  emit.SetCNPJCPF("11222333000181");
  EXPECT_EQ(Campo(nota, "CNPJ_C02"), "11222333000181");
  EXPECT_EQ(Campo(nota, "CPF_C02a"), "");
  EXPECT_EQ(emit.GetCNPJCPF(), "11222333000181");
}

TEST_F(TipadoTest, NoNotaFiscalWithoutSchemaVersionAndDictionary) {
  struct Caso {
    std::function<void()> configurar;
    Refusal recusa;
  };
  const Refusal semDicionario{
      "EvxnDataSetFileNotFoundException",
      "Xml Dicionário inválido. Configure o caminho do dicionário na propriedade XmlDicionario."};
  const Caso casos[] = {
      {[&] { tipado_.SetVersaoEsquema(pl_008i2); },
       {"EvxnNFeVersaoEsquemaException", "Versão Esquema inválido. Configure a versão na propriedade "
                                         "VersaoEsquema com valor pl_009 ou superior."}},
      {[&] { tipado_.SetXmlDicionario(""); }, semDicionario},
      {[&] { tipado_.SetXmlDicionario(dir_.Path() + "nenhum.xml"); }, semDicionario},
  };
  for (const Caso& c : casos) {
    SetUp();
    c.configurar();
    EXPECT_EQ(RefusalOf([&] { tipado_.GetNotasFiscais().Add(); }), c.recusa);
    EXPECT_EQ(tipado_.GetNotasFiscais().Count(), 0);
  }
  EXPECT_EQ(RefusalOf([&] { tipado_.SetCampo("xNome_C03", "x"); }),
            Refusal({"EvxnNFeCheckParams", "Nenhuma NotaFiscal existe para receber o campo xNome_C03."}));
}

// A freed NotaFiscal gives its dataset back; the next one starts from an empty document and lot and
// from the dataset's defaults, unless the dictionary file changed in between.
TEST_F(TipadoTest, DatasetsOfFreedDocumentsAreReusedFromAClearStart) {
  const std::string dicionario = dir_.Path() + "NFeDataSets.xml";
  std::filesystem::copy_file(test::ShippedDictionary(), dicionario);
  tipado_.SetXmlDicionario(dicionario);

  NotaFiscal& primeira = Nova();
  TvxnNFeDataSets* ds = &primeira.GetDataSets();
  test::FillDocumentTipado(primeira, 1, 1);
  primeira.GetDataSets().SetValidaRegrasNegocio(true);
  const std::string xml1 = primeira.GerarXML();
  EXPECT_EQ(primeira.GerarXML(), xml1); // stored once
  tipado_.GetNotasFiscais().Clear();

  NotaFiscal& segunda = Nova();
  EXPECT_EQ(&segunda.GetDataSets(), ds);
  EXPECT_FALSE(segunda.GetDataSets().GetValidaRegrasNegocio());
  test::FillDocumentTipado(segunda, 2, 1);
  tipado_.SetCampo("infCpl_Z03", "Segunda nota");
  NotaFiscal& terceira = tipado_.GetNotasFiscais().Insert(0);
  test::FillDocumentTipado(terceira, 3, 1);
  const std::string xml2 = segunda.GerarXML();
  EXPECT_EQ(xml2.find("<infNFe "), xml2.rfind("<infNFe "));
  EXPECT_NE(xml2.find("<nNF>2</nNF>"), std::string::npos);
  EXPECT_NE(xml2.find("<infCpl>Segunda nota</infCpl>"), std::string::npos);
  EXPECT_EQ(tipado_.GetNotasFiscais().GerarXml(), terceira.GerarXML() + xml2);

  tipado_.GetNotasFiscais().Clear();
  std::filesystem::last_write_time(dicionario, std::filesystem::last_write_time(dicionario) + 1h);
  EXPECT_NE(&Nova().GetDataSets(), ds);
}

// The benchmark compares the typed model with the direct fill: both must fill the same document.
TEST_F(TipadoTest, TypedFillerWritesTheDocumentOfTheDirectFiller) {
  NotaFiscal& nota = Nova();
  test::FillDocumentTipado(nota, 7, 3);
  TvxnNFeDataSets ds;
  ds.SetXMLDicionario(test::ShippedDictionary());
  test::FillDocument(ds, 7, 3);
  ds.Salvar();
  std::string direto = ds.GetLoteNFe().Text();
  // The direct filler writes these decimals with more places than the typed model's shortest texts,
  // and leaves out the country that every NotaFiscal starts with.
  const std::string pais = "<cPais>1058</cPais><xPais>BRASIL</xPais>";
  for (const auto& [longo, curto] : {std::pair<std::string, std::string>{">10.0000<", ">10<"},
                                     {">1.5000000000<", ">1.5<"},
                                     {">18.0000<", ">18.00<"},
                                     {">1.6500<", ">1.65<"},
                                     {">7.6000<", ">7.60<"},
                                     {"</enderEmit>", pais + "</enderEmit>"},
                                     {"</enderDest>", pais + "</enderDest>"}})
    direto = ReplaceAll(direto, longo, curto);
  EXPECT_EQ(nota.GerarXML(), direto);
}

TEST(TipadoTabelaTest, EveryFieldOfTheTableIsInTheShippedDictionary) {
  TvxnNFeDataSets ds;
  ds.SetXMLDicionario(test::ShippedDictionary());
  std::vector<std::string> ausentes;
  for (const TvxnPropriedadeTipada& p : PropriedadesTipadas())
    for (std::string_view campo : {p.campo, p.campoCPF})
      if (!campo.empty() && RefusalOf([&] { ds.Campo(campo); }) != Refusal{})
        ausentes.push_back(std::string(p.classe) + "." + std::string(p.propriedade) + ": " +
                           std::string(campo));
  EXPECT_GT(PropriedadesTipadas().size(), 450u);
  EXPECT_EQ(ausentes, std::vector<std::string>{});
  EvxnException::ResetClassState();
}

// A property writes the field of its own name (a CNPJ or CPF its pair): a copied line that kept the
// field of its model writes another element.
TEST(TipadoTabelaTest, EveryPropertyWritesTheFieldOfItsName) {
  std::vector<std::string> outros;
  for (const TvxnPropriedadeTipada& p : PropriedadesTipadas()) {
    const auto nome = [](std::string_view campo) { return AsciiLower(campo.substr(0, campo.find('_'))); };
    const bool certo = p.campoCPF.empty() ? nome(p.campo) == AsciiLower(p.propriedade) ||
                                                (p.propriedade == "modelo" && p.campo == "mod_B06")
                                          : nome(p.campo) == "cnpj" && nome(p.campoCPF) == "cpf";
    if (!certo)
      outros.push_back(std::string(p.classe) + "." + std::string(p.propriedade) + ": " +
                       std::string(p.campo));
  }
  EXPECT_EQ(outros, std::vector<std::string>{});
}

} // namespace
} // namespace vxn
