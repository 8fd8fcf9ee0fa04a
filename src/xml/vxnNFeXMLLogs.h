// Reading XML logs back: the lot-sending log holds the signed documents, the receipt and situation
// logs hold their protocols. The distribution XML and the index files are built from what these
// functions find. Every function takes either a log file name (looked up in a directory) or the XML
// text itself.
#pragma once

#include "vxnStringList.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace vxn {

class TvxnNFeXMLLogs {
public:
  // The log's XML without a leading byte-order mark. A relative `arquivo` whose file name exists in
  // `diretorio` is that file; any other relative text is taken as the XML itself. An absolute path must
  // exist, else EvxnNFeLogNotFoundException "Arquivo de Log %s não existe.".
  static std::string LoadLog(std::string_view arquivo, std::string_view diretorio);
  // The first child of the lot log's root element (a signed NFe) whose text contains the key; "" when
  // none does.
  static std::string AchaNFeAssinadaLogEnvio(std::string_view chave, std::string_view arquivo,
                                             std::string_view diretorio);
  // The first infProt of a receipt log whose text contains the key; "" when none does.
  static std::string AchaInfProtLogConsRec(std::string_view chave, std::string_view arquivo,
                                           std::string_view diretorio);
  // The first infProt of a situation log; "" when there is none.
  static std::string AchaInfProtLogConsNF(std::string_view chave, std::string_view arquivo,
                                          std::string_view diretorio);
  // Appends, in document order, the chNFe of every protNFe of a receipt log whose cStat is `cStat`.
  static void ListaChavesLogRecibo(std::string_view arquivo, int cStat, TvxnStringList* lista,
                                   std::string_view diretorio);
  // The same for each status in turn with the log read once: the keys of the first status, then those of
  // the next. Every status is checked before anything is added.
  static void ListaChavesLogRecibo(std::string_view arquivo, std::initializer_list<int> cStats,
                                   TvxnStringList* lista, std::string_view diretorio);
  // Appends, in document order, the access key of every infNFe of a lot-sending log.
  static void ListaChavesLogEnv(std::string_view arquivo, TvxnStringList* lista, std::string_view diretorio);
};

// True when the DigestValue of the signed document equals the digVal of the protocol: the protocol
// belongs to that document.
bool CompareDigValLogsNFe(std::string_view xmlNFe, std::string_view xmlProt);

// Appends pasta + name (pasta with a trailing "/") of every file of `pasta` whose name matches the
// wildcard mask (* and ?); with `recursivo`, then descends into each subfolder, depth first. Names are
// taken in byte order within each folder, so the result does not depend on the file system.
void PercorrerArquivos(std::string_view pasta, std::string_view mascara, bool recursivo,
                       TvxnStringList& lista);

// Names (not paths) of the entries of `pasta`, files and folders alike, that match the wildcard mask,
// in byte order.
TvxnStringList ListarEntradas(std::string_view pasta, std::string_view mascara);

} // namespace vxn
