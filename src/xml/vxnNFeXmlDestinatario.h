// The distribution document of an authorised (or denied) NF-e: the signed NFe taken from the lot-sending
// log joined with its protocol (infProt) from a receipt-query, situation-query or synchronous-send reply
// log, as an nfeProc.
//
// The lot-sending log of a receipt or key is found through the index files that sending a lot leaves in
// the distribution folder (a file named by the receipt or the key holding "env-lot=<log file>"). One
// object serves one generation.
#pragma once

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeSettings.h"
#include "xml/vxnNFeLogsLidos.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnNFeXmlDestinatario {
public:
  // `logDirErro` is the error-log folder of the exceptions this object raises.
  explicit TvxnNFeXmlDestinatario(std::string_view logDirErro = {});

  // Receipt-query reply log (file name, path or the XML itself). When set, protocols come from it.
  void SetLogConsRec(std::string_view v) { logConsRec_ = v; }
  const std::string& GetLogConsRec() const { return logConsRec_; }
  // Lot-sending log holding the signed documents.
  void SetLogEnvio(std::string_view v) { logEnvio_ = v; }
  const std::string& GetLogEnvio() const { return logEnvio_; }
  // Full path of the file to write ("" writes nothing).
  void SetSalvarComo(std::string_view v) { salvarComo_ = v; }
  const std::string& GetSalvarComo() const { return salvarComo_; }
  // Situation-query or synchronous-send reply log, used when no receipt log is set.
  void SetLogConsChave(std::string_view v) { logConsChave_ = v; }
  const std::string& GetLogConsChave() const { return logConsChave_; }
  // Distribution and log folders, stored expanded with a trailing "/".
  void SetDiretorioXmlDestinatario(std::string_view v);
  const std::string& GetDiretorioXmlDestinatario() const { return diretorioXmlDestinatario_; }
  void SetDiretorioLog(std::string_view v);
  const std::string& GetDiretorioLog() const { return diretorioLog_; }
  void SetChaveNFe(std::string_view v) { chaveNFe_ = v; }
  const std::string& GetChaveNFe() const { return chaveNFe_; }
  // The nfeProc template ("envioxml_dest.xml"): two %s slots, the NFe and the infProt.
  void SetTemplate(std::string_view v) { template_ = v; }
  const std::string& GetTemplate() const { return template_; }
  // Called with the path of every file written.
  void SetOnXmlDestinatario(TOnXmlDestinatarioEvent v) { onXmlDestinatario_ = std::move(v); }
  // Whether files are written (and index files removed); true on creation.
  void SetSalvarLogsEmDisco(bool v) { salvarLogsEmDisco_ = v; }
  bool GetSalvarLogsEmDisco() const { return salvarLogsEmDisco_; }

  // A 15-character receipt: every authorised document of the receipt log (LogConsRec) is written as
  // key + "-nfe.xml", every denied one as key + "-den.xml", and the receipt's index file is removed.
  // A 44-character key: the document of that key with the first protocol of LogConsChave. Without the
  // index file of the receipt or key nothing is done. Returns the last document built. Any other length
  // raises EvxnNFeXmlDestinatario.
  std::string GerarXmlDestinatario(std::string_view numero);
  // The document of ChaveNFe: built, written to SalvarComo (with SalvarLogsEmDisco) and the key's index
  // file removed. Returns the text, trimmed ("" when there was no protocol to join).
  std::string GerarXmlDestinatario();
  // The nfeProc of the key; or, when the protocol does not belong to the document (different digest)
  // or is not an authorisation or denial, the reason as text, with SalvarComo turned to "Erro-" + key.
  std::string MontarXmlDestinatario(std::string_view chave);
  // The signed NFe element of the key from LogEnvio (attributes of infNFe put as Id, versao).
  std::string GetXmlLogEnvio(std::string_view chave);
  // The key's infProt from LogConsRec, or the first infProt of LogConsChave rebuilt in a fixed form.
  std::string GetXmlInfProtocolo(std::string_view chave);
  // Puts the Id attribute of the infNFe start tag before its versao attribute when Id comes first.
  static std::string TrataXmlAssinado(std::string_view xml);
  // Writes the text to SalvarComo (UTF-8, no byte-order mark, ending in CR LF), atomically, then calls
  // OnXmlDestinatario. Nothing happens when SalvarComo is empty.
  void SalvarEmArquivo(std::string_view xml);
  // The lot-sending log named by the index file `nome` of the distribution folder, prefixed with the
  // log folder; "" when there is no such index file.
  std::string GetTempNameLogEnv(std::string_view nome);
  // Removes the index file `nome` of the distribution folder.
  void DeleteTempFile(std::string_view nome);

private:
  std::string GerarPorRecibo(std::string_view recibo);
  std::string GerarPorChave(std::string_view chave);
  std::string GerarChavesComStatus(std::string_view recibo, std::initializer_list<int> status,
                                   std::string_view sufixo);
  std::string InfProtReconstruido(std::string_view infProt) const;
  // A document built while a receipt's documents are written together, and the key whose index file
  // goes once it is in place.
  struct TArquivoPendente {
    FileToWrite Arquivo;
    std::string Chave;
  };
  void GravarPendentes(const std::vector<TArquivoPendente>& pendentes);
  // The file's text: UTF-8 without a byte-order mark, lines ending in CR LF.
  static std::string TextoDoArquivo(std::string_view xml);
  std::string NaoEncontrada(std::string_view chave, std::string_view log) const;

  std::string logDirErro_;
  std::string logConsRec_, logEnvio_, salvarComo_, logConsChave_;
  std::string diretorioXmlDestinatario_, diretorioLog_;
  std::string chaveNFe_;
  std::string template_;
  TOnXmlDestinatarioEvent onXmlDestinatario_;
  bool salvarLogsEmDisco_ = true;
  TvxnGovUtils utils_;
  // While the documents of one receipt are written, its two logs are read once, on first use.
  bool logsDoRecibo_ = false;
  std::unique_ptr<TvxnNFeLogEnvioLido> envioLido_;
  std::unique_ptr<TvxnNFeLogReciboLido> reciboLido_;
  // Set while the documents of one receipt are collected to be written together.
  std::vector<TArquivoPendente>* pendentes_ = nullptr;
};

// The protocol statuses a distribution document is joined for: authorised (100, and 150, authorised
// out of time) and use denied (110, 301, 302).
bool StatusAceitoNaDistribuicao(std::string_view cStat);

} // namespace vxn
