// A print job through CUPS: the report's PDF goes to the queue with the copies and the duplex side
// chosen; CUPS filters it for the printer.
#include "vxnNFeException.h"
#include "vxnReportEngine.h"

#include <cups/cups.h>

#include <algorithm>

namespace vxn {

void EnviarParaCups(const TvxnTrabalhoImpressao& job, const std::string& arquivoPdf,
                    const std::string& titulo) {
  std::string impressora = job.Impressora;
  if (impressora.empty()) {
    const char* padrao = cupsGetDefault();
    if (!padrao)
      throw EvxnNFeReportException("Nenhuma impressora padrão configurada no CUPS.");
    impressora = padrao;
  }
  cups_option_t* opcoes = nullptr;
  int n = 0;
  n = cupsAddOption("copies", std::to_string(std::max(1, job.Copias)).c_str(), n, &opcoes);
  const char* lados = job.FrenteVerso == TvxnFrenteVerso::fvVertical     ? "two-sided-long-edge"
                      : job.FrenteVerso == TvxnFrenteVerso::fvHorizontal ? "two-sided-short-edge"
                                                                         : "one-sided";
  n = cupsAddOption("sides", lados, n, &opcoes);
  const int id = cupsPrintFile(impressora.c_str(), arquivoPdf.c_str(), titulo.c_str(), n, opcoes);
  cupsFreeOptions(n, opcoes);
  if (id == 0)
    throw EvxnNFeReportException("Falha ao imprimir na impressora \"" + impressora +
                                 "\": " + cupsLastErrorString());
}

} // namespace vxn
