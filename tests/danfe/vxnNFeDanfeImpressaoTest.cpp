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

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;

std::string Texto(const std::string& pdf) {
  const ProcessResult r = RunProcess({"/usr/bin/pdftotext", "-layout", pdf, "-"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.out;
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
  const std::string cce =
      "<procEventoNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\"><evento versao=\"1.00\">"
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
      "<tpAmb>2</tpAmb><verAplic>SIM</verAplic><cOrgao>35</cOrgao><cStat>135</cStat>"
      "<xMotivo>Evento registrado e vinculado a NF-e</xMotivo><chNFe>" +
      DanfeDocumentKey() +
      "</chNFe>"
      "<tpEvento>110110</tpEvento><nSeqEvento>1</nSeqEvento><dhRegEvento>2026-12-06T10:01:00-03:00</"
      "dhRegEvento>"
      "<nProt>135260000000077</nProt></infEvento></retEvento></procEventoNFe>";
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

} // namespace
} // namespace vxn
