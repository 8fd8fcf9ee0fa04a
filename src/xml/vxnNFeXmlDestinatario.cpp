#include "xml/vxnNFeXmlDestinatario.h"

#include "vxnFiles.h"
#include "vxnFormat.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnStringList.h"
#include "vxnStringListText.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"
#include "xml/vxnNFeXMLLogs.h"

#include <array>

namespace vxn {
namespace {

constexpr std::string_view kMsgNaoEncontrada = "NFe Id: %s não encontrada no Log : %s ";
constexpr std::size_t kTamanhoRecibo = 15;
constexpr std::size_t kTamanhoChave = 44;

// Lengths of the attributes TrataXmlAssinado moves: Id="NFe" + 44 digits + quote, and versao="x.xx".
constexpr std::size_t kTamanhoAtributoId = 52;
constexpr std::size_t kTamanhoAtributoVersao = 13;

std::string PastaExpandida(std::string_view pasta) {
  return pasta.empty() ? std::string() : IncludeTrailingPathDelimiter(ExpandPath(pasta));
}

bool StatusAutorizado(std::string_view cStat) {
  return cStat == "100" || cStat == "150";
}

// The first occurrence of `what` removed.
std::string RemoverPrimeira(std::string text, std::string_view what) {
  const auto pos = text.find(what);
  if (pos != std::string::npos)
    text.erase(pos, what.size());
  return text;
}

} // namespace

bool StatusAceitoNaDistribuicao(std::string_view cStat) {
  static constexpr std::array<std::string_view, 5> kAceitos = {"100", "150", "110", "301", "302"};
  for (std::string_view s : kAceitos)
    if (SameText(Trim(cStat), s))
      return true;
  return false;
}

TvxnNFeXmlDestinatario::TvxnNFeXmlDestinatario(std::string_view logDirErro) : logDirErro_(logDirErro) {
  utils_.SetDiretorioLogErro(logDirErro);
}

void TvxnNFeXmlDestinatario::SetDiretorioXmlDestinatario(std::string_view v) {
  diretorioXmlDestinatario_ = PastaExpandida(v);
}

void TvxnNFeXmlDestinatario::SetDiretorioLog(std::string_view v) {
  diretorioLog_ = PastaExpandida(v);
}

std::string TvxnNFeXmlDestinatario::GerarXmlDestinatario(std::string_view numero) {
  const std::size_t tamanho = Utf8Length(numero);
  if (tamanho == kTamanhoRecibo)
    return GerarPorRecibo(numero);
  if (tamanho == kTamanhoChave)
    return GerarPorChave(numero);
  throw EvxnNFeXmlDestinatario(
      "O Número informado: %s não se refere nem a um Recibo e nem a uma Chave de NFe", {numero}, logDirErro_);
}

std::string TvxnNFeXmlDestinatario::GerarPorRecibo(std::string_view recibo) {
  logEnvio_ = GetTempNameLogEnv(recibo);
  if (logEnvio_.empty())
    return {};
  // The logs read for this receipt are let go at the end, also when a document fails.
  struct TLogsDoRecibo {
    TvxnNFeXmlDestinatario& d;
    explicit TLogsDoRecibo(TvxnNFeXmlDestinatario& x) : d(x) { d.logsDoRecibo_ = true; }
    ~TLogsDoRecibo() {
      d.logsDoRecibo_ = false;
      d.envioLido_.reset();
      d.reciboLido_.reset();
    }
  } logs(*this);
  std::string ultimo = GerarChavesComStatus(recibo, {100, 150}, "-nfe.xml");
  const std::string negado = GerarChavesComStatus(recibo, {110, 301, 302}, "-den.xml");
  return negado.empty() ? ultimo : negado;
}

// Every key of the receipt log with one of the statuses, in status order and then document order. The
// receipt's index goes once a key was collected: a log without any keeps it for a later query.
std::string TvxnNFeXmlDestinatario::GerarChavesComStatus(std::string_view recibo,
                                                         std::initializer_list<int> status,
                                                         std::string_view sufixo) {
  TvxnStringList chaves;
  TvxnNFeXMLLogs::ListaChavesLogRecibo(logConsRec_, status, &chaves, diretorioLog_);
  std::string ultimo;
  // The documents of the receipt are written together, with one flush of the disk; those built before
  // a document that fails are still written before the failure goes on to the caller.
  std::vector<TArquivoPendente> pendentes;
  pendentes_ = &pendentes;
  try {
    for (const std::string& chave : chaves) {
      chaveNFe_ = chave;
      salvarComo_ = diretorioXmlDestinatario_ + chave + std::string(sufixo);
      ultimo = GerarXmlDestinatario();
    }
  } catch (...) {
    pendentes_ = nullptr;
    GravarPendentes(pendentes);
    throw;
  }
  pendentes_ = nullptr;
  GravarPendentes(pendentes);
  if (!chaves.Empty() && salvarLogsEmDisco_)
    DeleteTempFile(recibo);
  return ultimo;
}

void TvxnNFeXmlDestinatario::GravarPendentes(const std::vector<TArquivoPendente>& pendentes) {
  std::vector<FileToWrite> arquivos;
  for (const TArquivoPendente& p : pendentes)
    arquivos.push_back(p.Arquivo);
  // A key's index file goes only once its document is in place.
  WriteFilesAtomic(arquivos, [&](std::size_t i) {
    if (onXmlDestinatario_)
      onXmlDestinatario_(pendentes[i].Arquivo.path);
    DeleteTempFile(pendentes[i].Chave);
  });
}

std::string TvxnNFeXmlDestinatario::GerarPorChave(std::string_view chave) {
  logEnvio_ = GetTempNameLogEnv(chave);
  if (logEnvio_.empty())
    return {};
  chaveNFe_ = chave;
  const std::string infProt = TvxnNFeXMLLogs::AchaInfProtLogConsNF(chave, logConsChave_, diretorioLog_);
  const std::string sufixo = StatusAutorizado(Trim(GetValueTag("cStat", infProt))) ? "-nfe.xml" : "-den.xml";
  salvarComo_ = diretorioXmlDestinatario_ + std::string(chave) + sufixo;
  return GerarXmlDestinatario();
}

std::string TvxnNFeXmlDestinatario::GerarXmlDestinatario() {
  const std::string xml = Trim(MontarXmlDestinatario(chaveNFe_));
  if (!xml.empty() && salvarLogsEmDisco_) {
    if (pendentes_ && !salvarComo_.empty()) {
      pendentes_->push_back({{salvarComo_, TextoDoArquivo(xml)}, chaveNFe_});
      return xml;
    }
    SalvarEmArquivo(xml);
    DeleteTempFile(chaveNFe_);
  }
  return xml;
}

std::string TvxnNFeXmlDestinatario::MontarXmlDestinatario(std::string_view chave) {
  const std::string nfe = GetXmlLogEnvio(chave);
  const std::string prot =
      RemoverPrimeira(Trim(GetXmlInfProtocolo(chave)), Format(" xmlns=\"%s\"", {kNFeNamespace}));
  if (prot.empty())
    return {};
  if (!CompareDigValLogsNFe(nfe, prot)) {
    salvarComo_ = diretorioXmlDestinatario_ + "Erro-" + std::string(chave);
    return Format("O digVal encontrado no Xml de Envio %s difere do digVal de processamento %s ",
                  {GetValueTag("DigestValue", nfe), GetValueTag("digVal", prot)});
  }
  const std::string cStat = Trim(GetValueTag("cStat", prot));
  if (!StatusAceitoNaDistribuicao(cStat)) {
    salvarComo_ = diretorioXmlDestinatario_ + "Erro-" + std::string(chave);
    return Format("O xml não está autorizado, cstat de retorno: %s ", {cStat});
  }
  return Format(template_, {nfe, prot});
}

std::string TvxnNFeXmlDestinatario::GetXmlLogEnvio(std::string_view chave) {
  if (logsDoRecibo_ && !envioLido_)
    envioLido_ = std::make_unique<TvxnNFeLogEnvioLido>(logEnvio_, diretorioLog_);
  const std::string nfe = envioLido_
                              ? envioLido_->NFeAssinada(chave)
                              : TvxnNFeXMLLogs::AchaNFeAssinadaLogEnvio(chave, logEnvio_, diretorioLog_);
  if (nfe.empty())
    throw EvxnNFeXmlDestinatario(NaoEncontrada(chave, logEnvio_), logDirErro_);
  return TrataXmlAssinado(nfe);
}

std::string TvxnNFeXmlDestinatario::GetXmlInfProtocolo(std::string_view chave) {
  if (!logConsRec_.empty()) {
    if (logsDoRecibo_ && !reciboLido_)
      reciboLido_ = std::make_unique<TvxnNFeLogReciboLido>(logConsRec_, diretorioLog_);
    std::string infProt = reciboLido_
                              ? reciboLido_->InfProt(chave)
                              : TvxnNFeXMLLogs::AchaInfProtLogConsRec(chave, logConsRec_, diretorioLog_);
    if (infProt.empty())
      throw EvxnNFeXmlDestinatario(NaoEncontrada(chave, logConsRec_), logDirErro_);
    return infProt;
  }
  const std::string infProt = TvxnNFeXMLLogs::AchaInfProtLogConsNF(chave, logConsChave_, diretorioLog_);
  if (infProt.empty())
    throw EvxnNFeXmlDestinatario(NaoEncontrada(chave, logConsChave_), logDirErro_);
  const std::string cStat = Trim(GetValueTag("cStat", infProt));
  if (!StatusAceitoNaDistribuicao(cStat))
    return {};
  if (salvarComo_.empty())
    salvarComo_ =
        diretorioXmlDestinatario_ + std::string(chave) + (StatusAutorizado(cStat) ? "-nfe.xml" : "-den.xml");
  return InfProtReconstruido(infProt);
}

// The situation and synchronous replies carry the protocol in their own dress (namespace prefixes,
// attributes); the distribution document gets it in the one form the protocol layout gives.
std::string TvxnNFeXmlDestinatario::InfProtReconstruido(std::string_view infProt) const {
  const std::string nProt = GetValueTag("nProt", infProt);
  std::string xml = "<infProt Id=\"ID" + nProt + "\">";
  for (std::string_view tag :
       {"tpAmb", "verAplic", "chNFe", "dhRecbto", "nProt", "digVal", "cStat", "xMotivo"})
    xml += Format("<%s>%s</%s>", {tag, GetValueTag(tag, infProt), tag});
  const std::string cMsg = GetValueTag("cMsg", infProt);
  if (!cMsg.empty())
    xml += "<cMsg>" + cMsg + "</cMsg><xMsg>" + GetValueTag("xMsg", infProt) + "</xMsg>";
  return xml + "</infProt>";
}

std::string TvxnNFeXmlDestinatario::NaoEncontrada(std::string_view chave, std::string_view log) const {
  return Format(kMsgNaoEncontrada, {chave, log});
}

std::string TvxnNFeXmlDestinatario::TrataXmlAssinado(std::string_view xml) {
  const auto id = xml.find(" Id=");
  if (id == std::string_view::npos || xml.substr(0, id).find("versao=") != std::string_view::npos)
    return std::string(xml);
  const auto versao = xml.find("versao=", id);
  if (versao == std::string_view::npos || id + 1 + kTamanhoAtributoId > versao)
    return std::string(xml);
  std::string out(xml.substr(0, id + 1));
  out += xml.substr(id + 1, kTamanhoAtributoId);
  out += ' ';
  out += xml.substr(versao, kTamanhoAtributoVersao);
  out += xml.substr(std::min(xml.size(), versao + kTamanhoAtributoVersao));
  return out;
}

std::string TvxnNFeXmlDestinatario::TextoDoArquivo(std::string_view xml) {
  return StringListText(xml);
}

void TvxnNFeXmlDestinatario::SalvarEmArquivo(std::string_view xml) {
  if (salvarComo_.empty())
    return;
  WriteFileAtomic(salvarComo_, TextoDoArquivo(xml));
  if (onXmlDestinatario_)
    onXmlDestinatario_(salvarComo_);
}

std::string TvxnNFeXmlDestinatario::GetTempNameLogEnv(std::string_view nome) {
  const std::string indice = diretorioXmlDestinatario_ + std::string(nome);
  if (nome.empty() || !FileExists(indice))
    return {};
  TvxnStringList linhas;
  linhas.SetText(utils_.LoadFromFile(indice));
  const std::string log = Trim(linhas.Value("env-lot"));
  return log.empty() ? std::string() : diretorioLog_ + log;
}

void TvxnNFeXmlDestinatario::DeleteTempFile(std::string_view nome) {
  if (!nome.empty())
    DeleteFileIfExists(diretorioXmlDestinatario_ + std::string(nome));
}

} // namespace vxn
