// The component's DANFE operations on the shipped models, with a stand-in only for the printer: what
// reaches the print job (the PDF, copies, duplex, queue), the directory batch (one PDF per XML, failures
// named per file, the others still exported), the correction letter given to a DANFE operation, and the
// refusals that come before anything is written.
#include "danfe/vxnNFeDanfe.h"
#include "support/DanfeDocument.h"
#include "support/Process.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnGovX.h"
#include "vxnNFe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;

std::string Texto(const std::string& pdf) {
  const ProcessResult r = RunProcess({"/usr/bin/pdftotext", "-layout", pdf, "-"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.out;
}

// The distribution XML of a correction letter of the test document, the authority's reply with `cStat`.
std::string CCe(const std::string& cStat) {
  return "<procEventoNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\"><evento "
         "versao=\"1.00\">"
         "<infEvento Id=\"ID110110" +
         DanfeDocumentKey() +
         "01\"><cOrgao>35</cOrgao><tpAmb>2</tpAmb>"
         "<CNPJ>11222333000181</CNPJ><chNFe>" +
         DanfeDocumentKey() +
         "</chNFe><dhEvento>2026-12-06T10:00:00-03:00</dhEvento>"
         "<tpEvento>110110</tpEvento><nSeqEvento>1</nSeqEvento><verEvento>1.00</verEvento><detEvento "
         "versao=\"1.00\">"
         "<descEvento>Carta de Correcao</descEvento><xCorrecao>Endereco de entrega: Rua B, 10</xCorrecao>"
         "<xCondUso>...</xCondUso></detEvento></infEvento></evento><retEvento versao=\"1.00\"><infEvento>"
         "<tpAmb>2</tpAmb><verAplic>SIM</verAplic><cOrgao>35</cOrgao><cStat>" +
         cStat + "</cStat><xMotivo>Evento registrado e vinculado a NF-e</xMotivo><chNFe>" +
         DanfeDocumentKey() +
         "</chNFe><tpEvento>110110</tpEvento><nSeqEvento>1</nSeqEvento><dhRegEvento>2026-12-06T10:01:00-03:00"
         "</dhRegEvento><nProt>135260000000077</nProt></infEvento></retEvento></procEventoNFe>";
}

// The test document as issued in EPEC contingency (tpEmis 4), not yet authorised: no protocol.
std::string DocumentoEpec() {
  std::string xml = ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-10-itens-v4.00.xml");
  xml.replace(xml.find("<tpEmis>1</tpEmis>"), 18, "<tpEmis>4</tpEmis>");
  return xml;
}

class DanfeImpressao : public ::testing::Test {
protected:
  TempDir dir_;
  TvxnNFe nfe_;
};

TEST_F(DanfeImpressao, PrintingHandsThePrinterAWholePdfWithTheCopiesDuplexAndQueueOfTheSettings) {
  nfe_.GetDanfeSettings().SetQtdeCopias(3);
  struct Caso {
    TImprimirFrenteVersoKind frenteVerso;
    TvxnFrenteVerso esperado;
  };
  for (const Caso c : {Caso{TImprimirFrenteVersoKind::fvVertical, TvxnFrenteVerso::fvVertical},
                       Caso{TImprimirFrenteVersoKind::fvHorizontal, TvxnFrenteVerso::fvHorizontal},
                       Caso{TImprimirFrenteVersoKind::fvDesabilitado, TvxnFrenteVerso::fvDesligado}}) {
    nfe_.GetDanfeSettings().SetImprimirFrenteVerso(c.frenteVerso);
    std::vector<TvxnTrabalhoImpressao> jobs;
    std::string pdf, arquivo, titulo;
    nfe_.GetGov().Get_PrintSettings().OnPrint = [&](const TvxnTrabalhoImpressao& job, const std::string& f,
                                                    const std::string& t) {
      jobs.push_back(job);
      arquivo = f;
      pdf = ReadWholeFile(f);
      titulo = t;
    };
    nfe_.ImprimirDanfe(AuthorisedDanfeDocument(2), "", "Expedicao");
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].Impressora, "Expedicao");
    EXPECT_EQ(jobs[0].Copias, 3);
    EXPECT_EQ(jobs[0].FrenteVerso, c.esperado);
    EXPECT_EQ(titulo, DanfeDocumentKey());
    EXPECT_TRUE(pdf.starts_with("%PDF-") && pdf.find("%%EOF") != std::string::npos);
    EXPECT_FALSE(FileExists(arquivo)) << "the spool file must go once printed";
  }
}

TEST_F(DanfeImpressao, DirectoryBatchExportsEachFileAndNamesTheOnesThatFail) {
  const std::string entrada = dir_.Path() + "xml/";
  const std::string saida = dir_.Path() + "pdf/";
  ForceDirectories(entrada);
  WriteFileAtomic(entrada + "a.xml", AuthorisedDanfeDocument(1));
  WriteFileAtomic(entrada + "b.xml",
                  ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-10-itens-v4.00.xml"));
  WriteFileAtomic(entrada + "c.txt", "not a document");
  EXPECT_EQ(
      RefusalOf([&] { nfe_.ImprimirDanfeXmlDiretorio(entrada, saida); }),
      (Refusal{"EvxnNFeReportException",
               "Arquivo b.xml com problema(s): O Xml não é válido para impressão em modo Normal / SCAN"}));
  EXPECT_THAT(Texto(saida + "a.pdf"), HasSubstr("DANFE"));
  EXPECT_FALSE(FileExists(saida + "b.pdf"));
  EXPECT_FALSE(FileExists(saida + "c.pdf"));
  EXPECT_EQ(RefusalOf([&] { nfe_.ImprimirDanfeXmlDiretorio(dir_.Path() + "falta/", saida); }),
            (Refusal{"EvxnNFeException", "Diretório inválido ou inexistente."}));
}

TEST_F(DanfeImpressao, RefusalsComeBeforeAnyFileIsWritten) {
  const std::string pdf = dir_.Path() + "x.pdf";
  const std::string doc = AuthorisedDanfeDocument(1);
  EXPECT_EQ(RefusalOf([&] { nfe_.ExportarDanfe(doc, "", ""); }),
            (Refusal{"EvxnNFeReportException", "Nome do arquivo de exportação não informado."}));
  EXPECT_EQ(
      RefusalOf([&] { nfe_.ExportarDanfe(doc, dir_.Path() + "sem.rtm", pdf); }),
      (Refusal{"EvxnNFeReportException", "Arquivo RTM \"" + dir_.Path() + "sem.rtm\" não encontrado."}));
  EXPECT_EQ(RefusalOf([&] { nfe_.ExportarDanfe("", "", pdf); }),
            (Refusal{"EvxnNFeReportException", "XML para impressão da Danfe está vazio."}));
  EXPECT_EQ(RefusalOf([&] { nfe_.ExportarPreverDanfe("<nada/>", "", pdf); }),
            (Refusal{"EvxnNFeExportarPreverDanfeException",
                     "Falha ao Exportar o PDF de previsão: XML para exportação do Danfe inválido."}));
  EXPECT_EQ(RefusalOf([&] { nfe_.EditarModeloDanfe(doc); }).className, "EvxnNFeReportException");
  nfe_.SetDanfeSimplificado(true);
  std::string contingencia = doc;
  contingencia.replace(contingencia.find("<tpEmis>1</tpEmis>"), 18, "<tpEmis>2</tpEmis>");
  EXPECT_EQ(RefusalOf([&] { nfe_.ExportarDanfe(contingencia, "", pdf); }),
            (Refusal{"EvxnNFeException",
                     "Uso do Modelo RTM Danfe Simplificado apenas para NFe em modo Normal ou Scan."}));
  EXPECT_FALSE(FileExists(pdf));
}

// The form follows from the XML: a correction letter prints the CC-e form, landscape documents (tpImp 2)
// the landscape model.
TEST_F(DanfeImpressao, TheFormAndModelFollowFromTheXml) {
  const std::string cce = CCe("135");
  const std::string pdf = dir_.Path() + "cce.pdf";
  nfe_.ExportarDanfe(cce, "", pdf);
  const std::string texto = Texto(pdf);
  EXPECT_THAT(texto, HasSubstr("CARTA DE CORREÇÃO ELETRÔNICA"));
  EXPECT_THAT(texto, HasSubstr("Endereco de entrega: Rua B, 10"));
  EXPECT_THAT(texto, HasSubstr("135260000000077"));

  std::string paisagem = AuthorisedDanfeDocument(1);
  paisagem.replace(paisagem.find("<tpImp>1</tpImp>"), 16, "<tpImp>2</tpImp>");
  const std::string largo = dir_.Path() + "paisagem.pdf";
  nfe_.ExportarDanfe(paisagem, "", largo);
  const ProcessResult info = RunProcess({"/usr/bin/pdfinfo", largo});
  EXPECT_THAT(info.out, HasSubstr("841.89 x 595.276 pts"));
}

// The correction-letter operations print the registered CC-e's text, correction and protocol: exported,
// on the printer with the copies of the settings and the queue given, and previewed.
TEST_F(DanfeImpressao, TheCorrectionLetterIsExportedPrintedAndPreviewedWithItsText) {
  nfe_.GetDanfeSettings().SetQtdeCopias(2);
  std::vector<std::string> textos;
  const std::string pdf = dir_.Path() + "cce.pdf";
  nfe_.ExportarCCe(CCe("136"), pdf);
  textos.push_back(Texto(pdf));
  TvxnTrabalhoImpressao job;
  auto& ps = nfe_.GetGov().Get_PrintSettings();
  ps.OnPrint = [&](const TvxnTrabalhoImpressao& j, const std::string& f, const std::string&) {
    job = j;
    textos.push_back(Texto(f));
  };
  nfe_.ImprimirCCe(CCe("135"), "Fiscal");
  EXPECT_EQ(job.Impressora, "Fiscal");
  EXPECT_EQ(job.Copias, 2);
  ps.OnPreview = [&](const std::string& f) { textos.push_back(Texto(f)); };
  nfe_.VisualizarCCe(CCe("135"));
  ASSERT_EQ(textos.size(), 3u);
  for (const std::string& texto : textos) {
    EXPECT_THAT(texto, HasSubstr("CARTA DE CORREÇÃO ELETRÔNICA"));
    EXPECT_THAT(texto, HasSubstr("Endereco de entrega: Rua B, 10"));
    EXPECT_THAT(texto, HasSubstr("135260000000077"));
  }
}

// A correction letter the authority did not register (refused, or no reply at all) is neither written,
// printed nor previewed; an export without a file name is refused before anything else.
TEST_F(DanfeImpressao, ACorrectionLetterNotRegisteredIsNotPrinted) {
  const std::string pdf = dir_.Path() + "cce.pdf";
  bool chamado = false;
  auto& ps = nfe_.GetGov().Get_PrintSettings();
  ps.OnPrint = [&](const TvxnTrabalhoImpressao&, const std::string&, const std::string&) { chamado = true; };
  ps.OnPreview = [&](const std::string&) { chamado = true; };
  std::string semResposta = CCe("135");
  semResposta.erase(semResposta.find("<retEvento"));
  const Refusal naoAutorizada{"EvxnCCeReportException", "A CCe não está Autorizada."};
  for (const std::string& xml : {CCe("573"), semResposta}) {
    EXPECT_EQ(RefusalOf([&] { nfe_.ExportarCCe(xml, pdf); }), naoAutorizada);
    EXPECT_EQ(RefusalOf([&] { nfe_.ImprimirCCe(xml); }), naoAutorizada);
    EXPECT_EQ(RefusalOf([&] { nfe_.VisualizarCCe(xml); }), naoAutorizada);
    EXPECT_EQ(RefusalOf([&] { nfe_.EditarModeloCCe(xml); }), naoAutorizada);
  }
  EXPECT_EQ(RefusalOf([&] { nfe_.ExportarCCe(CCe("135"), ""); }),
            (Refusal{"EvxnCCeReportException", "Nome do arquivo de exportação não informado."}));
  EXPECT_FALSE(chamado);
  EXPECT_FALSE(FileExists(pdf));
}

// The DANFE of a document issued in EPEC contingency shows the EPEC's protocol and time in the protocol
// box; the checks of the operations come first, in their order, and write nothing.
TEST_F(DanfeImpressao, AnEpecDocumentPrintsTheEpecProtocolAndItsChecksComeFirst) {
  const std::string pdf = dir_.Path() + "epec.pdf";
  nfe_.ExportarEPEC(DocumentoEpec(), "135260000000999", "2026-12-06T09:00:00-03:00", "", pdf);
  const std::string texto = Texto(pdf);
  EXPECT_THAT(texto, HasSubstr("PROTOCOLO DE AUTORIZAÇÃO DE USO (EPEC)"));
  EXPECT_THAT(texto, HasSubstr("135260000000999 2026-12-06T09:00:00-03:00"));
  const std::string outro = dir_.Path() + "outro.pdf";
  struct Caso {
    std::string xml, protocolo, dataHora, mensagem;
  };
  const Caso casos[] = {
      {DocumentoEpec(), "", "2026-12-06T09:00:00-03:00", "Número de Protocolo do EPEC não foi informado"},
      {DocumentoEpec(), "135260000000999", " ", "Data Hora do EPEC não foi informado"},
      {"", "135260000000999", "2026-12-06T09:00:00-03:00", "O XML informado de EPEC está vazio"},
      {CCe("135"), "135260000000999", "2026-12-06T09:00:00-03:00", "O XML informado de EPEC é inválido"},
  };
  for (const Caso& c : casos) {
    const Refusal esperado{"EvxnCheckParams", c.mensagem};
    EXPECT_EQ(RefusalOf([&] { nfe_.ExportarEPEC(c.xml, c.protocolo, c.dataHora, "", outro); }), esperado);
    EXPECT_EQ(RefusalOf([&] { nfe_.ImprimirEPEC(c.xml, c.protocolo, c.dataHora); }), esperado);
    EXPECT_EQ(RefusalOf([&] { nfe_.VisualizarEPEC(c.xml, c.protocolo, c.dataHora); }), esperado);
  }
  EXPECT_FALSE(FileExists(outro));
}

// The issuer's JPEG logo is drawn into the PDF as an image of its size; a broken JPEG (cut short, or
// not JPEG past its first bytes) is refused with its file named and leaves the previous PDF as it was.
TEST_F(DanfeImpressao, AJpegLogoIsDrawnAndABrokenOneIsRefusedLosingNothing) {
  const std::string doc = AuthorisedDanfeDocument(1);
  const std::string pdf = dir_.Path() + "danfe.pdf";
  nfe_.ExportarDanfe(doc, "", pdf);
  // A JPEG of 100 x 141 pixels: the page itself at 12 dpi (cairo writes it grey when every pixel is).
  const std::string logo = dir_.Path() + "logo";
  ASSERT_EQ(RunProcess({"/usr/bin/pdftoppm", "-jpeg", "-r", "12", "-singlefile", pdf, logo}).exitCode, 0);
  auto imagens = [](const std::string& arquivo) {
    const ProcessResult r = RunProcess({"/usr/bin/pdfimages", "-list", arquivo});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> linhas;
    std::istringstream in(r.out);
    for (std::string l; std::getline(in, l);)
      linhas.push_back(std::regex_replace(l, std::regex(" +"), " "));
    return linhas;
  };
  ASSERT_EQ(imagens(pdf).size(), 2u) << "no image without a logo";
  nfe_.GetDanfeSettings().SetLogotipoEmitente(logo + ".jpg");
  nfe_.ExportarDanfe(doc, "", pdf);
  const std::vector<std::string> comLogo = imagens(pdf);
  ASSERT_EQ(comLogo.size(), 3u);
  EXPECT_THAT(comLogo[2], ::testing::MatchesRegex("^ *1 [0-9]+ image 100 141 (rgb 3|gray 1) 8 .*"));
  const std::string anterior = ReadWholeFile(pdf);

  const std::string jpeg = ReadWholeFile(logo + ".jpg");
  const std::string quebrados[] = {jpeg.substr(0, jpeg.size() / 2),
                                   jpeg.substr(0, 2) + std::string(300, 'x')};
  for (const std::string& quebrado : quebrados) {
    const std::string arquivo = dir_.Path() + "quebrado.jpg";
    WriteFileAtomic(arquivo, quebrado);
    nfe_.GetDanfeSettings().SetLogotipoEmitente(arquivo);
    const Refusal r = RefusalOf([&] { nfe_.ExportarDanfe(doc, "", pdf); });
    EXPECT_EQ(r.className, "EvxnNFeReportException");
    EXPECT_THAT(r.message, ::testing::StartsWith("Arquivo de logotipo \"" + arquivo +
                                                 "\" não é uma imagem JPEG válida: "));
    EXPECT_EQ(ReadWholeFile(pdf), anterior);
  }
  std::set<std::string> nomes;
  for (const auto& e : std::filesystem::directory_iterator(dir_.Path()))
    nomes.insert(e.path().filename().string());
  EXPECT_EQ(nomes, (std::set<std::string>{"danfe.pdf", "logo.jpg", "quebrado.jpg"}));
}

} // namespace
} // namespace vxn
