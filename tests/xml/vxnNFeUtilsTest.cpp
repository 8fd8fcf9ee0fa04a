#include "xml/vxnNFeUtils.h"

#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vxn {
namespace {

using test::ReadFileOrEmpty;
using test::Refusal;
using test::RefusalOf;
using test::TempDir;

// The example of a key that every form of the computation must agree on.
constexpr const char* kChaveExemplo = "35240512345678000195550010000001231012345676";

std::string Chave(std::string dEmi, std::string cUF, std::string CNPJ, std::string Modelo, std::string Serie,
                  std::string nNF, std::string tpEmis, std::string cNF) {
  return CalculaChave(dEmi, cUF, CNPJ, Modelo, Serie, nNF, tpEmis, cNF);
}

const std::string kFalha = "Falha ao montar chave da NFe - Motivo: ";

// --- Check digit and key composition ---------------------------------------------------------------

TEST(CalculaChave, ComposesTheExampleKeyWithCheckDigit6) {
  EXPECT_EQ(Chave("2024-05-10", "35", "12345678000195", "55", "1", "123", "1", "1234567"), kChaveExemplo);
  // The date with time and offset gives the same year and month.
  EXPECT_EQ(Chave("2024-05-10T14:30:00-03:00", "35", "12345678000195", "55", "1", "123", "1", "1234567"),
            kChaveExemplo);
  // Values already at their widths are taken as they are.
  EXPECT_EQ(Chave("2024-05-10", "35", "12345678000195", "55", "001", "000000123", "1", "01234567"),
            kChaveExemplo);
}

TEST(CalculaChave, CpfIssuerIsPrefixedWithThreeZeros) {
  std::string chave = Chave("2024-05-10", "35", "12345678901", "55", "1", "123", "1", "1234567");
  ASSERT_EQ(chave.size(), 44u);
  EXPECT_EQ(chave.substr(6, 14), "00012345678901");
  EXPECT_EQ(chave, "35240500012345678901550010000001231012345674");
}

TEST(CalculaChave, PadsSmallStateCodeAndEmptySeries) {
  // cUF "5" becomes "05" and an empty series "000".
  std::string chave = Chave("2019-11-30", "5", "12345678000195", "55", "", "9", "9", "1");
  EXPECT_EQ(chave.substr(0, 34), "0519111234567800019555000000000009");
  EXPECT_EQ(chave.substr(34, 9), "900000001");
}

TEST(CalculaChave, RemainderZeroOrOneGivesCheckDigitZero) {
  // Weighted sums of these 43 digits leave remainders 0 and 1 modulo 11 respectively.
  EXPECT_EQ(CalculaDigitoModulo11("3524051234567800019555001000000123101234573"), '0');
  EXPECT_EQ(CalculaDigitoModulo11("3524051234567800019555001000000123101234579"), '0');
  EXPECT_EQ(Chave("2024-05-10", "35", "12345678000195", "55", "1", "123", "1", "1234573"),
            "35240512345678000195550010000001231012345730");
  EXPECT_EQ(Chave("2024-05-10", "35", "12345678000195", "55", "1", "123", "1", "1234579"),
            "35240512345678000195550010000001231012345790");
  // Remainder 2 is the smallest that gives a digit other than 0: 11 - 2 = 9. "2" weighs 2 here.
  EXPECT_EQ(CalculaDigitoModulo11("1"), '9');
  EXPECT_EQ(CalculaDigitoModulo11("0"), '0');
  // Weights go 2..9 and back to 2: the ninth digit from the right weighs 2 again.
  EXPECT_EQ(CalculaDigitoModulo11("100000000"), '9');
}

// An issuer of alphanumeric CNPJ: its letters fill the key's CNPJ positions and count as their ASCII code
// minus 48 in the key's digit (valued as base-36 digits they would give 8, not 6).
TEST(CalculaChave, AlphanumericCnpjGoesIntoTheKeyAndItsCheckDigit) {
  const std::string chave =
      Chave("2026-12-05T10:30:00-03:00", "35", "12ABC34501DE35", "55", "1", "1001", "1", "17301558");
  EXPECT_EQ(chave, "35261212ABC34501DE35550010000010011173015586");
  EXPECT_TRUE(ValidaAutenticidadeDV(chave, vm60));
  EXPECT_FALSE(ValidaAutenticidadeDV(chave.substr(0, 43) + "4", vm60));
  EXPECT_EQ(DecodeChave(chave, vm60).CNPJ, "12ABC34501DE35");
}

// Each row breaks its own check and every later one, so only the order decides which is reported.
TEST(CalculaChave, EachRefusalComesInOrderWrappedWithItsReason) {
  for (const auto& a : test::ReadTable("xml/data/calcula-chave-recusas.tsv"))
    EXPECT_EQ(RefusalOf([&] { Chave(a.at(0), a[1], a[2], a[3], a[4], a[5], a[6], a[7]); }),
              (Refusal{"EvxnNFeCheckParams", kFalha + a.at(8)}));
}

TEST(CalculaChave, InnerRefusalKeepsItsOwnClassInTheErrorLog) {
  TempDir dir;
  Refusal r = RefusalOf(
      [&] { CalculaChave("2024-05-10", "35", "123", "55", "1", "1", "12", "1", TvxnLogDir{dir.Path()}); });
  EXPECT_EQ(r.className, "EvxnNFeCheckParams");
  std::string log = ReadFileOrEmpty(dir.File("nfe_exception.log"));
  std::size_t inner =
      log.find("EvxnCheckParams : O valor do tipo de emissão(tpEmis) \"12\" é inesperado.\r\n");
  std::size_t outer = log.find("EvxnNFeCheckParams : Falha ao montar chave da NFe - Motivo: O valor do tipo");
  ASSERT_NE(inner, std::string::npos) << log;
  ASSERT_NE(outer, std::string::npos) << log;
  EXPECT_LT(inner, outer);
  EXPECT_EQ(test::CountLines(log), 2u);

  // The date refusal is of the component's own check class.
  TempDir dir2;
  RefusalOf([&] { CalculaChave("2024", "35", "123", "55", "1", "1", "1", "1", TvxnLogDir{dir2.Path()}); });
  EXPECT_NE(ReadFileOrEmpty(dir2.File("nfe_exception.log")).find("EvxnNFeCheckParams : 2024 Data de Emissão"),
            std::string::npos);
}

TEST(CalculaChave, OlderFormHasNineDigitCodeAndNoIssueType) {
  EXPECT_EQ(CalculaChave("2024-05-10", "35", "12345678000195", "55", "1", "123", "1234567"),
            "35240512345678000195550010000001230012345678");
  // The CNPJ is taken as it is: an 11-digit CPF is not prefixed here.
  std::string chave = CalculaChave("2009-01-10", "43", "12345678901", "55", "0", "1", "1");
  EXPECT_EQ(chave.substr(0, 19), "4309011234567890155");
  EXPECT_EQ(chave.size(), 41u);
}

TEST(CalculaChave, OlderFormRefusals) {
  EXPECT_EQ(RefusalOf([] { CalculaChave("10/5/2024", "", "x", "55", "1", "1", "1"); }),
            (Refusal{"EvxnNFeCheckParams",
                     "10/5/2024 Data de Emissão no Formato inválido. Utilizar YYYY-MM-DD para "
                     "NF-e 2.0 ou YYYY-MM-DDTHH:mm:ssTZD para NF-e 3.10 e 4.00"}));
  EXPECT_EQ(
      RefusalOf([] { CalculaChave("2024-05-10", "35", "x", "55", "1", "1", ""); }),
      (Refusal{
          "EvxnNFeCheckParams",
          "Os Campos: Código da UF Emitente =  35\rCNPJ/CPF do Emitente = x \rCódigo do Modelo do Documento "
          "Fiscal = 55 \rNúmero da Nota Fiscal = 1\rCódigo (controle do sistema) Nota Fiscal = \rsão "
          "campos obrigatórios para o cálculo do dígito verificador."}));
  EXPECT_EQ(RefusalOf([] { CalculaChave("2024-05-10", "35", "123.456", "55", "1", "1", "1"); }),
            (Refusal{"EvxnNFeCheckTXT", "O campo CNPJ/CPF: 123.456 deve ser um número Inteiro"}));
}

// --- Decoding and checking keys ----------------------------------------------------------------------

TEST(DecodeChave, SplitsByPositionForEachLayout) {
  TvxnDecodeChaveNFe atual{"35", "2405", "12345678000195", "55", "001", "000000123", "1", "01234567", "6"};
  for (TVersaoManual v : {vm40, vm50, vm50a, vm60})
    EXPECT_EQ(DecodeChave(kChaveExemplo, v), atual);
  TvxnDecodeChaveNFe antiga{"35", "2405", "12345678000195", "55", "001", "000000123", "", "101234567", "6"};
  for (TVersaoManual v : {vm202a, vm30})
    EXPECT_EQ(DecodeChave(kChaveExemplo, v), antiga);
  // Characters are not inspected, and they are counted as characters, not bytes.
  TvxnDecodeChaveNFe letras = DecodeChave("AB2405123456780001955500100000012310123456é6", vm60);
  EXPECT_EQ(letras.cUF, "AB");
  EXPECT_EQ(letras.cNF, "0123456é");
  EXPECT_EQ(letras.cDV, "6");
}

TEST(DecodeChave, RefusesWrongLengthThenUnknownLayout) {
  std::string curta = std::string(kChaveExemplo).substr(0, 43);
  EXPECT_EQ(RefusalOf([&] { DecodeChave(curta, vm60); }),
            (Refusal{"EvxnCheckParams", "A Chave da NFe " + curta + " deve possuir exatamente 44 dígitos."}));
  EXPECT_EQ(RefusalOf([] { DecodeChave(std::string(kChaveExemplo) + "0", vm60); }).className,
            "EvxnCheckParams");
  EXPECT_EQ(RefusalOf([] { DecodeChave(kChaveExemplo, static_cast<TVersaoManual>(42)); }),
            (Refusal{"EvxnChaveNFeException", "Versão de Manual não suportada para decodificação."}));
  // The length is checked first.
  EXPECT_EQ(RefusalOf([&] { DecodeChave(curta, static_cast<TVersaoManual>(42)); }).className,
            "EvxnCheckParams");
}

TEST(ValidaAutenticidadeDV, AcceptsTheRightDigitOnlyInEveryLayout) {
  std::string chave = kChaveExemplo;
  for (TVersaoManual v : {vm202a, vm30, vm40, vm50, vm50a, vm60}) {
    EXPECT_TRUE(ValidaAutenticidadeDV(chave, v)) << VersaoManualToStr(v);
    for (char d = '0'; d <= '9'; ++d) {
      if (d == '6')
        continue;
      std::string outra = chave.substr(0, 43) + d;
      EXPECT_FALSE(ValidaAutenticidadeDV(outra, v)) << outra;
    }
  }
  // A changed digit elsewhere in the key breaks the check as well.
  EXPECT_FALSE(ValidaAutenticidadeDV("35240512345678000195550010000001241012345676", vm60));
}

TEST(ValidaAutenticidadeDV, PassesTheKeyChecksThrough) {
  EXPECT_EQ(
      RefusalOf([] { ValidaAutenticidadeDV("3524051234567800019555001000000123101234567", vm60); }).className,
      "EvxnCheckParams");
  EXPECT_EQ(
      RefusalOf([] { ValidaAutenticidadeDV("3X240512345678000195550010000001231012345676", vm60); }),
      (Refusal{"EvxnNFeCheckParams", kFalha + "O Código da UF Emitente \"3X\" deve ser um número Inteiro."}));
  EXPECT_EQ(RefusalOf([] { ValidaAutenticidadeDV("35240512345678000195550010000001231012345676", vm60); }),
            Refusal{});
}

// Keys copied from public sample documents, each marked "valid" or "wrong-digit".
TEST(ChavesDeAmostra, DecodeToTheirFieldsAndCheckDigitsAgreeWithTheirMarks) {
  const auto amostras = test::ReadTable("data/sample-access-keys.txt");
  ASSERT_GE(amostras.size(), 20u);
  int validas = 0, erradas = 0;
  for (const auto& a : amostras) {
    const std::string& chave = a.at(1);
    SCOPED_TRACE(chave);
    TvxnDecodeChaveNFe d = DecodeChave(chave, vm60);
    EXPECT_EQ(d.cUF + d.AAMM + d.CNPJ + d.Modelo + d.Serie + d.nNF + d.tpEmis + d.cNF + d.cDV, chave);
    bool valida = ValidaAutenticidadeDV(chave, vm60);
    if (a[0] == "valid") {
      ++validas;
      EXPECT_TRUE(valida);
      // The key recomposed from its fields is the same key.
      EXPECT_EQ(CalculaChave("20" + d.AAMM.substr(0, 2) + "-" + d.AAMM.substr(2) + "-15", d.cUF, d.CNPJ,
                             d.Modelo, d.Serie, d.nNF, d.tpEmis, d.cNF),
                chave);
    } else {
      ASSERT_EQ(a[0], "wrong-digit");
      ++erradas;
      EXPECT_FALSE(valida);
    }
  }
  EXPECT_GT(validas, 0);
  EXPECT_GT(erradas, 0);
}

TEST(ChavesDeAmostra, SplitDifferentlyUnderTheOlderLayouts) {
  TvxnDecodeChaveNFe d = DecodeChave("29161211351930000106550010000000151000000151", vm30);
  EXPECT_EQ(d.cUF, "29");
  EXPECT_EQ(d.AAMM, "1612");
  EXPECT_EQ(d.CNPJ, "11351930000106");
  EXPECT_EQ(d.Serie, "001");
  EXPECT_EQ(d.nNF, "000000015");
  EXPECT_EQ(d.tpEmis, "");
  EXPECT_EQ(d.cNF, "100000015");
  EXPECT_EQ(d.cDV, "1");
}

// --- Contingency data code ---------------------------------------------------------------------------

TEST(CalculaDadosDaNFe, ComposesThirtySixDigits) {
  std::string dados = CalculaDadosDaNFe("35", "2", "12345678000195", "150000", "1", "2", "10");
  EXPECT_EQ(dados, "352123456780001950000000015000012100");
  EXPECT_EQ(dados.size(), 36u);
  // A one-digit state code is padded; the digit follows the same modulus-11 rule as the key.
  std::string outro = CalculaDadosDaNFe("5", "5", "00012345678901", "1234", "2", "1", "01");
  EXPECT_EQ(outro.substr(0, 35), "05500012345678901000000000012342101");
  EXPECT_EQ(outro[35], CalculaDigitoModulo11(outro.substr(0, 35)));
}

TEST(CalculaDadosDaNFe, RefusesANonNumericDocument) {
  EXPECT_EQ(RefusalOf([] { CalculaDadosDaNFe("35", "2", "12.345.678/0001-95", "1", "1", "2", "10"); }),
            (Refusal{"EvxnNFeCheckTXT", "O campo CNPJ: 12.345.678/0001-95 deve ser um número Inteiro"}));
}

// --- State codes, municipalities, GTIN ---------------------------------------------------------------

TEST(CodigosUF, LookUpBothWaysWithoutRegardToCase) {
  EXPECT_EQ(GetCodeUF("rs"), "43");
  EXPECT_EQ(GetCodeUF("XX"), "");
  EXPECT_EQ(GetUF("91"), "AN");
  EXPECT_EQ(GetUF("99"), "");
}

TEST(CodigoMunicipio, ChecksTheLuhnStyleDigit) {
  EXPECT_EQ(CalcDigVerificadorCodMunicipio("355030"), "8");
  EXPECT_EQ(CalcDigVerificadorCodMunicipio("431490"), "2");
  EXPECT_EQ(CalcDigVerificadorCodMunicipio("190000"), "0"); // remainder 0
  EXPECT_TRUE(ValidaCodigoMunicipio("3550308"));
  EXPECT_TRUE(ValidaCodigoMunicipio("4314902"));
  EXPECT_TRUE(ValidaCodigoMunicipio("1900000"));
  EXPECT_FALSE(ValidaCodigoMunicipio("3550307"));
  EXPECT_FALSE(ValidaCodigoMunicipio("1900001"));
  EXPECT_FALSE(ValidaCodigoMunicipio("355030"));
}

TEST(CodigoMunicipio, AcceptsTheListedCodesWhateverTheirDigit) {
  // The computed digit of 311783 is 5, yet 3117836 is a real code.
  EXPECT_EQ(CalcDigVerificadorCodMunicipio("311783"), "5");
  EXPECT_TRUE(ValidaCodigoMunicipio("3117836"));
  // Its neighbours follow the rule like any other code.
  EXPECT_TRUE(ValidaCodigoMunicipio("3117835"));
  EXPECT_FALSE(ValidaCodigoMunicipio("3117837"));
  for (const char* c :
       {"2201919", "2201988", "2202251", "2611533", "3117836", "3152131", "4305871", "5203939", "5203962"})
    EXPECT_TRUE(ValidaCodigoMunicipio(c)) << c;
  EXPECT_NE(CalcDigVerificadorCodMunicipio("220191"), "9");
}

TEST(CodigoMunicipio, NonNumericCodeRaises) {
  EXPECT_EQ(RefusalOf([] { ValidaCodigoMunicipio("35503A8"); }),
            (Refusal{"EvxnNFeCheckParams", "\"35503A8\" não é um número inteiro válido."}));
  EXPECT_EQ(RefusalOf([] { ValidaCodigoMunicipio(""); }).className, "EvxnNFeCheckParams");
}

TEST(ValidaEAN, ChecksLengthZerosAndDigit) {
  EXPECT_FALSE(ValidaEAN("0000000000000"));
  EXPECT_TRUE(ValidaEAN(""));
  EXPECT_TRUE(ValidaEAN("7891000315507"));
  EXPECT_FALSE(ValidaEAN("7891000315508"));
  EXPECT_TRUE(ValidaEAN("96385074"));           // 8
  EXPECT_TRUE(ValidaEAN("036000291452"));       // 12
  EXPECT_TRUE(ValidaEAN("17891000315504"));     // 14
  EXPECT_TRUE(ValidaEAN("123456789012345675")); // 18
  EXPECT_FALSE(ValidaEAN("123456789012345670"));
  EXPECT_FALSE(ValidaEAN("00000000"));
  // Lengths outside 8, 12, 13, 14, 18 are refused even with a fitting digit.
  EXPECT_FALSE(ValidaEAN("78910003155070"));
  EXPECT_FALSE(ValidaEAN("789100031550"));
  EXPECT_TRUE(ValidaEAN("1234567890128"));
  EXPECT_FALSE(ValidaEAN("1234567890123"));
  EXPECT_TRUE(ValidaEAN("4006381333931"));
  EXPECT_FALSE(ValidaEAN("SEM GTIN"));
  EXPECT_FALSE(ValidaEAN("0000001"));
}

// --- Extraction ----------------------------------------------------------------------------------------

TEST(Extracao, TakesFixedWidthsAfterTheFirstOpening) {
  const std::string xml = "<nfeProc><NFe><infNFe Id=\"NFe" + std::string(kChaveExemplo) +
                          "\" versao=\"4.00\"></infNFe></NFe><protNFe><infProt><tpAmb>2</tpAmb><chNFe>" +
                          kChaveExemplo +
                          "</chNFe><nProt>135240000012345</nProt><cStat>100</cStat></infProt>"
                          "<cStat>999</cStat></protNFe></nfeProc>";
  EXPECT_EQ(ObterNotaID(xml), kChaveExemplo);
  EXPECT_EQ(ObterChaveNota(xml), kChaveExemplo);
  EXPECT_EQ(ObterNumProt(xml), "135240000012345");
  EXPECT_EQ(ObterTpAmb(xml), "2");
  EXPECT_EQ(ObtercStat(xml), "100");
  EXPECT_EQ(ObterNumRecibo(xml), "");
  for (auto f : {ObterNotaID, ObterChaveNota, ObterNumProt, ObterTpAmb, ObtercStat, ObterNumRecibo})
    EXPECT_EQ(f("<a>nothing here</a>"), "");
  // Near the end of the text there may be fewer characters than the width.
  EXPECT_EQ(ObterNumProt("<nProt>1352"), "1352");
}

TEST(Extracao, ReceiptNumberComesFromTheElementContent) {
  const std::string xml =
      "<retEnviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>2</tpAmb>"
      "<infRec><nRec>351000012345678</nRec><tMed>1</tMed></infRec></retEnviNFe>";
  EXPECT_EQ(ObterNumRecibo(xml), "351000012345678");
}

TEST(GetValueTag, ReadsPlainElementsAndDropsTheNFeNamespace) {
  EXPECT_EQ(GetValueTag("xNome", "<emit><xNome>José &amp; Cia</xNome></emit>"), "José &amp; Cia");
  // The NF-e namespace declaration closing a start tag is dropped, so that element counts as plain.
  EXPECT_EQ(GetValueTag("retConsReciNFe",
                        "<?xml version=\"1.0\"?><retConsReciNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
                        "<cStat>104</cStat></retConsReciNFe>"),
            "<cStat>104</cStat>");
  // And the same inside the returned content.
  EXPECT_EQ(GetValueTag("a", "<a><NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><x/></NFe></a>"),
            "<NFe><x/></NFe>");
  // First start tag and first end tag.
  EXPECT_EQ(GetValueTag("b", "<b>1</b><b>2</b>"), "1");
  EXPECT_EQ(GetValueTag("b", "<b></b>"), "");
}

TEST(GetValueTag, WithoutAPlainStartTagStartsAtAFixedCharacter) {
  // The content is read from character length("infProt") + 2 of the whole text up to </infProt>.
  const std::string xml =
      "<protNFe versao=\"4.00\"><infProt Id=\"ID1\"><digVal>abc=</digVal></infProt></protNFe>";
  EXPECT_EQ(GetValueTag("infProt", xml), " versao=\"4.00\"><infProt Id=\"ID1\"><digVal>abc=</digVal>");
  EXPECT_EQ(GetValueTag("digVal", GetValueTag("infProt", xml)), "abc=");
  // That character is counted in characters, not bytes.
  EXPECT_EQ(GetValueTag("ab", "ééééé<ab x=\"1\">z</ab>"), "éé<ab x=\"1\">z");
}

TEST(GetValueTag, MissingOrMisplacedEndTagGivesEmptyText) {
  EXPECT_EQ(GetValueTag("a", "<a>never closed"), "");
  EXPECT_EQ(GetValueTag("a", "</a><a>x"), "");
  EXPECT_EQ(GetValueTag("a", "<b>x</b>"), "");
  EXPECT_EQ(GetValueTag("a", ""), "");
}

TEST(GetValueTagFilho, ReadsTheChildInsideTheParent) {
  const std::string xml = "<retConsReciNFe><cStat>104</cStat><protNFe><infProt><cStat>100</cStat></infProt>"
                          "</protNFe></retConsReciNFe>";
  EXPECT_EQ(GetValueTagFilho("infProt", "cStat", xml), "100");
  EXPECT_EQ(GetValueTag("cStat", xml), "104");
  EXPECT_EQ(GetValueTagFilho("evento", "tpEvento",
                             "<env><evento versao=\"1.00\"><infEvento><tpEvento>110111</tpEvento></infEvento>"
                             "</evento></env>"),
            "110111");
  EXPECT_EQ(GetValueTagFilho("infProt", "xMotivo", xml), "");
}

TEST(TryStrToInt64, AcceptsOnlyPlainSignedIntegersThatFit) {
  long long v = -1;
  EXPECT_TRUE(TryStrToInt64("00012345678901", v));
  EXPECT_EQ(v, 12345678901LL);
  EXPECT_TRUE(TryStrToInt64("+7", v));
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(TryStrToInt64("-7", v));
  EXPECT_EQ(v, -7);
  EXPECT_TRUE(IsInt64("9223372036854775807"));
  EXPECT_FALSE(IsInt64("9223372036854775808"));
  for (const char* s : {"", " 1", "1 ", "1.0", "+-1", "+", "-", "0x10", "1e3"})
    EXPECT_FALSE(IsInt64(s)) << '"' << s << '"';
}

} // namespace
} // namespace vxn
