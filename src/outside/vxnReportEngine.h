// The report engine of the printed forms: a model file (".rtm", our own declarative XML layout,
// docs/report-models.md) and the serialized print tables become pages drawn with cairo, their texts
// laid out by pango (HarfBuzz shaping, fonts embedded in the PDF) and the barcode drawn from zint's
// Code-128 vectors. Output is a PDF file, one PNG per page, or a print job through CUPS.
//
// No third-party type crosses this header.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

// One print table as the engine reads it: the fields in order and the rows, each a value per field; a
// detail table names its master and the fields that link them.
struct TvxnTabelaRelatorio {
  std::string nome;
  std::string mestre;
  std::string campoIndice;
  std::string campoMestre;
  std::vector<std::string> campos;
  std::vector<std::vector<std::string>> linhas;

  // Index of the field (exact name), or -1.
  int Campo(std::string_view nomeCampo) const;
};

struct TvxnDadosRelatorio {
  std::vector<TvxnTabelaRelatorio> tabelas;
  // The table of that name, or nullptr.
  const TvxnTabelaRelatorio* Tabela(std::string_view nome) const;
};

// The text form of the print tables that crosses from the print data to the engine (the print settings
// carry it): per table a line "T", name, master, index field, master field; a line "C" and the fields;
// a line "R" and the values of each row; items separated by TAB; "\\", TAB, CR and LF inside a value are
// written "\\\\", "\\t", "\\r", "\\n".
std::string EscreverDadosRelatorio(const TvxnDadosRelatorio& dados);
// Reads that text back. A malformed text raises EvxnNFeReportException.
TvxnDadosRelatorio LerDadosRelatorio(std::string_view texto);

enum class TvxnFormatoRelatorio { frPdf, frPng };

// One report to produce.
struct TvxnTrabalhoRelatorio {
  std::string Modelo;   // the .rtm file
  std::string Dados;    // the print tables in the text form above
  std::string Logotipo; // JPEG or PNG file drawn where the model places the logo; "" for none
  std::string Titulo;   // document title of the PDF and name of the print job
  std::string DiretorioLogErro;
};

// Writes the PDF to `arquivo` atomically: the pages go to a temporary file beside it that replaces the
// target only when complete; on any failure nothing is left behind and an existing target is unchanged.
// Raises EvxnNFeReportException ("Arquivo RTM \"...\" não encontrado.", an invalid model, a file that
// cannot be written). Returns the number of pages.
int ExportarRelatorioPdf(const TvxnTrabalhoRelatorio& trabalho, const std::string& arquivo);
// One PNG per page in `diretorio` (created when missing): prefixo + "-1.png", "-2.png"... at `dpi`.
// Returns the files written.
std::vector<std::string> ExportarRelatorioPng(const TvxnTrabalhoRelatorio& trabalho,
                                              const std::string& diretorio, std::string_view prefixo,
                                              int dpi = 150);

// Duplex modes of a print job, as TImprimirFrenteVersoKind numbers them.
enum class TvxnFrenteVerso { fvDesligado = 0, fvVertical = 1, fvHorizontal = 2 };

// Where a print job goes. The default sends the PDF to CUPS (cupsPrintFile) with "copies" and "sides";
// tests put a stand-in for the printer here.
struct TvxnTrabalhoImpressao {
  std::string Impressora; // CUPS queue; "" is the default destination
  int Copias = 1;
  TvxnFrenteVerso FrenteVerso = TvxnFrenteVerso::fvDesligado;
};
using TvxnEnviarImpressao = std::function<void(const TvxnTrabalhoImpressao& job,
                                               const std::string& arquivoPdf, const std::string& titulo)>;
// Sends the PDF file to a CUPS queue; raises EvxnNFeReportException with CUPS's reason.
void EnviarParaCups(const TvxnTrabalhoImpressao& job, const std::string& arquivoPdf,
                    const std::string& titulo);

} // namespace vxn
