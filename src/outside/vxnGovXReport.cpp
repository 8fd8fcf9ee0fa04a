// The report operations of TvxnGovX: the engine (vxnReportEngine) on the print settings.
#include "vxnFiles.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <random>

extern char** environ;

namespace vxn {
namespace {

TvxnTrabalhoRelatorio Trabalho(const TvxnPrintSettings& p, const std::string& logDir) {
  return {p.ReportFile, p.DataSources, p.Logo, p.Title, logDir};
}

// A PDF file name of our own in the temporary directory.
std::string PdfTemporario() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = tmp && *tmp ? tmp : "/tmp";
  if (!dir.ends_with('/'))
    dir += '/';
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  return dir + "quorvant-danfe-" + std::to_string(::getpid()) + "-" + std::to_string(rng() % 1000000007ULL) +
         ".pdf";
}

} // namespace

void TvxnGovX::ExportReport() {
  TvxnPrintSettings& p = Get_PrintSettings();
  const std::string& logDir = Get_ErrorLogDirectory();
  if (p.SaveAs.empty())
    throw EvxnNFeReportException("Nome do arquivo de exportação não informado.", logDir);
  if (p.ExportFormat == 3) {
    std::string nome = p.Title.empty() ? "pagina" : p.Title;
    ExportarRelatorioPng(Trabalho(p, logDir), p.SaveAs, nome);
    return;
  }
  if (p.ExportFormat != 1 && p.ExportFormat != 2)
    throw EvxnNFeReportException(
        "Formato de exportação " + std::to_string(p.ExportFormat) + " não suportado.", logDir);
  ExportarRelatorioPdf(Trabalho(p, logDir), p.SaveAs);
}

void TvxnGovX::PrintReport() {
  TvxnPrintSettings& p = Get_PrintSettings();
  const std::string arquivo = PdfTemporario();
  ExportarRelatorioPdf(Trabalho(p, Get_ErrorLogDirectory()), arquivo);
  TvxnTrabalhoImpressao job{p.Printer, p.Copies,
                            static_cast<TvxnFrenteVerso>(p.Duplex == 1 || p.Duplex == 2 ? p.Duplex : 0)};
  try {
    if (p.OnPrint)
      p.OnPrint(job, arquivo, p.Title);
    else
      EnviarParaCups(job, arquivo, p.Title);
  } catch (...) {
    DeleteFileIfExists(arquivo);
    throw;
  }
  DeleteFileIfExists(arquivo);
}

void TvxnGovX::PreviewReport() {
  TvxnPrintSettings& p = Get_PrintSettings();
  const std::string arquivo = PdfTemporario();
  ExportarRelatorioPdf(Trabalho(p, Get_ErrorLogDirectory()), arquivo);
  if (p.OnPreview) {
    p.OnPreview(arquivo);
    return;
  }
  // The desktop's PDF viewer, started and left running; the file stays for it in the temporary folder.
  pid_t pid = 0;
  char prog[] = "xdg-open";
  std::string copia = arquivo;
  char* argv[] = {prog, copia.data(), nullptr};
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0)
    throw EvxnNFeReportException("Não foi possível abrir a visualização (xdg-open): " + arquivo,
                                 Get_ErrorLogDirectory());
  int status = 0;
  ::waitpid(pid, &status, 0);
}

void TvxnGovX::EditReport() {
  throw EvxnNFeReportException("Edição de modelo não disponível no Linux: o modelo .rtm é um arquivo XML "
                               "editado num editor de texto.",
                               Get_ErrorLogDirectory());
}

} // namespace vxn
