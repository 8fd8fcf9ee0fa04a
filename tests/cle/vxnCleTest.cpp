// The CL-e component against the local tax-authority server over TLS: a lot of the keys of documents the
// server authorised is registered (129) and its printed form exports to PDF; every check of the lot
// refuses its bad case with its message before anything is sent; rejected lots come back as replies
// that cannot be printed; the configuration file keeps every key.
#include "cle/vxnCle.h"
#include "cle/vxnCleException.h"
#include "integration/ComponentAgainstSim.h"
#include "support/NFeLoteFixture.h"
#include "support/Process.h"
#include "support/RefusalOf.h"
#include "support/SignedNFeDocument.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnIniFile.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;
using test::Tag;

std::string EsquemaCle() {
  return ProgramDirectory() + "Esquemas/Cle/cle_v1.00.xsd";
}

// A road lot: the carrier (a name to escape), the vehicle and one trailer, from SP to MG.
void PreencherLote(TvxnCle& cle) {
  cle.Transportador().SetCNPJ("04252011000110");
  cle.Transportador().SetNome("TRANSPORTES A & B LTDA");
  cle.Transportador().SetFantasia("A<B");
  cle.Modalidade().Rodoviario().SetPlacaVeiculo("ABC1D23");
  cle.Modalidade().Rodoviario().SetUFVeiculo("SP");
  cle.Modalidade().Rodoviario().SetPlacaCarreta("XYZ9876");
  cle.Modalidade().Rodoviario().SetUFCarreta("MG");
  cle.SetUFOrigem("SP");
  cle.SetUFDestino("MG");
}

class CleTest : public test::TComponentAgainstSim {
protected:
  void SetUp() override {
    TComponentAgainstSim::SetUp();
    Configurar(cle_);
  }
  void Configurar(TvxnCle& cle) {
    cle.LoadConfig(files_.CleConfigFile);
    cle.SetDiretorioLog(dir_.Path() + "cle-log");
    cle.SetDiretorioLogErro(dir_.Path() + "LogErro");
    PreencherLote(cle);
  }
  // A document the server authorised; its access key.
  std::string Autorizar(int nNF, std::string* nProt = nullptr) {
    const std::string documento =
        test::SignedNFeDocument(nNF, files_.ClientCertificate, files_.ClientPassword);
    const std::string reply = nfe_.EnviarNFSincrono("1", documento, false);
    EXPECT_EQ(Tag(Tag(reply, "infProt"), "cStat"), "100") << reply;
    if (nProt)
      *nProt = Tag(reply, "nProt");
    return documento.substr(documento.find("Id=\"NFe") + 7, 44);
  }
  TvxnCle cle_;
};

TEST_F(CleTest, ALotOfIssuedKeysIsRegisteredWith129AndItsFormExportsToPdf) {
  const std::string k1 = Autorizar(701), k2 = Autorizar(702);
  const std::string pedido = cle_.MontarXmlCLe(k1 + ", " + k2);
  EXPECT_EQ(pedido,
            R"(<?xml version="1.0" encoding="UTF-8"?><enviCLe xmlns="http://www.portalfiscal.inf.br/nfe" )"
            R"(xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xsi:schemaLocation=")"
            R"(http://www.portalfiscal.inf.br/nfe cle_v1.00.xsd" versao="1.00"><tpAmb>2</tpAmb><transp>)"
            R"(<CNPJ>04252011000110</CNPJ><xNome>TRANSPORTES A &amp; B LTDA</xNome><xFant>A&lt;B</xFant>)"
            R"(</transp><rodo><pVeic>ABC1D23</pVeic><cUFVeic>35</cUFVeic><pCarreta>XYZ9876</pCarreta>)"
            R"(<cUFCarreta>31</cUFCarreta></rodo><cUFOrig>35</cUFOrig><cUFDest>31</cUFDest><chaves>)"
            R"(<chvAcesso>)" +
                k1 + "</chvAcesso><chvAcesso>" + k2 + "</chvAcesso></chaves></enviCLe>");
  TvxnGovUtils utils;
  EXPECT_NO_THROW(utils.ValidateSchema(pedido, kNFeNamespace, EsquemaCle()));

  std::vector<std::string> avisos;
  cle_.SetOnLog(
      [&avisos](const std::string& nome, const std::string&, const std::string& arquivo,
                const std::string& conteudo) { avisos.push_back(nome + " " + arquivo + " " + conteudo); });
  const std::string retorno = cle_.EnviarCLe(pedido);
  ASSERT_EQ(Tag(retorno, "cStat"), "129") << retorno;
  EXPECT_EQ(avisos, (std::vector<std::string>{"env-cle " + cle_.UltimoLogEnvio() + " " + pedido,
                                              "ret-cle " + cle_.UltimoLogRetorno() + " " + retorno}));
  EXPECT_NO_THROW(utils.ValidateSchema(retorno, kNFeNamespace, EsquemaCle()));
  const std::string chvCLe = Tag(retorno, "chvCLe");
  ASSERT_EQ(chvCLe.size(), 44u);
  EXPECT_EQ(chvCLe.substr(0, 2), "35");
  EXPECT_EQ(chvCLe.substr(6, 14), "04252011000110");
  EXPECT_EQ(CalculaDigitoModulo11(chvCLe.substr(0, 43)), chvCLe[43]);
  EXPECT_EQ(Tag(retorno, "qChaves"), "2");
  // The request as sent and the reply as returned are the logs, named alike.
  EXPECT_EQ(Trim(ReadWholeFile(cle_.UltimoLogEnvio())), pedido);
  EXPECT_EQ(Trim(ReadWholeFile(cle_.UltimoLogRetorno())), retorno);
  EXPECT_TRUE(cle_.UltimoLogEnvio().ends_with("-env-cle.xml")) << cle_.UltimoLogEnvio();
  EXPECT_EQ(cle_.UltimoLogRetorno(),
            cle_.UltimoLogEnvio().substr(0, cle_.UltimoLogEnvio().size() - 12) + "-ret-cle.xml");

  const std::string pdf = dir_.File("cle.pdf");
  cle_.ExportarCLe(pedido, retorno, pdf);
  const test::ProcessResult texto = test::RunProcess({"/usr/bin/pdftotext", "-layout", pdf, "-"});
  ASSERT_EQ(texto.exitCode, 0) << texto.err;
  auto quatro = [](const std::string& chave) {
    std::string s;
    for (std::size_t i = 0; i < chave.size(); i += 4)
      s += (i ? " " : "") + chave.substr(i, 4);
    return s;
  };
  for (const std::string& esperado :
       {std::string("TRANSPORTES A & B LTDA"), std::string("04.252.011/0001-10"), std::string("RODOVIARIO"),
        std::string("SP / ABC1D23"), std::string("MG / XYZ9876"), std::string("SP / MG"), quatro(chvCLe),
        quatro(k1), quatro(k2), std::string("Lote de CL-e processado")})
    EXPECT_NE(texto.out.find(esperado), std::string::npos) << esperado << "\n" << texto.out;
}

TEST_F(CleTest, EveryCheckRefusesItsBadCaseWithItsMessageBeforeAnythingIsSent) {
  const std::string k1 = test::ChaveDaNota(1), k2 = test::ChaveDaNota(2), chaves = k1 + "," + k2;
  using Ajuste = std::function<void(TvxnCle&)>;
  auto rodo = [](TvxnCle& c) -> TvxnCleModRodoviario& { return c.Modalidade().Rodoviario(); };
  // The other modality filled in instead of the road one; the case then changes one of its fields.
  auto outro = [](TvxnCle& c) -> TvxnCleModOutro& {
    c.Modalidade().Rodoviario().Limpar();
    c.Modalidade().Outro().SetModalidade("03");
    c.Modalidade().Outro().SetUFTransporte("AM");
    c.Modalidade().Outro().SetIdentMeioTransporte("BALSA RIO NEGRO II");
    return c.Modalidade().Outro();
  };
  struct Caso {
    std::string chaves;
    Ajuste ajuste;
    std::string mensagem;
  };
  const std::vector<Caso> casos = {
      {"", {}, "Lista de chaves está vazia"},
      {" ", {}, "Lista de chaves está vazia"},
      {chaves, [](TvxnCle& c) { c.Transportador().SetCNPJ(""); },
       "Favor preencher o CPF ou o CNPJ do Transportador"},
      // Both documents: refused before the (missing) modality is looked at.
      {chaves,
       [](TvxnCle& c) {
         c.Transportador().SetCPF("12345678909");
         c.Modalidade().Limpar();
       },
       "Favor preencher somente o CPF ou o CNPJ do Transportador"},
      {chaves,
       [](TvxnCle& c) {
         c.Transportador().SetCNPJ("");
         c.Transportador().SetCPF("123.456.789-09");
       },
       "CPF do Transportador deve conter apenas números"},
      {chaves,
       [](TvxnCle& c) {
         c.Transportador().SetCNPJ("");
         c.Transportador().SetCPF("1234567890");
       },
       "CPF do Transportador deve conter 11 dígitos"},
      {chaves, [](TvxnCle& c) { c.Transportador().SetCNPJ("04.252.011/0001-10"); },
       "CNPJ do Transportador deve conter apenas números"},
      {chaves, [](TvxnCle& c) { c.Transportador().SetCNPJ("0425201100011"); },
       "CNPJ do Transportador deve conter 14 dígitos"},
      {chaves, [](TvxnCle& c) { c.Transportador().SetNome("  "); },
       "Favor preencher o Nome do Transportador"},
      {chaves, [](TvxnCle& c) { c.Modalidade().Outro().SetIdentMeioTransporte("BALSA"); },
       "Favor preencher os dados apenas da modalidade Rodoviário ou apenas da modalidade Outros"},
      {chaves, [](TvxnCle& c) { c.Modalidade().Limpar(); },
       "Favor preencher os dados da modalidade Rodoviário ou da modalidade Outros"},
      {chaves, [&](TvxnCle& c) { rodo(c).SetPlacaVeiculo(""); },
       "Favor preencher o campo de Placa do Veículo"},
      {chaves, [&](TvxnCle& c) { rodo(c).SetPlacaVeiculo("abc1d23"); }, "Placa do veículo é inválida"},
      {chaves, [&](TvxnCle& c) { rodo(c).SetUFVeiculo(""); }, "Favor preencher o campo de UF do Veículo"},
      {chaves, [&](TvxnCle& c) { rodo(c).SetUFVeiculo("AN"); }, "UF do veículo é inválida"},
      {chaves, [&](TvxnCle& c) { rodo(c).SetPlacaCarreta("XYZ-987"); }, "Placa da carreta é inválida"},
      {chaves, [&](TvxnCle& c) { rodo(c).SetUFCarreta("ZZ"); }, "UF da carreta é inválida"},
      {chaves, [&](TvxnCle& c) { rodo(c).SetPlacaCarreta2("xyz9876"); },
       "Placa da segunda carreta é inválida"},
      {chaves, [&](TvxnCle& c) { rodo(c).SetUFCarreta2("EX"); }, "UF da segunda carreta é inválida"},
      {chaves, [&](TvxnCle& c) { outro(c).SetModalidade(""); },
       "Favor preencher o campo de Modalidade de transporte"},
      {chaves, [&](TvxnCle& c) { outro(c).SetModalidade("01"); }, "Modalidade de transporte é inválida"},
      {chaves, [&](TvxnCle& c) { outro(c).SetUFTransporte(""); },
       "Favor preencher o campo de UF do transporte"},
      {chaves, [&](TvxnCle& c) { outro(c).SetUFTransporte("XX"); }, "UF do transporte é inválida"},
      {chaves, [&](TvxnCle& c) { outro(c).SetIdentMeioTransporte(" "); },
       "Favor preencher o campo de Identificação do transporte"},
      {chaves, [](TvxnCle& c) { c.SetUFOrigem("XX"); }, "UF de origem é inválida"},
      {chaves, [](TvxnCle& c) { c.SetUFDestino(""); }, "UF de destino é inválida"},
      {k1 + "," + k2.substr(0, 43) + "X", {}, "A 2ª chave do lote deve conter apenas números"},
      {k1 + ",," + k2 + "," + k2 + "1", {}, "A 3ª chave do lote não está com 44 caracteres"},
      {k1 + "," + k2 + "," + k1, {}, "Não foi possível montar o XML: Contém chaves repetidas no lote"},
      {" , ,", {}, "Lista de chaves não contém nenhuma chave"},
  };
  for (const Caso& caso : casos) {
    TvxnCle cle;
    Configurar(cle);
    if (caso.ajuste)
      caso.ajuste(cle);
    EXPECT_EQ(RefusalOf([&] { cle.EnviarCLe(cle.MontarXmlCLe(caso.chaves)); }),
              (Refusal{"EvxnCLeException", caso.mensagem}));
  }
  // The other modality passes the checks, and its request is one the schema accepts.
  TvxnCle cle;
  Configurar(cle);
  outro(cle);
  TvxnGovUtils utils;
  EXPECT_NO_THROW(utils.ValidateSchema(cle.MontarXmlCLe(chaves), kNFeNamespace, EsquemaCle()));
  // What the checks let through, the schema still bounds: a plate of nine characters.
  cle.Modalidade().Outro().Limpar();
  PreencherLote(cle);
  cle.Modalidade().Rodoviario().SetPlacaVeiculo("ABC1D2345");
  const Refusal schema = RefusalOf([&] { cle.EnviarCLe(cle.MontarXmlCLe(chaves)); });
  EXPECT_EQ(schema.className, "EvxnCLeException");
  EXPECT_NE(schema.message.find("pVeic"), std::string::npos) << schema.message;
  EXPECT_EQ(RefusalOf([&] { cle.EnviarCLe(" "); }),
            (Refusal{"EvxnCLeException", "Falha ao enviar CL-e, Xml vazio."}));
  EXPECT_TRUE(requests_.Lines().empty());
  EXPECT_TRUE(test::FileNames(dir_.Path() + "cle-log", ".xml").empty());
}

TEST_F(CleTest, RejectedLotsComeBackAsRepliesThatCannotBePrinted) {
  const std::string autorizada = Autorizar(703);
  std::string nProt;
  const std::string cancelada = Autorizar(704, &nProt);
  const std::string cancelamento =
      nfe_.CancelarNFeEvento(cancelada, nProt, "Cancelamento por erro de digitacao", "", "", 1, "1");
  ASSERT_EQ(Tag(test::Between(cancelamento, "<retEvento", "</retEvento>"), "cStat"), "135") << cancelamento;
  std::string digitoErrado = autorizada;
  digitoErrado[43] = digitoErrado[43] == '9' ? '0' : static_cast<char>(digitoErrado[43] + 1);
  struct Caso {
    std::string chaves;
    TAmbienteKind ambiente;
    std::string cStat;
  };
  const Caso casos[] = {{test::ChaveDaNota(900), akHomologacao, "217"},
                        {digitoErrado, akHomologacao, "236"},
                        {autorizada + "," + cancelada, akHomologacao, "218"},
                        {autorizada, akProducao, "252"}};
  for (const Caso& caso : casos) {
    cle_.SetAmbiente(caso.ambiente);
    const std::string pedido = cle_.MontarXmlCLe(caso.chaves);
    const std::string retorno = cle_.EnviarCLe(pedido);
    EXPECT_EQ(Tag(retorno, "cStat"), caso.cStat) << retorno;
    EXPECT_EQ(Tag(retorno, "chvCLe"), "");
    EXPECT_EQ(RefusalOf([&] { cle_.ExportarCLe(pedido, retorno, dir_.File("recusada.pdf")); }),
              (Refusal{"EvxnCLeException", "A CLe não está Autorizada."}));
  }
  EXPECT_FALSE(FileExists(dir_.File("recusada.pdf")));
  // A service that does not answer is a failure of the send, with its cause; the request stays logged.
  cle_.SetAmbiente(akHomologacao);
  sim_.SetFault("CleCadastro", sim::TSimFault::Http503);
  const Refusal falha = RefusalOf([&] { cle_.EnviarCLe(cle_.MontarXmlCLe(autorizada)); });
  EXPECT_EQ(falha.className, "EvxnCLeException");
  EXPECT_TRUE(falha.message.starts_with("Erro ao enviar Cle ao WebService: ")) << falha.message;
  EXPECT_NE(falha.message.find("503"), std::string::npos) << falha.message;
  EXPECT_TRUE(FileExists(cle_.UltimoLogEnvio()));
  EXPECT_EQ(cle_.UltimoLogRetorno(), "");
}

TEST_F(CleTest, PrintingRefusesMissingOrBrokenInputsAndSettingsWithoutWritingAFile) {
  const std::string pedido = cle_.MontarXmlCLe(test::ChaveDaNota(1));
  const std::string retorno =
      R"(<retCadCLe xmlns="http://www.portalfiscal.inf.br/nfe" versao="1.00"><tpAmb>2</tpAmb>)"
      R"(<cStat>129</cStat><xMotivo>ok</xMotivo><chvCLe>1</chvCLe></retCadCLe>)";
  const std::string pdf = dir_.File("form.pdf");
  auto exportar = [&](std::string p, std::string r, std::string arquivo) {
    return RefusalOf([&] { cle_.ExportarCLe(p, r, arquivo); });
  };
  EXPECT_EQ(exportar(" ", retorno, pdf),
            (Refusal{"EvxnCLeException", "XML para impressão da CLe está vazio."}));
  EXPECT_EQ(exportar("<enviCLe>", retorno, pdf), (Refusal{"EvxnCLeException", "XML de envio inválido"}));
  EXPECT_EQ(exportar(pedido, "retCadCLe", pdf), (Refusal{"EvxnCLeException", "XML de retorno inválido"}));
  EXPECT_EQ(exportar(pedido, retorno, ""),
            (Refusal{"EvxnCLeException", "Nome do arquivo de exportação não informado."}));
  cle_.ImpressaoSettings().QtdeCopias = 0;
  EXPECT_EQ(exportar(pedido, retorno, pdf),
            (Refusal{"EvxnCLeException", "Erro ao setar parâmetros de impressão CLe"}));
  cle_.ImpressaoSettings().QtdeCopias = 1;
  cle_.ImpressaoSettings().ModeloRTM = dir_.File("nao-existe.rtm");
  EXPECT_EQ(exportar(pedido, retorno, pdf),
            (Refusal{"EvxnCLeException", "Arquivo " + dir_.File("nao-existe.rtm") + " não encontrado."}));
  EXPECT_FALSE(FileExists(pdf));
  // The request and the reply may also be files.
  cle_.ImpressaoSettings().ModeloRTM.clear();
  WriteFileAtomic(dir_.File("pedido.xml"), pedido);
  WriteFileAtomic(dir_.File("retorno.xml"), retorno);
  cle_.ExportarCLe(dir_.File("pedido.xml"), dir_.File("retorno.xml"), pdf);
  EXPECT_TRUE(ReadWholeFile(pdf).starts_with("%PDF-"));
}

TEST_F(CleTest, TheConfigurationFileKeepsEveryKeyAndNamesWhatIsWrong) {
  TvxnCle a;
  a.SetCNPJ("11222333000181");
  a.SetAmbiente(akProducao);
  a.SetTipoCertificado(ckSmartCard);
  a.SetPinCode("4321");
  a.SetModuloPKCS11("/usr/lib/softhsm/libsofthsm2.so");
  a.SetNomeCertificado("EMPRESA DE TESTE");
  a.SetProxy("proxy:3128");
  a.SetUsuario("u");
  a.SetSenha("s");
  a.SetTimeOut(1500);
  a.SetUFOrigem("PR");
  a.SetValidarEsquemaAntesEnvio(true);
  a.SetConexaoSegura(false);
  a.SetArquivoServidoresHom("h.ini");
  a.SetDiretorioTemplates("/t/");
  a.EmailSettings().ServidorSmtp = "smtp.example.com";
  a.EmailSettings().Porta = 587;
  a.EmailSettings().CC = "cc@example.com";
  const std::string arquivo = dir_.File("cleConfig.ini");
  a.SaveConfig(arquivo);
  const TvxnIniFile gravado(arquivo);
  EXPECT_EQ(gravado.ReadString("CLE", "Repositorio", ""), "SMART_CARD_USER_STORE");
  EXPECT_NE(gravado.ReadString("CLE", "PinCode", ""), "4321"); // kept out of casual reading
  TvxnCle b;
  b.LoadConfig(arquivo);
  EXPECT_EQ(b.GetCNPJ(), "11222333000181");
  EXPECT_EQ(b.GetAmbiente(), akProducao);
  EXPECT_EQ(b.GetTipoCertificado(), ckSmartCard);
  EXPECT_EQ(b.GetPinCode(), "4321");
  EXPECT_EQ(b.GetModuloPKCS11(), "/usr/lib/softhsm/libsofthsm2.so");
  EXPECT_EQ(b.GetNomeCertificado(), "EMPRESA DE TESTE");
  EXPECT_EQ(b.GetProxy() + b.GetUsuario() + b.GetSenha(), "proxy:3128us");
  EXPECT_EQ(b.GetTimeOut(), 1500);
  EXPECT_EQ(b.GetUFOrigem(), "PR");
  EXPECT_TRUE(b.GetValidarEsquemaAntesEnvio());
  EXPECT_FALSE(b.GetConexaoSegura());
  EXPECT_EQ(b.GetArquivoServidoresHom(), "h.ini");
  EXPECT_EQ(b.GetDiretorioTemplates(), "/t/");
  EXPECT_EQ(b.EmailSettings().ServidorSmtp + std::to_string(b.EmailSettings().Porta) + b.EmailSettings().CC,
            "smtp.example.com587cc@example.com");

  TvxnCle c;
  c.SetDiretorioLogErro(dir_.Path() + "LogErro");
  EXPECT_EQ(RefusalOf([&] { c.LoadConfig(dir_.File("nao-existe.ini")); }),
            (Refusal{"EvxnCLeConfigException",
                     "Arquivo ini de configuração não foi encontrado em " + dir_.File("nao-existe.ini")}));
  EXPECT_EQ(RefusalOf([&] { c.LoadConfig(static_cast<TvxnIniFile*>(nullptr)); }),
            (Refusal{"EvxnCLeConfigException", "O parâmetro não pode ser nil para realizar LoadConfig"}));
  EXPECT_EQ(RefusalOf([&] { c.SaveConfig(static_cast<TvxnIniFile*>(nullptr)); }),
            (Refusal{"EvxnCLeConfigException", "O parâmetro não pode ser nil para realizar SaveConfig"}));
  TvxnIniFile quebrado;
  quebrado.WriteString("CLE", "PinCode", "isto nao foi cifrado");
  const Refusal r = RefusalOf([&] { c.LoadConfig(&quebrado); });
  EXPECT_EQ(r.className, "EvxnCLeConfigException");
  EXPECT_TRUE(r.message.starts_with(
      "Um problema foi encontrado durante o carregamento do arquivo de configuração: \""))
      << r.message;
  EXPECT_TRUE(r.message.ends_with("\"")) << r.message;
  // Every refusal left its line in the component's error log.
  EXPECT_NE(ReadWholeFile(dir_.Path() + "LogErro/nfe_exception.log").find("EvxnCLeConfigException"),
            std::string::npos);
}

} // namespace
} // namespace vxn
