// The pipe-text converter: block order and its messages, field counts, each kind of dictionary entry,
// the tax-group lines, the key values and placeholders, and the shipped 4.00 dictionaries.
#include "converters/vxnNFeConvDic.h"
#include "ConverterTestUtil.h"
#include "support/RefusalOf.h"
#include "vxnFiles.h"
#include "xml/vxnNFeUtils.h"

#include <gtest/gtest.h>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

// Small dictionaries written for each test, so that every byte of the output can be predicted.
class ConvDicTest : public ::testing::Test {
protected:
  void SetUp() override {
    Dicionarios("NFe xmlns*|infNFe Id*|ide|cUF|cNF|mod|serie|nNF|dhEmi|tpEmis|cDV|/ide|\r\n"
                "emit|CNPJ|xNome|/emit|\r\n"
                "dest|CNPJ|xNome|/dest|\r\n",
                "det nItem*|cProd|xProd|\r\n", "total|vNF|/total|\r\n/infNFe|??|\r\n");
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  void Dicionarios(const std::string& c, const std::string& d, const std::string& r) {
    WriteFileAtomic(tmp.File("dicCabecalho.txt"), c);
    WriteFileAtomic(tmp.File("dicDetalhe.txt"), d);
    WriteFileAtomic(tmp.File("dicRodape.txt"), r);
  }
  std::string Converte(const std::string& texto, const std::string& versao = "4.00") {
    TvxnNFeConvDic dic(tmp.Path(), tmp.Path());
    return dic.Converter(texto, versao);
  }
  // The message of the refusal of the text, checked to be of the text checks' class.
  std::string Erro(const std::string& texto) {
    const Refusal r = RefusalOf([&] { Converte(texto); });
    EXPECT_EQ(r.className, "EvxnNFeCheckTXT") << r;
    return r.message;
  }

  static constexpr const char* kCabecalho = "C|\r\n"
                                            "http://www.portalfiscal.inf.br/nfe||ide|35|12345678|55|1|77|"
                                            "2026-12-05T10:00:00-03:00|1||/ide|\r\n"
                                            "emit|11222333000181|Empresa & Filhos|/emit|\r\n"
                                            "dest|99888777000100|Cliente <SA>|/dest|\r\n";
  static constexpr const char* kDetalhe = "D|\r\n1|P-1|Parafuso|\r\n";
  static constexpr const char* kRodape = "R|\r\ntotal|10.00|/total|\r\n/infNFe|/NFe|\r\n";

  test::TempDir tmp;
};

TEST_F(ConvDicTest, EveryEntryKindIsWrittenAndTheKeyCompletesThePlaceholders) {
  const std::string chave =
      CalculaChave("2026-12-05T10:00:00-03:00", "35", "11222333000181", "55", "1", "77", "1", "12345678");
  const std::string esperado =
      R"(<NFe xmlns="http://www.portalfiscal.inf.br/nfe"><infNFe Id="NFe)" + chave +
      R"(" versao="4.00" ><ide><cUF>35</cUF><cNF>12345678</cNF><mod>55</mod><serie>1</serie><nNF>77</nNF>)"
      "<dhEmi>2026-12-05T10:00:00-03:00</dhEmi><tpEmis>1</tpEmis><cDV>" +
      chave.substr(43) +
      "</cDV></ide><emit><CNPJ>11222333000181</CNPJ><xNome>Empresa &amp; Filhos</xNome></emit>"
      "<dest><CNPJ>99888777000100</CNPJ><xNome>Cliente &lt;SA&gt;</xNome></dest>"
      R"(<det nItem="1"><cProd>P-1</cProd><xProd>Parafuso</xProd><total><vNF>10.00</vNF></total></infNFe></NFe>)"
      "\r\n";
  EXPECT_EQ(Converte(std::string(kCabecalho) + kDetalhe + kRodape), esperado);
}

TEST_F(ConvDicTest, TheVersionTextAndEmptyValuesShapeTheOutput) {
  // Empty values write nothing; the Id and cDV are written whatever their field holds.
  const std::string texto =
      std::string("C|\r\n|x|ide|35|12345678|55|1|77|2026-12-05T10:00:00-03:00|1|9|/ide|\r\n") +
      "emit|11222333000181||/emit|\r\n" + kDetalhe + "R|\r\n|||\r\n";
  const std::string xml = Converte(texto, "3.10");
  const std::string chave =
      CalculaChave("2026-12-05T10:00:00-03:00", "35", "11222333000181", "55", "1", "77", "1", "12345678");
  EXPECT_TRUE(xml.starts_with("<infNFe Id=\"NFe" + chave + "\" versao=\"3.10\" >")) << xml;
  // The check digit replaces the field's own value.
  EXPECT_NE(xml.find("<cDV>" + chave.substr(43) + "</cDV>"), std::string::npos);
  EXPECT_NE(xml.find("<emit><CNPJ>11222333000181</CNPJ></emit>"), std::string::npos);
  EXPECT_TRUE(xml.ends_with("<xProd>Parafuso</xProd>\r\n")) << xml;
}

TEST_F(ConvDicTest, ValuesThatAreTagsAndThePercentValuesOfTheDocument) {
  Dicionarios("ide|cUF|CNPJ|nNF|/ide|\r\n", "??|xTexto|/??|outro|\r\n", "obs|/obs|\r\n");
  const std::string xml = Converte("C|\r\nide|35|11222333000181|9|/ide|\r\n"
                                   "D|\r\nobsCont xCampo=\"a\"|%CNPJ-%UF-%nNF|/obsCont|/fim|\r\n"
                                   "D|\r\nobsCont|%UF|/obsCont|outro|\r\n"
                                   "D|\r\n|%nNF||%CNPJ|\r\n"
                                   "R|\r\nobs|/obs|\r\n");
  EXPECT_EQ(xml, "<ide><cUF>35</cUF><CNPJ>11222333000181</CNPJ><nNF>9</nNF></ide>"
                 // Only a whole value is replaced; a value beginning with "/" is a closing tag.
                 "<obsCont xCampo=\"a\"><xTexto>%CNPJ-%UF-%nNF</xTexto></obsCont></fim>"
                 // A value equal to its entry is a tag.
                 "<obsCont><xTexto>35</xTexto></obsCont><outro>"
                 "<xTexto>9</xTexto><outro>11222333000181</outro>"
                 "<obs></obs>\r\n");
}

TEST_F(ConvDicTest, TheRecipientsStateAndCnpjAreNotTakenForTheKey) {
  Dicionarios("infNFe Id*|cUF|CNPJ|mod|serie|nNF|cNF|dhEmi|tpEmis|dest|cUF|CNPJ|mod|\r\n", "x|\r\n",
              "/infNFe|\r\n");
  const std::string xml = Converte("C|\r\n|35|11222333000181|55|2|5|00000042|2026-01-15T08:00:00-03:00|1|"
                                   "dest|31|99888777000100|65|\r\nD|\r\nx|\r\nR|\r\n/infNFe|\r\n");
  // mod is taken after dest as well; cUF and CNPJ are not.
  const std::string chave =
      CalculaChave("2026-01-15T08:00:00-03:00", "35", "11222333000181", "65", "2", "5", "1", "00000042");
  EXPECT_TRUE(xml.starts_with("<infNFe Id=\"NFe" + chave + "\"")) << xml;
}

TEST_F(ConvDicTest, WithoutAnIssueTypeTheKeyHasTheOlderForm) {
  Dicionarios("infNFe Id*|cUF|CNPJ|mod|serie|nNF|cNF|dEmi|cDV|\r\n", "x|\r\n", "/infNFe|\r\n");
  const std::string xml = Converte(
      "C|\r\n|35|11222333000181|55|1|5|123456789|2009-05-15||\r\nD|\r\nx|\r\nR|\r\n/infNFe|\r\n", "2.00");
  const std::string chave = CalculaChave("2009-05-15", "35", "11222333000181", "55", "1", "5", "123456789");
  EXPECT_EQ(xml, "<infNFe Id=\"NFe" + chave +
                     "\" versao=\"2.00\" ><cUF>35</cUF><CNPJ>11222333000181</CNPJ><mod>55</mod>"
                     "<serie>1</serie><nNF>5</nNF><cNF>123456789</cNF><dEmi>2009-05-15</dEmi><cDV>" +
                     chave.substr(43) + "</cDV><x></infNFe>\r\n");
  EXPECT_EQ(chave.substr(34, 9), "123456789");
}

TEST_F(ConvDicTest, AnIcmsLineChoosesTheLineOfItsGroupAndThePisLineFollows) {
  std::string detalhe = "item|ICMS|\r\n";
  for (const char* g :
       {"ICMS00", "ICMS10", "ICMS20", "ICMS30", "ICMS40", "ICMS51", "ICMS60", "ICMS70", "ICMS90"})
    detalhe += std::string(g) + "|orig|CST|/" + g + "|/ICMS|" +
               (std::string(g) == "ICMS40" ? "vICMSDeson|" : "") + "\r\n";
  detalhe += "PIS|CST|/PIS|\r\nfim|\r\n";
  Dicionarios("a|\r\n", detalhe, "b|\r\n");
  const std::string xml =
      Converte("C|\r\na|\r\n"
               "D|\r\nitem|ICMS|\r\nICMS40|0|41|/ICMS40|/ICMS|1.50|\r\nPIS|07|/PIS|\r\nfim|\r\n"
               "D|\r\nitem|ICMS|\r\nICMS00|0|00|/ICMS00|/ICMS|\r\nPIS|01|/PIS|\r\n"
               "R|\r\nb|\r\n");
  EXPECT_EQ(xml,
            "<a><item><ICMS><ICMS40><orig>0</orig><CST>41</CST></ICMS40></ICMS><vICMSDeson>1.50</vICMSDeson>"
            "<PIS><CST>07</CST></PIS><fim>"
            "<item><ICMS><ICMS00><orig>0</orig><CST>00</CST></ICMS00></ICMS><PIS><CST>01</CST></PIS><b>\r\n");
  // The group's line decides the field count: ICMS40 has one field more than ICMS00.
  EXPECT_EQ(Erro("C|\r\na|\r\nD|\r\nitem|ICMS|\r\nICMS40|0|41|/ICMS40|/ICMS|\r\n"),
            "ICMS40|0|41|/ICMS40|/ICMS|\r\nPossui 5.\r\nQuando deveria ter: 6");
}

// The "+" lines of the tax reform write their elements into the groups already written, before the
// element that follows each in the schema; the key's placeholders after them move along.
TEST_F(ConvDicTest, PlusLinesInsertTheirElementsIntoTheGroupsWritten) {
  Dicionarios("NFe xmlns*|infNFe Id*|ide|cUF|cNF|mod|serie|nNF|dhEmi|tpImp|tpEmis|cDV|/ide|\r\n"
              "emit|CNPJ|/emit|\r\n+ide|cMunFGIBS|gCompraGov|tpEnteGov|/gCompraGov|\r\n",
              "det nItem*|prod|cProd|/prod|imposto|vTotTrib|/imposto|/det|\r\n+IS|IS|vIS|/IS|\r\n"
              "+det|vItem|cProd|\r\n",
              "total|vNF|/total|\r\n/infNFe|??|\r\n+total|vNFTot|\r\n");
  const std::string cabecalho = "C|\r\nhttp://www.portalfiscal.inf.br/nfe||ide|35|12345678|55|1|77|"
                                "2026-12-05T10:00:00-03:00|1|1||/ide|\r\n"
                                "+ide|3550308|gCompraGov|2|/gCompraGov|\r\nemit|11222333000181|/emit|\r\n";
  const std::string detalhe = "D|\r\n1|prod|P-1|/prod|imposto|1.00|/imposto|/det|\r\n";
  const std::string rodape = "R|\r\ntotal|10.00|/total|\r\n+total|10.50|\r\n/infNFe|/NFe|\r\n";
  const std::string chave =
      CalculaChave("2026-12-05T10:00:00-03:00", "35", "11222333000181", "55", "1", "77", "1", "12345678");
  EXPECT_EQ(
      Converte(cabecalho + detalhe + "+IS|IS|0.50|/IS|\r\n+det|10.00||\r\n" + rodape),
      R"(<NFe xmlns="http://www.portalfiscal.inf.br/nfe"><infNFe Id="NFe)" + chave +
          R"(" versao="4.00" ><ide><cUF>35</cUF><cNF>12345678</cNF><mod>55</mod><serie>1</serie>)"
          "<nNF>77</nNF><dhEmi>2026-12-05T10:00:00-03:00</dhEmi><cMunFGIBS>3550308</cMunFGIBS>"
          "<tpImp>1</tpImp><tpEmis>1</tpEmis><cDV>" +
          chave.substr(43) +
          "</cDV><gCompraGov><tpEnteGov>2</tpEnteGov></gCompraGov></ide><emit><CNPJ>11222333000181</CNPJ>"
          R"(</emit><det nItem="1"><prod><cProd>P-1</cProd></prod><imposto><vTotTrib>1.00</vTotTrib>)"
          "<IS><vIS>0.50</vIS></IS></imposto><vItem>10.00</vItem></det><total><vNF>10.00</vNF>"
          "<vNFTot>10.50</vNFTot></total></infNFe></NFe>\r\n");
  // Before the item is written, a group it does not close, a line the block lacks, an element without a
  // place, a positional line past the block's own.
  EXPECT_EQ(Erro(cabecalho + "D|\r\n+IS|IS|0.50|/IS|\r\n"),
            "A linha +IS deve vir depois do grupo em que escreve IS.");
  EXPECT_EQ(Erro(cabecalho + detalhe + "+IS|IS|0.50||\r\n"), "A linha +IS não fecha os grupos que abre.");
  EXPECT_EQ(Erro(cabecalho + detalhe + "+ide|1|\r\n"), "A linha +ide não existe no dicionário deste bloco.");
  EXPECT_EQ(Erro(cabecalho + detalhe + "+det|10.00|P-2|\r\n"),
            "A linha +det não pode escrever o grupo cProd.");
  EXPECT_EQ(Erro(cabecalho + detalhe + "x|y|z|\r\n"),
            "Arquivo TXT inválido. Não foi possível identificar início de Bloco (C/D/R).");
}

TEST_F(ConvDicTest, BlocksMustComeInOrder) {
  EXPECT_EQ(Erro("D|\r\n1|P-1|Parafuso|\r\n"), "O Arquivo deve ser iniciado com cabecalho - C.");
  EXPECT_EQ(Erro("R|\r\n"), "O Arquivo deve ser iniciado com cabecalho - C.");
  EXPECT_EQ(Erro("ide|35|\r\nC|\r\n"), "Não é permitido iniciar Linha sem Caracter válido.");
  EXPECT_EQ(Erro(std::string(kCabecalho) + kRodape),
            "O Cabecalho deve possuir pelo menos um registro de detalhe - D.");
  EXPECT_EQ(Erro(std::string(kCabecalho) + "C|\r\n"),
            "O Cabecalho deve possuir pelo menos um registro de detalhe - D.");
  EXPECT_EQ(Erro(std::string(kCabecalho) + kDetalhe + kCabecalho),
            "A NF: 77 não foi finalizada com o registro de Rodape - R");
  // The end of the text closes the last document as the next header would.
  EXPECT_EQ(Erro(std::string(kCabecalho) + kDetalhe),
            "A NF: 77 não foi finalizada com o registro de Rodape - R");
  EXPECT_EQ(Erro(kCabecalho), "O Cabecalho deve possuir pelo menos um registro de detalhe - D.");
  // After a footer the next document opens with its header.
  EXPECT_EQ(Erro(std::string(kCabecalho) + kDetalhe + kRodape + kDetalhe),
            "O Arquivo deve ser iniciado com cabecalho - C.");
}

TEST_F(ConvDicTest, ALineWithTheWrongNumberOfFieldsShowsBothCounts) {
  EXPECT_EQ(Erro(std::string(kCabecalho) + "D|\r\n1|P-1|\r\n" + kRodape),
            "1|P-1|\r\nPossui 2.\r\nQuando deveria ter: 3");
  EXPECT_EQ(Erro(std::string(kCabecalho) + "D|\r\n1|P-1|Parafuso|x|\r\n" + kRodape),
            "1|P-1|Parafuso|x|\r\nPossui 4.\r\nQuando deveria ter: 3");
  // More lines than the block's dictionary has: a marker is missing.
  EXPECT_EQ(Erro(std::string(kCabecalho) + kDetalhe + "total|10.00|/total|\r\n"),
            "Arquivo TXT inválido. Não foi possível identificar início de Bloco (C/D/R).");
}

TEST_F(ConvDicTest, AMissingOrEmptyDictionaryNamesItsBlock) {
  DeleteFileIfExists(tmp.File("dicDetalhe.txt"));
  EXPECT_EQ(Erro(std::string(kCabecalho) + kDetalhe + kRodape),
            "Não foi possível carregar o dicionário para o layout D");
  WriteFileAtomic(tmp.File("dicDetalhe.txt"), "\r\n");
  EXPECT_EQ(Erro(std::string(kCabecalho) + kDetalhe + kRodape),
            "Não foi possível carregar o dicionário para o layout D");
  EXPECT_EQ(RefusalOf([&] { Converte("  \r\n"); }),
            (Refusal{"EvxnNFeDataSetException", "Conteúdo a ser convertido é inválido."}));
}

TEST_F(ConvDicTest, TwoDocumentsGetOneLineAndOneKeyEach) {
  std::string segundo = test::TrocaPrimeira(kCabecalho, "|77|", "|78|");
  segundo = test::TrocaPrimeira(segundo, "|12345678|", "|87654321|");
  const std::string xml = Converte(std::string(kCabecalho) + kDetalhe + kRodape + "\r\n" + segundo +
                                   kDetalhe + kDetalhe + kRodape);
  TvxnStringList docs;
  docs.SetText(xml);
  ASSERT_EQ(docs.Count(), 2u);
  EXPECT_NE(docs[0].find("NFe" + CalculaChave("2026-12-05T10:00:00-03:00", "35", "11222333000181", "55", "1",
                                              "77", "1", "12345678")),
            std::string::npos);
  EXPECT_NE(docs[1].find("NFe" + CalculaChave("2026-12-05T10:00:00-03:00", "35", "11222333000181", "55", "1",
                                              "78", "1", "87654321")),
            std::string::npos);
  EXPECT_EQ(test::Ocorrencias(docs[1], "<det "), 2u);
  EXPECT_EQ(docs[0].find('*'), std::string::npos);
  EXPECT_EQ(docs[1].find('*'), std::string::npos);
}

TEST_F(ConvDicTest, AByteOrderMarkBeforeTheFirstMarkerIsDropped) {
  const std::string texto = std::string(kCabecalho) + kDetalhe + kRodape;
  EXPECT_EQ(Converte("\xEF\xBB\xBF" + texto), Converte(texto));
}

TEST_F(ConvDicTest, AsterisksInValuesAreNotTakenForPlaceholders) {
  const std::string texto =
      test::TrocaPrimeira(std::string(kCabecalho) + kDetalhe + kRodape, "Parafuso", "Parafuso ***** M8 ***");
  EXPECT_NE(Converte(texto).find("<xProd>Parafuso ***** M8 ***</xProd>"), std::string::npos);
}

TEST_F(ConvDicTest, TheShippedDictionariesLayOutEveryTaxGroupOfTheSchema) {
  // Every ICMS group line has its own fields and is followed by the IPI and II groups; the line after
  // it is the PIS line.
  TvxnStringList detalhe;
  detalhe.SetText(ReadWholeFile(test::TemplatesVm60() + "Conversor/dicDetalhe.txt"));
  const std::vector<std::string> grupos{
      "ICMS00",   "ICMS10",    "ICMS20",    "ICMS30",    "ICMS40",    "ICMS51",    "ICMS60",
      "ICMS70",   "ICMS90",    "ICMS02",    "ICMS15",    "ICMS53",    "ICMS61",    "ICMSST",
      "ICMSPart", "ICMSSN101", "ICMSSN102", "ICMSSN201", "ICMSSN202", "ICMSSN500", "ICMSSN900"};
  // After them the lines reached by name: the reform's +IS, +IBSCBS and +det.
  ASSERT_EQ(detalhe.Count(), grupos.size() + 2 + 3);
  EXPECT_TRUE(detalhe[grupos.size() + 2].starts_with("+IS|IS|"));
  EXPECT_TRUE(detalhe[grupos.size() + 3].starts_with("+IBSCBS|IBSCBS|"));
  EXPECT_TRUE(detalhe[grupos.size() + 4].starts_with("+det|"));
  for (std::size_t i = 0; i < grupos.size(); ++i) {
    SCOPED_TRACE(grupos[i]);
    const std::string abre = grupos[i] + (grupos[i].starts_with("ICMSSN") ? "|orig|CSOSN|" : "|orig|CST|");
    EXPECT_TRUE(detalhe[i + 1].starts_with(abre));
    EXPECT_NE(detalhe[i + 1].find("|/" + grupos[i] + "|/ICMS|IPI|"), std::string::npos);
    EXPECT_TRUE(detalhe[i + 1].ends_with("|/IPI|II|vBC|vDespAdu|vII|vIOF|/II|"));
  }
  const std::string& pis = detalhe[grupos.size() + 1];
  EXPECT_TRUE(pis.starts_with("PIS|"));
  EXPECT_TRUE(pis.ends_with("|/imposto|infAdProd|/det|"));
}

} // namespace
} // namespace vxn

namespace vxn {
namespace {

// Damaged copies of the example: every cut after a whole line, and lines with one separator removed or
// doubled. Each must either convert or raise an exception of the hierarchy, never anything else.
TEST(ConvDicRobustezTest, DamagedExamplesFailCleanly) {
  TvxnStringList linhas;
  linhas.SetText(test::ExemploPipe());
  ASSERT_GT(linhas.Count(), 10u);
  TvxnNFeConvDic dic(test::TemplatesVm60() + "Conversor/");
  // True when the text converts, false when it is refused with an exception of the hierarchy; anything
  // else escapes and fails the test.
  auto converte = [&](const std::string& texto) {
    try {
      dic.Converter(texto, "4.00");
      return true;
    } catch (const EvxnException&) {
      return false;
    }
  };
  // A cut after any line: the footer's lines may be left out, everything before the footer may not.
  const int rodape = linhas.IndexOf("R|");
  ASSERT_GT(rodape, 0);
  for (std::size_t n = 1; n <= linhas.Count(); ++n) {
    std::string texto;
    for (std::size_t i = 0; i < n; ++i)
      texto += linhas[i] + "\r\n";
    EXPECT_EQ(converte(texto), n > static_cast<std::size_t>(rodape)) << "cut after line " << n;
  }
  // A separator removed or doubled in any data line.
  for (std::size_t i = 0; i < linhas.Count(); ++i) {
    const std::size_t barra = linhas[i].find('|', linhas[i].size() / 2);
    if (linhas[i].size() <= 2 || barra == std::string::npos)
      continue;
    TvxnStringList sem = linhas;
    sem[i].erase(barra, 1);
    EXPECT_FALSE(converte(sem.Text())) << "line " << i + 1 << " without a separator";
    TvxnStringList dobrada = linhas;
    dobrada[i].insert(barra, "|");
    EXPECT_FALSE(converte(dobrada.Text())) << "line " << i + 1 << " with a separator doubled";
  }
  EvxnException::ResetClassState();
}

} // namespace
} // namespace vxn
