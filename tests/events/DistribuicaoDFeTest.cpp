// Documents addressed to the taxpayer, through the component against the local server: the distribution
// query by last NSU, by one NSU and by key, the filing of every kind of document a reply brings, the
// checks that come before anything is sent, the service's refusals a host can provoke, and the legacy
// services the distribution service replaced. The issuer and the examples' recipient are the two
// components of the configuration files the server writes.
#include "EventosFixture.h"
#include "events/vxnNFeEventos.h"
#include "support/RefusalOf.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace vxn::test {
namespace {

using ::testing::HasSubstr;

constexpr const char* kDest = "17444555000125"; // the recipient of the configuration files
constexpr const char* kUFDest = "31";
constexpr const char* kUFEmit = "35";

std::string ParaDestinatario(std::string infNFe) {
  const std::size_t cnpj = infNFe.find(kCnpjDestinatario, infNFe.find("<dest>"));
  return infNFe.replace(cnpj, 14, kDest);
}

std::string Nsu(int n) {
  const std::string s = std::to_string(n);
  return std::string(15 - s.size(), '0') + s;
}

class DistribuicaoDFeTest : public EventosTest {
protected:
  void SetUp() override {
    EventosTest::SetUp();
    dest_ = std::make_unique<TvxnNFe>();
    dest_->LoadConfig(files_.RecipientConfigFile);
    dest_->SetDiretorioLog(dir_.Path() + "dest/Log");
    dest_->SetDiretorioLogErro(dir_.Path() + "dest/LogErro");
    dest_->SetDiretorioXmlDestinatario(dir_.Path() + "dest/Xml");
    dest_->SetDiretorioDownloads(dir_.Path() + "dest/Downloads");
    dest_->SetOnDownloadNFe([this](const std::string& f) { baixados_.push_back(f); });
  }
  void TearDown() override {
    dest_.reset();
    EventosTest::TearDown();
  }

  // A document of the issuer addressed to the configuration's recipient, authorised.
  std::string ParaODestinatario(std::string* nProt = nullptr) { return Autorizar(nProt, ParaDestinatario); }

  // The party's documents after `nsu`, asked and filed in its distribution folder; `nsu` becomes the
  // reply's ultNSU. The reply is checked against the official schema.
  std::vector<TvxnDFeArquivado> Baixar(TvxnNFe& parte, const std::string& cUF, const std::string& cnpj,
                                       std::string& nsu, std::string* resposta = nullptr) {
    const std::string r = parte.ConsultarDistribuicaoDFe(cUF, cnpj, nsu, nkUltimo);
    EXPECT_EQ(XmlSchemaErrors(r, FindSchema("retDistDFeInt_v1.01.xsd")), "") << r;
    std::vector<TvxnDFeArquivado> arquivados;
    parte.TratarXMLRetornoDFe(r, "", [&](const TvxnDFeArquivado& a) { arquivados.push_back(a); });
    nsu = Tag(r, "ultNSU");
    if (resposta)
      *resposta = r;
    return arquivados;
  }

  std::string PastaDFe(TvxnNFe& parte) const { return parte.GetDiretorioXmlDestinatario() + "DFe/"; }

  // The documents and events the configuration's recipient manifested about, one a kind.
  void Manifestar(int tipo, const std::string& chave, const std::string& justificativa = "") {
    const std::string r = dest_->EnviarManifestacaoDestinatario(tipo, chave, justificativa, "", "", "1", 1);
    ASSERT_EQ(Ret(r, "cStat"), "135") << r;
  }

  std::unique_ptr<TvxnNFe> dest_;
  std::vector<std::string> baixados_;
};

// The whole loop of a purchase: the summary, the document once the recipient manifested awareness
// (signed as the issuer signed it), then the issuer's cancellation; what the recipient's NSU reached is
// where the next query starts.
TEST_F(DistribuicaoDFeTest, TheRecipientGetsTheSummaryThenTheDocumentThenTheCancellation) {
  std::string nProt;
  const std::string chave = ParaODestinatario(&nProt);
  const std::string pasta = PastaDFe(*dest_);

  std::string nsu = "0";
  std::string resposta;
  std::vector<TvxnDFeArquivado> a = Baixar(*dest_, kUFDest, kDest, nsu, &resposta);
  // "0" goes out as fifteen zeros: the only form the schema (and so the authority) takes.
  EXPECT_THAT(sim_.ReceivedMessages().back(),
              HasSubstr("<distNSU><ultNSU>000000000000000</ultNSU></distNSU>"));
  EXPECT_EQ(Tag(resposta, "cStat"), "138");
  EXPECT_EQ(Tag(resposta, "maxNSU"), Nsu(1));
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].NSU, Nsu(1));
  EXPECT_EQ(a[0].Tipo, "resNFe");
  EXPECT_EQ(a[0].Chave, chave);
  EXPECT_EQ(a[0].Arquivo, pasta + "Resumo/" + chave + ".xml");
  const std::string resumo = ReadFileOrEmpty(a[0].Arquivo);
  EXPECT_EQ(XmlSchemaErrors(resumo, FindSchema("resNFe_v1.01.xsd")), "") << resumo;
  EXPECT_EQ(Tag(resumo, "nProt"), nProt);
  EXPECT_EQ(Tag(resumo, "cSitNFe"), "1");
  EXPECT_EQ(nsu, Nsu(1));

  Manifestar(2, chave);
  a = Baixar(*dest_, kUFDest, kDest, nsu);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].NSU, Nsu(2));
  EXPECT_EQ(a[0].Tipo, "nfeProc");
  EXPECT_EQ(a[0].Arquivo, pasta + chave + "-nfe.xml");
  const std::string nfe = ReadFileOrEmpty(a[0].Arquivo);
  EXPECT_EQ(XmlSchemaErrors(nfe, FindSchema("procNFe_v4.00.xsd")), "") << nfe;
  EXPECT_EQ(XmlSec1VerifyErrors(nfe, files_.AuthorityCertificate), "");

  ASSERT_EQ(
      Ret(nfe_->CancelarNFeEvento(chave, nProt, "Pedido cancelado pelo cliente", "", "", 1, "1"), "cStat"),
      "135");
  a = Baixar(*dest_, kUFDest, kDest, nsu);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].Tipo, "procEventoNFe");
  EXPECT_EQ(a[0].TpEvento, "110111");
  EXPECT_EQ(a[0].Arquivo, pasta + chave + "-caneve.xml");
  ChecarDistribuicao(ReadFileOrEmpty(a[0].Arquivo),
                     {"procEventoNFe_v1.00.xsd", "procEventoCancNFe_v1.00.xsd"});
  EXPECT_EQ(nsu, Nsu(3));
  // Nothing further: the next query finds nothing and leaves the NSU where it was.
  EXPECT_TRUE(Baixar(*dest_, kUFDest, kDest, nsu, &resposta).empty());
  EXPECT_EQ(Tag(resposta, "cStat"), "137");
  EXPECT_EQ(nsu, Nsu(3));
}

// Every filing rule: events of documents the recipient has not manifested about come as summaries, the
// issuer hears of the recipient's manifestations as whole events, each filed under its key and the
// suffix of its kind.
TEST_F(DistribuicaoDFeTest, EventsAreFiledUnderTheSuffixOfTheirKind) {
  const std::string a = ParaODestinatario(), b = ParaODestinatario(), c = ParaODestinatario();
  ASSERT_EQ(Ret(nfe_->EnviarCCe(b, "Endereco de entrega: Rua B, 10", kUFEmit, "", "", 1, "1"), "cStat"),
            "135");
  ASSERT_EQ(Ret(nfe_->EnviarAtorInteressado(b, "91", kUFEmit, "1", "QVX 1.0", "12345678000195",
                                            TTipoAutorizacaoAtorInter::tEAINaoPermite, "", "", 1, "1"),
                "cStat"),
            "135");
  std::string nsu = "0";
  std::map<std::string, std::string> recebidos; // file name -> tipo
  for (const TvxnDFeArquivado& f : Baixar(*dest_, kUFDest, kDest, nsu))
    recebidos[std::filesystem::path(f.Arquivo).lexically_relative(PastaDFe(*dest_)).string()] = f.Tipo;
  EXPECT_EQ(recebidos, (std::map<std::string, std::string>{{"Resumo/" + a + ".xml", "resNFe"},
                                                           {"Resumo/" + b + ".xml", "resNFe"},
                                                           {"Resumo/" + c + ".xml", "resNFe"},
                                                           {b + "-cce.xml", "resEvento"},
                                                           {b + "-110150.xml", "resEvento"}}));
  EXPECT_EQ(
      XmlSchemaErrors(ReadFileOrEmpty(PastaDFe(*dest_) + b + "-cce.xml"), FindSchema("resEvento_v1.01.xsd")),
      "");

  Manifestar(2, a);
  Manifestar(1, a);
  Manifestar(3, b);
  Manifestar(4, c, "Mercadoria devolvida ao transportador");
  std::string nsuEmitente = "0";
  std::map<std::string, std::string> doEmitente; // file name -> tpEvento
  for (const TvxnDFeArquivado& f : Baixar(*nfe_, kUFEmit, kCnpjCertificado, nsuEmitente))
    doEmitente[std::filesystem::path(f.Arquivo).filename().string()] = f.TpEvento;
  EXPECT_EQ(doEmitente, (std::map<std::string, std::string>{{a + "-ci-mde.xml", "210210"},
                                                            {a + "-co-mde.xml", "210200"},
                                                            {b + "-do-mde.xml", "210220"},
                                                            {c + "-or-mde.xml", "210240"}}));
  ChecarDistribuicao(ReadFileOrEmpty(PastaDFe(*nfe_) + c + "-or-mde.xml"),
                     {"procEventoNFe_v1.00.xsd", "procConfRecebtoNFe_v1.00.xsd"});
  // Awareness, confirmation and "not performed" give the recipient the document; "not recognised" does not.
  std::vector<std::string> inteiros;
  for (const TvxnDFeArquivado& f : Baixar(*dest_, kUFDest, kDest, nsu))
    if (f.Tipo == "nfeProc")
      inteiros.push_back(f.Chave);
  EXPECT_EQ(inteiros, (std::vector<std::string>{a, c}));
}

// One NSU asked again gives the summary as the document stands now; a key gives the document the party
// may have, written to the download folder.
TEST_F(DistribuicaoDFeTest, OneNsuAndOneKey) {
  std::string nProt;
  const std::string a = ParaODestinatario(&nProt), c = ParaODestinatario();
  Manifestar(4, c, "Mercadoria devolvida ao transportador");
  ASSERT_EQ(Ret(nfe_->CancelarNFeEvento(a, nProt, "Pedido cancelado pelo cliente", "", "", 1, "1"), "cStat"),
            "135");

  const std::string um = dest_->ConsultarDistribuicaoDFe(kUFDest, kDest, Nsu(1), nkEspecifico);
  EXPECT_THAT(sim_.ReceivedMessages().back(), HasSubstr("<consNSU><NSU>" + Nsu(1) + "</NSU></consNSU>"));
  std::vector<TvxnDFeArquivado> f;
  dest_->TratarXMLRetornoDFe(um, dir_.Path() + "outra", [&](const TvxnDFeArquivado& x) { f.push_back(x); });
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].Arquivo, dir_.Path() + "outra/Resumo/" + a + ".xml");
  EXPECT_EQ(Tag(ReadFileOrEmpty(f[0].Arquivo), "cSitNFe"), "3"); // cancelled since

  const std::string porChave = dest_->ConsultarDistribuicaoDFeChave(kUFDest, kDest, c);
  EXPECT_THAT(sim_.ReceivedMessages().back(), HasSubstr("<consChNFe><chNFe>" + c + "</chNFe></consChNFe>"));
  EXPECT_EQ(Tag(porChave, "cStat"), "138");
  const std::string baixado = dest_->GetDiretorioDownloads() + c + "-nfe.xml";
  EXPECT_EQ(baixados_, (std::vector<std::string>{baixado}));
  EXPECT_EQ(XmlSchemaErrors(ReadFileOrEmpty(baixado), FindSchema("procNFe_v4.00.xsd")), "");
  EXPECT_EQ(XmlSec1VerifyErrors(ReadFileOrEmpty(baixado), files_.AuthorityCertificate), "");

  // A cancelled document is not given by key: the reply says so and nothing is written.
  EXPECT_EQ(Tag(dest_->ConsultarDistribuicaoDFeChave(kUFDest, kDest, a), "cStat"), "653");
  EXPECT_EQ(baixados_.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dest_->GetDiretorioDownloads() + a + "-nfe.xml"));
}

// The checks of the query, in their order, before anything is sent or logged.
TEST_F(DistribuicaoDFeTest, TheChecksComeFirstInTheirOrder) {
  const std::string chave43(43, '1');
  struct TCaso {
    std::string uf, cnpj, nsu, chave;
    Refusal esperada;
  };
  const TCaso casos[] = {
      {"3", "1", "1", "", {"EvxnNFeDFeUFInvalidaException", "Código da UF deve ter dois digitos."}},
      {" 3A ", "1", "1", "", {"EvxnNFeDFeUFInvalidaException", "Código da UF deve conter somente números."}},
      {"31", "1", Nsu(1).substr(1), "", {"EvxnNFeDFeNSUInvalidaException", "NSU deve conter 15 dígitos."}},
      {"31",
       "1",
       "00000000000001A",
       "",
       {"EvxnNFeDFeNSUInvalidaException", "NSU deve conter somente números."}},
      {"31",
       "1744455500012",
       "0",
       "",
       {"EvxnNFeDFeCNPJInvalidoException", "Para CNPJ utilize 14 dígitos, para CPF utilize 11 dígitos."}},
      {"31", "12345678901", "0", "", {"EvxnNFeDFeCPFInvalidoException", "CPF é inválido."}},
      {"31", "17444555000126", "0", "", {"EvxnNFeDFeCNPJInvalidoException", "CNPJ é inválido."}},
      {"31",
       kDest,
       Nsu(0),
       chave43,
       {"EvxnNFeDFeChaveInvalidaException", "Chave da consulta precisa ter 44 digitos"}},
  };
  for (const TCaso& c : casos)
    EXPECT_EQ(RefusalOf([&] {
                if (c.chave.empty())
                  dest_->ConsultarDistribuicaoDFe(c.uf, c.cnpj, c.nsu, nkUltimo);
                else
                  dest_->ConsultarDistribuicaoDFeChave(c.uf, c.cnpj, c.chave);
              }),
              c.esperada)
        << c.uf << " " << c.cnpj << " " << c.nsu;
  for (const std::string& m : sim_.ReceivedMessages())
    EXPECT_THAT(m, ::testing::Not(HasSubstr("distDFeInt")));
  std::error_code ec;
  for (const auto& f : std::filesystem::directory_iterator(dest_->GetDiretorioLog(), ec))
    EXPECT_THAT(f.path().string(), ::testing::Not(HasSubstr("dfe"))); // nothing logged either
}

// What the service refuses and a host can provoke: another company's CNPJ, a number beyond the last, a key
// it does not know or that is none of the party's business, and asking again too soon after "nothing
// found" when the waiting rule is on.
TEST_F(DistribuicaoDFeTest, TheServiceRefusalsAHostCanProvoke) {
  const std::string a = ParaODestinatario();
  const std::string alheia = Autorizar();
  const std::string nunca = NotaAssinada();
  const std::string desconhecida = nunca.substr(nunca.find("Id=\"NFe") + 7, 44);
  auto status = [](const std::string& r) { return Tag(r, "cStat") + " " + Tag(r, "xMotivo"); };
  EXPECT_EQ(status(dest_->ConsultarDistribuicaoDFe(kUFDest, kCnpjCertificado, "0", nkUltimo)),
            "593 Rejeicao: CNPJ-Base consultado difere do CNPJ-Base do Certificado Digital");
  EXPECT_EQ(
      status(dest_->ConsultarDistribuicaoDFe(kUFDest, kDest, Nsu(2), nkEspecifico)),
      "589 Rejeicao: Numero do NSU informado superior ao maior NSU da base de dados do Ambiente Nacional");
  EXPECT_EQ(status(dest_->ConsultarDistribuicaoDFeChave(kUFDest, kDest, desconhecida)),
            "217 Rejeicao: NF-e nao consta na base de dados da SEFAZ");
  EXPECT_EQ(status(dest_->ConsultarDistribuicaoDFeChave(kUFDest, kDest, alheia)),
            "640 Rejeicao: CNPJ/CPF do interessado nao possui permissao para consultar esta NF-e");
  EXPECT_TRUE(baixados_.empty());

  sim_.SetDFeWait(3600);
  std::string nsu = "0", resposta;
  EXPECT_EQ(Baixar(*dest_, kUFDest, kDest, nsu, &resposta).size(), 1u);
  EXPECT_EQ(Tag(resposta, "cStat"), "138");
  EXPECT_TRUE(Baixar(*dest_, kUFDest, kDest, nsu, &resposta).empty());
  EXPECT_EQ(Tag(resposta, "cStat"), "137");
  // A new document does not lift the wait; the refusal tells the NSU reached, to continue from it.
  ParaODestinatario();
  EXPECT_TRUE(Baixar(*dest_, kUFDest, kDest, nsu, &resposta).empty());
  EXPECT_EQ(status(resposta), "656 Rejeicao: Consumo Indevido (Deve ser aguardado 1 hora para efetuar nova "
                              "solicitacao caso nao existam mais documentos a serem pesquisados)");
  EXPECT_EQ(Tag(resposta, "ultNSU"), Nsu(1));
  sim_.SetDFeWait(0);
  EXPECT_EQ(Baixar(*dest_, kUFDest, kDest, nsu).size(), 1u);

  // The other posting of the same request reaches the same service.
  dest_->AtualizaDadosNFeEventos();
  const std::string outra = dest_->GetEventos().DistribuicaoDFePorSoap(
      R"(<distDFeInt xmlns="http://www.portalfiscal.inf.br/nfe" versao="1.01"><tpAmb>2</tpAmb>)"
      R"(<cUFAutor>31</cUFAutor><CNPJ>17444555000125</CNPJ><consNSU><NSU>000000000000001</NSU></consNSU>)"
      R"(</distDFeInt>)");
  EXPECT_THAT(outra, HasSubstr("<cStat>138</cStat>"));
}

// A docZip that does not decompress stops the filing with the reason; the documents filed before it
// stay, those after it are not written; a reply without documents writes nothing at all.
TEST_F(DistribuicaoDFeTest, FilingStopsAtADocZipThatDoesNotDecompress) {
  const std::string a = ParaODestinatario(), b = ParaODestinatario(), c = ParaODestinatario();
  sim_.SetDFeDamagedNsu(2);
  const std::string resposta = dest_->ConsultarDistribuicaoDFe(kUFDest, kDest, "0", nkUltimo);
  const std::string pasta = dir_.Path() + "parcial/";
  EXPECT_EQ(RefusalOf([&] { dest_->TratarXMLRetornoDFe(resposta, pasta); }),
            (Refusal{"EvxnNFeDescompactarXMLException",
                     "Verifique se o conteúdo informado é um xml compactado válido"}));
  EXPECT_TRUE(std::filesystem::exists(pasta + "Resumo/" + a + ".xml"));
  EXPECT_FALSE(std::filesystem::exists(pasta + "Resumo/" + b + ".xml"));
  EXPECT_FALSE(std::filesystem::exists(pasta + "Resumo/" + c + ".xml"));

  const std::string nada = dest_->ConsultarDistribuicaoDFe(kUFDest, kDest, Nsu(3), nkUltimo);
  ASSERT_EQ(Tag(nada, "cStat"), "137");
  dest_->TratarXMLRetornoDFe(nada, dir_.Path() + "vazia/");
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() + "vazia"));
}

// A docZip is found in whatever namespace prefix the reply gives it, and a document without an access key
// (nothing to file it under) is passed over: no file, no notice, and the filing goes on after it.
TEST_F(DistribuicaoDFeTest, APrefixedDocZipIsFiledAndOneWithoutKeyIsPassedOver) {
  const std::string chave = ParaODestinatario();
  std::string nsu = "0";
  const std::vector<TvxnDFeArquivado> antes = Baixar(*dest_, kUFDest, kDest, nsu);
  ASSERT_EQ(antes.size(), 1u);
  const std::string resumo = ReadFileOrEmpty(antes[0].Arquivo);
  TvxnGovUtils& u = dest_->GetGovUtils();
  auto zip = [&](const std::string& tag, const std::string& n, const std::string& doc) {
    return "<" + tag + " NSU=\"" + n + "\" schema=\"resNFe_v1.01.xsd\">" + u.CompressBase64Gz(doc) + "</" +
           tag + ">";
  };
  std::string semChave = resumo;
  semChave.erase(semChave.find("<chNFe>"), 7 + 44 + 8);
  const std::string resposta =
      R"(<r:retDistDFeInt xmlns:r="http://www.portalfiscal.inf.br/nfe" versao="1.01"><r:tpAmb>2</r:tpAmb>)"
      R"(<r:cStat>138</r:cStat><r:xMotivo>Documento localizado</r:xMotivo><r:loteDistDFeInt>)" +
      zip("r:docZip", Nsu(5), semChave) + zip("r:docZip", Nsu(6), resumo) +
      "</r:loteDistDFeInt></r:retDistDFeInt>";
  const std::string pasta = dir_.Path() + "prefixo/";
  std::vector<TvxnDFeArquivado> f;
  dest_->TratarXMLRetornoDFe(resposta, pasta, [&](const TvxnDFeArquivado& a) { f.push_back(a); });
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].NSU, Nsu(6));
  EXPECT_EQ(f[0].Schema, "resNFe_v1.01.xsd");
  EXPECT_EQ(f[0].Arquivo, pasta + "Resumo/" + chave + ".xml");
  EXPECT_EQ(ReadFileOrEmpty(f[0].Arquivo), resumo);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(pasta + "Resumo"),
                          std::filesystem::directory_iterator()),
            1);
}

// The services the distribution service replaced: the component refuses them as obsolete; the events
// object still speaks them (national environment), with their checks first.
TEST_F(DistribuicaoDFeTest, TheLegacyServices) {
  EXPECT_EQ(RefusalOf([&] { dest_->ConsultarNFeDestinadas(0, 0, ""); }),
            (Refusal{"EvxnNFeDeprecatedException",
                     "O método ConsultarNFeDestinadas está obsoleto. Utilize: ConsultarDistribuicaoDFe"}));
  EXPECT_EQ(RefusalOf([&] { dest_->DownloadNFe(""); }),
            (Refusal{"EvxnNFeDeprecatedException",
                     "O método DownloadNFe está obsoleto. Utilize: ConsultarDistribuicaoDFeChave"}));

  const std::string a = ParaODestinatario();
  dest_->AtualizaDadosNFeEventos();
  TvxnNFeEventos& e = dest_->GetEventos();
  const std::string destinadas = e.ConsultarNFeDestinadas(0, 0, "");
  EXPECT_EQ(XmlSchemaErrors(destinadas, FindSchema("retconsNFeDest_v1.01.xsd")), "") << destinadas;
  EXPECT_THAT(destinadas, HasSubstr("<resNFe NSU=\"1\"><chNFe>" + a + "</chNFe>"));
  // Before the recipient manifested, the document is not given.
  EXPECT_THAT(e.DownloadNFe(a), HasSubstr("<cStat>633</cStat>"));
  Manifestar(2, a);
  const std::string download = e.DownloadNFe(" " + a + " ");
  EXPECT_EQ(XmlSchemaErrors(download, FindSchema("retDownloadNFe_v1.00.xsd")), "") << download;
  const std::string arquivo = dest_->GetDiretorioDownloads() + a + "-NFe.xml";
  EXPECT_EQ(baixados_, (std::vector<std::string>{arquivo}));
  EXPECT_EQ(XmlSchemaErrors(ReadFileOrEmpty(arquivo), FindSchema("procNFe_v4.00.xsd")), "");
  EXPECT_EQ(XmlSec1VerifyErrors(ReadFileOrEmpty(arquivo), files_.AuthorityCertificate), "");

  std::string onze;
  for (int i = 0; i < 11; ++i)
    onze += "x,";
  const std::pair<std::function<void()>, Refusal> recusas[] = {
      {[&] { e.ConsultarNFeDestinadas(3, 0, ""); },
       {"EvxnNFeEventosIndNFeInvalidException", "Indicador de NF-e (indNFe) da Consulta é inválido."}},
      {[&] { e.ConsultarNFeDestinadas(0, 2, ""); },
       {"EvxnNFeEventosIndEmiInvalidException", "Indicador do Emissor (indEmi) da NF-e é inválido."}},
      {[&] { e.ConsultarNFeDestinadas(0, 0, "12a"); },
       {"EvxnNFeEventosUltNSUInvalidException", "Último NSU (ultNSU) deve conter apenas números."}},
      {[&] { e.ConsultarNFeDestinadas(0, 0, std::string(16, '1')); },
       {"EvxnNFeEventosUltNSUInvalidException",
        "Último NSU (ultNSU) deve conter apenas no máximo 15 dígitos."}},
      {[&] { e.DownloadNFe(" , "); },
       {"EvxnNFeEventoDownloadNFeException", "Nenhuma Chave de NF-e foi informada."}},
      {[&] { e.DownloadNFe(onze); },
       {"EvxnNFeEventoDownloadLimitNotasException",
        "São permitidas no máximo 10 notas por solicitação de download."}},
      {[&] { e.DownloadNFe(a + "," + a.substr(1)); },
       {"EvxnNFeEventoDownloadNFeException",
        "A Chave \"" + a.substr(1) + "\" é inválida. Deve conter exatamente 44 dígitos"}},
      {[&] { e.DownloadNFe(a.substr(1) + "X"); },
       {"EvxnNFeEventoDownloadNFeException",
        "A Chave \"" + a.substr(1) + "X\" é inválida. Deve conter apenas números"}},
  };
  for (const auto& [chamada, esperada] : recusas)
    EXPECT_EQ(RefusalOf(chamada), esperada);
  e.SetCNPJ("17444555000126");
  EXPECT_EQ(RefusalOf([&] { e.DownloadNFe(a); }),
            (Refusal{"EvxnNFeEventosCNPJInvalidException", "CNPJ é inválido."}));
}

} // namespace
} // namespace vxn::test
