// NFC-e QR codes and the issue rules of the current technical rules, through the component against the
// local server: each NFC-e (QR code versions 2 and 3, normal and contingency, with and without
// recipient) is generated, signed, valid against nfe_v4.00.xsd, verified by xmlsec1 and authorised; a
// QR code changed after signing is refused with the authority's code; and each issue rule (the
// issue-date delay, the recipient's registration by state, the synchronous answer of a lot of one
// document) shows the fault it keeps out. Dates are taken from the clock when the test runs.
#include "ComponentAgainstSim.h"
#include "sefaz-sim/SefazSim.h"
#include "support/Process.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "xml/vxnNFeAssinaturaUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace vxn {
namespace {

using test::Tag;

// Now in Brasilia time, as an issuer writes dhEmi: "2026-12-06T10:00:00-03:00".
std::string AgoraBrasilia() {
  const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()) - 3 * 3600;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S-03:00", &tm);
  return buf;
}

// The command text of a document of the data file with the case's values in its placeholders.
std::string Documento(const std::string& nome, std::map<std::string, std::string> valores) {
  static const std::string arquivo =
      ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/integration/data/emissao-documentos.txt");
  valores.try_emplace("dhEmi", AgoraBrasilia());
  valores.try_emplace("tpEmis", "1");
  valores.try_emplace("nNF", "7001");
  valores.try_emplace("cNF", "40506070");
  std::string texto;
  bool dentro = false;
  for (const std::string& linha : test::Lines(arquivo)) {
    if (linha.starts_with("== ")) {
      dentro = linha.substr(3) == nome;
      continue;
    }
    if (!dentro || linha.empty() || linha[0] == '#')
      continue;
    std::string l = linha;
    for (const auto& [chave, valor] : valores)
      for (std::size_t p = l.find("{" + chave + "}"); p != std::string::npos; p = l.find("{" + chave + "}"))
        l.replace(p, chave.size() + 2, valor);
    if (l.starts_with("{")) // a block the case leaves out
      continue;
    for (std::size_t bar = l.find('|'); bar != std::string::npos; bar = l.find('|'))
      l.replace(bar, 1, "\r\n");
    texto += l + "\r\n";
  }
  return texto;
}

const std::string kContingencia =
    "dhCont_B28=" + AgoraBrasilia() + "|xJust_B29=SEM CONEXAO COM A SEFAZ AUTORIZADORA";

class EmissaoFixture : public test::TComponentAgainstSim {
protected:
  std::string Assinar(const std::string& comandos) {
    const std::string infNFe = nfe_.ConverterLoteParaXml(comandos, lkTXTDataSet, pl_009p, false);
    return nfe_.AssinarNota(infNFe);
  }
  // The cStat of the document's protocol in a synchronous lot.
  std::string Autorizacao(const std::string& assinado) {
    const std::string resposta = nfe_.EnviarNFSincrono("1", assinado, false);
    EXPECT_EQ(Tag(resposta, "cStat"), "104") << resposta;
    return Tag(Tag(resposta, "infProt"), "cStat");
  }
};

// ---- QR codes ----------------------------------------------------------------------------------------

struct CasoQR {
  std::string nome;
  int versao;
  std::map<std::string, std::string> valores;
  std::string parametros; // the parameters after the key, up to the hash or signature ("" for v3 online)
};

const std::string kDestCPF = "CPF_E03=12345678909|xNome_E04=CONSUMIDOR|indIEDest_E16a=9";
const std::string kDestCNPJ = "CNPJ_E02=17444555000125|xNome_E04=CONSUMIDOR|indIEDest_E16a=9";

std::vector<CasoQR> CasosQR() {
  return {
      {"v3_sem_destinatario", 3, {}, "|3|2"},
      {"v3_contingencia_cpf",
       3,
       {{"tpEmis", "9"}, {"contingencia", kContingencia}, {"dest", kDestCPF}},
       "|3|2|{dia}|10.00|2|12345678909|"},
      {"v3_contingencia_sem_destinatario",
       3,
       {{"tpEmis", "9"}, {"contingencia", kContingencia}},
       "|3|2|{dia}|10.00|||"},
      {"v2_cnpj", 2, {{"dest", kDestCNPJ}}, "|2|2|1|"},
      {"v2_contingencia", 2, {{"tpEmis", "9"}, {"contingencia", kContingencia}}, "|2|2|{dia}|10.00|"},
  };
}

void PrintTo(const CasoQR& c, std::ostream* os) {
  *os << c.nome;
}

class NFCeQRCodeTest : public EmissaoFixture, public ::testing::WithParamInterface<CasoQR> {};

TEST_P(NFCeQRCodeTest, SignedNFCeCarriesItsQRCodeIsValidAndIsAuthorised) {
  const CasoQR& caso = GetParam();
  nfe_.SetVersaoQRCode(caso.versao);
  const std::string assinado = Assinar(Documento("nfce", caso.valores));

  EXPECT_EQ(test::XmlSchemaErrors(assinado, test::FindSchema("nfe_v4.00.xsd")), "") << assinado;
  EXPECT_EQ(test::XmlSec1VerifyErrors(assinado, files_.AuthorityCertificate), "");
  // The block lies between infNFe and the signature, with the state's addresses of the server.
  EXPECT_NE(assinado.find("</infNFe><infNFeSupl><qrCode>"), std::string::npos);
  EXPECT_NE(assinado.find("</urlChave></infNFeSupl><Signature"), std::string::npos);
  EXPECT_EQ(Tag(assinado, "urlChave"), sim_.BaseUrl() + "/SP/nfce/consulta");
  const std::string qrCode = Tag(assinado, "qrCode");
  const std::string chave = assinado.substr(assinado.find("Id=\"NFe") + 7, 44);
  std::string esperado = caso.parametros;
  if (const std::size_t p = esperado.find("{dia}"); p != std::string::npos)
    esperado.replace(p, 5, Tag(assinado, "dhEmi").substr(8, 2));
  EXPECT_TRUE(qrCode.starts_with(sim_.BaseUrl() + "/SP/nfce/qrcode?p=" + chave + esperado)) << qrCode;

  EXPECT_EQ(Autorizacao(assinado), "100") << qrCode;
}

INSTANTIATE_TEST_SUITE_P(Casos, NFCeQRCodeTest, ::testing::ValuesIn(CasosQR()),
                         [](const auto& info) { return info.param.nome; });

// The QR code lies outside the signed infNFe: a change made to it after signing keeps the signature
// good, and the server must find it by itself.
struct Adulteracao {
  std::string nome;
  int versao;
  bool contingencia;
  // The first occurrence of `de` in the block becomes `para`; with `para` empty, the character after
  // `de` (after the QR code's last "|" when `de` is empty) is changed for another that keeps its form;
  // with `para` a closing tag, the block from `de` to it is taken out.
  std::string de, para;
  std::string cStat;
};

std::vector<Adulteracao> Adulteracoes() {
  return {
      {"sem_qrcode", 3, false, "<infNFeSupl>", "</infNFeSupl>", "394"},
      {"endereco_do_qrcode", 3, false, "/SP/nfce/qrcode", "/RJ/nfce/qrcode", "395"},
      {"endereco_da_consulta", 3, false, "/SP/nfce/consulta", "/SP/nfce/outra", "878"},
      {"ambiente", 3, false, "|3|2<", "|3|1<", "397"},
      {"valor_na_contingencia_v3", 3, true, "|10.00|", "|1.00|", "397"},
      {"assinatura_v3", 3, true, "", "", "464"},
      {"hash_v2", 2, false, "", "", "464"},
      {"id_do_csc_v2", 2, false, "|2|2|1|", "|2|2|2|", "462"},
      {"digval_na_contingencia_v2", 2, true, "|10.00|", "", "397"},
  };
}

void PrintTo(const Adulteracao& a, std::ostream* os) {
  *os << a.nome;
}

class NFCeQRCodeAdulteradoTest : public EmissaoFixture, public ::testing::WithParamInterface<Adulteracao> {};

TEST_P(NFCeQRCodeAdulteradoTest, IsRefusedWithTheAuthoritysCode) {
  const Adulteracao& a = GetParam();
  nfe_.SetVersaoQRCode(a.versao);
  std::map<std::string, std::string> valores;
  if (a.contingencia)
    valores = {{"tpEmis", "9"}, {"contingencia", kContingencia}};
  std::string assinado = Assinar(Documento("nfce", valores));
  const std::size_t bloco = assinado.find("<infNFeSupl>");
  const std::size_t p =
      a.de.empty() ? assinado.rfind('|', assinado.find("</qrCode>")) : assinado.find(a.de, bloco);
  ASSERT_NE(p, std::string::npos) << assinado;
  if (a.para.starts_with("</")) {
    assinado.erase(p, assinado.find(a.para, p) + a.para.size() - p);
  } else if (a.para.empty()) {
    char& c = assinado[p + std::max<std::size_t>(a.de.size(), 1)];
    c = c == 'a' || c == 'A' ? 'b' : 'a'; // another digit, whatever the case of hexadecimal
  } else {
    assinado.replace(p, a.de.size(), a.para);
  }
  ASSERT_EQ(test::XmlSec1VerifyErrors(assinado, files_.AuthorityCertificate), "");
  // Each change keeps the document valid (the block is optional): only the server can tell them.
  ASSERT_EQ(test::XmlSchemaErrors(assinado, test::FindSchema("nfe_v4.00.xsd")), "") << a.nome;
  EXPECT_EQ(Autorizacao(assinado), a.cStat);
}

INSTANTIATE_TEST_SUITE_P(Casos, NFCeQRCodeAdulteradoTest, ::testing::ValuesIn(Adulteracoes()),
                         [](const auto& info) { return info.param.nome; });

// The signature of a version 3 contingency QR code checked by openssl, which shares no code with ours:
// the parameters before it signed with the key of the certificate in the document.
TEST_F(EmissaoFixture, QRCodeSignatureOfContingencyVerifiesWithOpenssl) {
  const std::string assinado = Assinar(Documento("nfce", {{"tpEmis", "9"}, {"contingencia", kContingencia}}));
  const std::string qrCode = Tag(assinado, "qrCode");
  const std::string p = qrCode.substr(qrCode.find("?p=") + 3);
  const std::size_t ultima = p.rfind('|');
  WriteFileAtomic(dir_.File("dados.txt"), p.substr(0, ultima));
  WriteFileAtomic(dir_.File("assinatura.b64"), p.substr(ultima + 1) + "\n");
  std::string pem = "-----BEGIN CERTIFICATE-----\n";
  const std::string der = Tag(assinado, "X509Certificate");
  for (std::size_t i = 0; i < der.size(); i += 64)
    pem += der.substr(i, 64) + "\n";
  WriteFileAtomic(dir_.File("cert.pem"), pem + "-----END CERTIFICATE-----\n");
  ASSERT_EQ(test::RunProcess({"/usr/bin/openssl", "base64", "-d", "-A", "-in", dir_.File("assinatura.b64"),
                              "-out", dir_.File("assinatura.bin")})
                .exitCode,
            0);
  ASSERT_EQ(test::RunProcess({"/usr/bin/openssl", "x509", "-in", dir_.File("cert.pem"), "-pubkey", "-noout",
                              "-out", dir_.File("chave.pem")})
                .exitCode,
            0);
  const auto verificacao =
      test::RunProcess({"/usr/bin/openssl", "dgst", "-sha1", "-verify", dir_.File("chave.pem"), "-signature",
                        dir_.File("assinatura.bin"), dir_.File("dados.txt")});
  EXPECT_EQ(verificacao.exitCode, 0) << verificacao.out << verificacao.err;
}

// Version 2 needs the CSC: signing without it is refused before anything is signed.
TEST_F(EmissaoFixture, QRCodeVersion2WithoutCSCIsRefused) {
  nfe_.SetVersaoQRCode(2);
  nfe_.SetCSC("");
  EXPECT_EQ(test::RefusalOf([&] { Assinar(Documento("nfce", {})); }),
            (test::Refusal{"EvxnNFeConfigException",
                           "O QR Code versão 2 da NFC-e exige o CSC e o seu identificador (IdCSC)."}));
}

// ---- Issue rules -----------------------------------------------------------------------------------

struct Regra {
  std::string nome;
  std::map<std::string, std::string> valores;
  int diasAdiante; // the server's clock ahead of the real one, in days
  std::string cStat;
};

const std::string kDestMGIsento = "xLgr_E06=RUA A|nro_E07=1|xBairro_E09=CENTRO|cMun_E10=3106200|"
                                  "xMun_E11=BELO HORIZONTE|UF_E12=MG|indIEDest_E16a=2";
const std::string kDestRSIsento = "xLgr_E06=RUA A|nro_E07=1|xBairro_E09=CENTRO|cMun_E10=4314902|"
                                  "xMun_E11=PORTO ALEGRE|UF_E12=RS|indIEDest_E16a=2";
const std::string kTributado = "CST_N12=00|modBC_N13=3|vBC_N15=10.00|pICMS_N16=12.00|vICMS_N17=1.20";
const std::string kIsento = "CST_N12=40";

std::vector<Regra> Regras() {
  const std::map<std::string, std::string> comum{{"dest", "indIEDest_E16a=9"}, {"icms", kIsento}};
  auto com = [&](std::map<std::string, std::string> v) {
    v.insert(comum.begin(), comum.end());
    return v;
  };
  return {
      {"emitida_agora", com({}), 0, "100"},
      {"sete_dias_e_um_pouco", com({}), 8, "150"},
      {"trinta_e_um_dias", com({}), 31, "228"},
      {"trinta_e_um_dias_em_contingencia", com({{"tpEmis", "5"}, {"contingencia", kContingencia}}), 31,
       "150"},
      {"isento_em_MG_tributado", com({{"dest", kDestMGIsento}, {"icms", kTributado}}), 0, "805"},
      {"isento_em_MG_operacao_isenta", com({{"dest", kDestMGIsento}}), 0, "100"},
      {"isento_em_RS_tributado", com({{"dest", kDestRSIsento}, {"icms", kTributado}}), 0, "100"},
  };
}

void PrintTo(const Regra& r, std::ostream* os) {
  *os << r.nome;
}

class RegrasEmissaoTest : public EmissaoFixture, public ::testing::WithParamInterface<Regra> {};

TEST_P(RegrasEmissaoTest, AuthorisationFollowsTheRule) {
  const Regra& r = GetParam();
  sim_.SetIssueDateDelay(true);
  sim_.SetIssueDateClockAhead(std::chrono::hours(24 * r.diasAdiante));
  const std::string assinado = Assinar(Documento("nfe", r.valores));
  ASSERT_EQ(test::XmlSchemaErrors(assinado, test::FindSchema("nfe_v4.00.xsd")), "") << assinado;
  EXPECT_EQ(Autorizacao(assinado), r.cStat);
}

INSTANTIATE_TEST_SUITE_P(Casos, RegrasEmissaoTest, ::testing::ValuesIn(Regras()),
                         [](const auto& info) { return info.param.nome; });

// A lot of one document must ask for the synchronous answer. EnviarNF sends it so: the reply carries
// the document's protocol and its distribution XML is written, with no receipt to query. A host that
// turns LoteUnicoSincrono off asks for a receipt and the authority refuses the lot as a whole.
TEST_F(EmissaoFixture, LotOfOneDocumentIsSentForTheSynchronousAnswer) {
  sim_.SetSingleDocumentSynchronous(true);
  const std::string assinado = Assinar(Documento("nfe", {{"dest", "indIEDest_E16a=9"}, {"icms", kIsento}}));
  const std::string chave = GetReferenceInfo(assinado).substr(3);
  const std::string envio = nfe_.EnviarNF("1", assinado, false);
  ASSERT_EQ(Tag(envio, "cStat"), "104") << envio;
  EXPECT_EQ(Tag(Tag(envio, "infProt"), "cStat"), "100") << envio;
  EXPECT_EQ(Tag(envio, "nRec"), "");
  EXPECT_TRUE(FileExists(nfe_.GetDiretorioXmlDestinatario() + chave + "-nfe.xml"));

  nfe_.SetLoteUnicoSincrono(false);
  const std::string assincrono = nfe_.EnviarNF("2", assinado, false);
  ASSERT_EQ(Tag(assincrono, "cStat"), "452") << assincrono;
  EXPECT_EQ(Tag(assincrono, "xMotivo"),
            "Rejeicao: Solicitada resposta assincrona para Lote com somente 1 (uma) NF-e");
  EXPECT_EQ(Tag(assincrono, "nRec"), "");
}

} // namespace
} // namespace vxn
