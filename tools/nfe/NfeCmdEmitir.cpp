// nfe emitir: issues documents end to end. Every file is read, converted (command or pipe text) and signed
// first, so that a bad file stops the run before anything is sent; then the documents go to the authority
// in lots of at most 50 (and within the lot size limit), or one by one with --sincrono. Every lot is sent
// before any receipt is queried, and the open receipts are queried together, round after round, so that
// many lots wait for the authority once, not once each. The result of every document is printed, in the
// order of the files, with its distribution XML.
#include "NfeCommands.h"
#include "NfeConversion.h"
#include "NfeExitCodes.h"
#include "NfeInput.h"
#include "NfeOutput.h"
#include "NfeReplies.h"
#include "NfeToolError.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <thread>

namespace vxn::tool {

namespace {

constexpr std::size_t kDocumentosPorLote = 50;

struct TEmitirOptions {
  std::vector<std::string> Arquivos;
  bool Sincrono = false;
  std::string Formato;
  int Consultas = 60;
  int IntervaloMs = 500;
};

struct TDocumento {
  std::string Origem; // file and position: "venda.txt #2"
  std::string Xml;    // the signed NFe element
  std::string Chave;
};

struct TResultado {
  std::string CStat, XMotivo, NProt, Recibo;
  bool Pendente = false;
};

// Documents already signed (a signed lot or signed NFe files) are sent as they are.
bool JaAssinado(const std::string& xml) {
  return xml.find("<Signature") != std::string::npos;
}

// The signed documents of a converted file. A file of more documents than a lot may hold is signed in
// groups of that many, as the signature works on one lot at a time.
std::vector<std::string> AssinarDocumentos(TvxnNFe& nfe, const std::string& xml) {
  if (JaAssinado(xml))
    return SplitNFeDocuments(xml);
  if (static_cast<std::size_t>(TvxnNFe::GetNumNotas(xml)) <= kDocumentosPorLote)
    return SplitNFeDocuments(nfe.AssinarNota(xml));
  // Converted text holds bare infNFe elements; the signature wraps each in its NFe.
  std::vector<std::string> nfes;
  constexpr std::string_view kAbre = "<infNFe", kFecha = "</infNFe>";
  for (std::size_t p = xml.find(kAbre); p != std::string::npos; p = xml.find(kAbre, p)) {
    const std::size_t fim = xml.find(kFecha, p);
    if (fim == std::string::npos)
      break;
    nfes.push_back(xml.substr(p, fim + kFecha.size() - p));
    p = fim;
  }
  std::vector<std::string> assinados;
  for (std::size_t inicio = 0; inicio < nfes.size(); inicio += kDocumentosPorLote) {
    std::string grupo;
    for (std::size_t i = inicio; i < std::min(nfes.size(), inicio + kDocumentosPorLote); ++i)
      grupo += nfes[i];
    for (std::string& d : SplitNFeDocuments(nfe.AssinarNota(grupo)))
      assinados.push_back(std::move(d));
  }
  return assinados;
}

std::vector<TDocumento> PrepararDocumentos(TvxnNFe& nfe, const TEmitirOptions& o) {
  std::vector<TDocumento> docs;
  for (const std::string& arquivo : o.Arquivos) {
    const std::string texto = ReadInput(arquivo);
    const TNfeInputKind kind = InputKindOf(arquivo, texto, o.Formato);
    const std::string xml = ConvertToNFeXml(nfe, texto, kind);
    const std::vector<std::string> nfes = AssinarDocumentos(nfe, xml);
    if (nfes.empty())
      throw ENfeToolError(kExitEntrada, arquivo + " holds no NF-e document");
    for (std::size_t i = 0; i < nfes.size(); ++i)
      docs.push_back({arquivo + " #" + std::to_string(i + 1), nfes[i], ObterNotaID(nfes[i])});
  }
  return docs;
}

// Lot numbers: the time in milliseconds, plus one per lot of the run, unique enough for the log names.
std::string NovoLote() {
  static long long ultimo = 0;
  const long long agora = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
  ultimo = std::max(ultimo + 1, agora);
  return std::to_string(ultimo);
}

// Consecutive documents sent together: at most kDocumentosPorLote, and at most the component's lot size
// limit (thousands of characters) unless a single document is larger by itself (the component then
// refuses that lot with its own message).
struct TFaixa {
  std::size_t Inicio, Fim;
};

std::vector<TFaixa> FormarLotes(std::span<const TDocumento> docs, int limiteKB) {
  const std::size_t limite = static_cast<std::size_t>(std::max(limiteKB, 0)) * 1000;
  std::vector<TFaixa> lotes;
  std::size_t inicio = 0, tamanho = 0;
  for (std::size_t i = 0; i < docs.size(); ++i) {
    const std::size_t t = Utf8Length(docs[i].Xml);
    if (i > inicio && (i - inicio == kDocumentosPorLote || tamanho + t > limite)) {
      lotes.push_back({inicio, i});
      inicio = i;
      tamanho = 0;
    }
    tamanho += t;
  }
  if (inicio < docs.size())
    lotes.push_back({inicio, docs.size()});
  return lotes;
}

// Each document's result from the reply's protocols; documents the reply does not mention get the
// reply's own status (a lot refused as a whole).
void LerResultados(const std::string& resposta, std::span<const TDocumento> docs,
                   std::span<TResultado> resultados) {
  const TNfeStatus lote = ReplyStatus(resposta);
  const std::vector<TNfeProtocolo> protocolos = ReplyProtocols(resposta);
  for (std::size_t i = 0; i < docs.size(); ++i) {
    resultados[i].CStat = lote.CStat;
    resultados[i].XMotivo = lote.XMotivo;
    for (const TNfeProtocolo& p : protocolos)
      if (p.Chave == docs[i].Chave) {
        resultados[i].CStat = p.CStat;
        resultados[i].XMotivo = p.XMotivo;
        resultados[i].NProt = p.NProt;
      }
  }
}

class TEmissao {
public:
  TEmissao(TNfeSession& session, const TEmitirOptions& o, std::vector<TDocumento> docs)
      : session_(session), nfe_(session.Conectado()), o_(o), docs_(std::move(docs)),
        resultados_(docs_.size()), progresso_(static_cast<int>(docs_.size())) {}

  int Executar() {
    if (o_.Sincrono) {
      for (std::size_t i = 0; i < docs_.size(); ++i) {
        progresso_.Show(static_cast<int>(i), docs_[i].Chave + ": sending (synchronous)");
        const std::string resposta = nfe_.EnviarNFSincrono(NovoLote(), docs_[i].Xml, false);
        LerResultados(resposta, std::span(docs_).subspan(i, 1), std::span(resultados_).subspan(i, 1));
        Imprimir(i, i + 1);
      }
    } else {
      for (const TFaixa& f : FormarLotes(docs_, nfe_.GetMaxSizeLoteEnvio()))
        lotes_.push_back({f, {}, false, false});
      for (TLote& lote : lotes_)
        EnviarLote(lote);
      ConsultarRecibos();
    }
    progresso_.Clear();
    return CodigoDeSaida();
  }

private:
  struct TLote {
    TFaixa Faixa;
    std::string Recibo; // the receipt of a lot the authority received
    bool Concluido;     // its results are known (or it is given up as still in processing)
    bool Impresso;
  };

  std::span<const TDocumento> DocsDe(const TLote& l) const {
    return std::span(docs_).subspan(l.Faixa.Inicio, l.Faixa.Fim - l.Faixa.Inicio);
  }
  std::span<TResultado> ResultadosDe(const TLote& l) {
    return std::span(resultados_).subspan(l.Faixa.Inicio, l.Faixa.Fim - l.Faixa.Inicio);
  }

  // Sends the lot and keeps its receipt; a lot the authority does not receive has its results already.
  void EnviarLote(TLote& l) {
    const auto docs = DocsDe(l);
    std::string texto;
    for (const TDocumento& d : docs)
      texto += d.Xml;
    progresso_.Show(Concluidos(), "sending a lot of " + std::to_string(docs.size()));
    const std::string envio = nfe_.EnviarNF(NovoLote(), texto, false);
    if (ReplyStatus(envio).CStat != "103") { // lot not received: every document shares its status
      LerResultados(envio, docs, ResultadosDe(l));
      Concluir(l);
      return;
    }
    l.Recibo = ObterNumRecibo(envio);
  }

  // Queries every open receipt once per round until none is open or the rounds are spent; only a round
  // that leaves receipts open waits before the next.
  void ConsultarRecibos() {
    for (int consulta = 1; consulta <= o_.Consultas; ++consulta) {
      bool aberto = false;
      for (TLote& l : lotes_) {
        if (l.Concluido)
          continue;
        progresso_.Show(Concluidos(), "receipt " + l.Recibo + ": query " + std::to_string(consulta));
        const std::string resposta = nfe_.ConsultarRecibo(l.Recibo);
        if (ReplyStatus(resposta).CStat == "105") { // 105: lot still in processing
          aberto = true;
          continue;
        }
        LerResultados(resposta, DocsDe(l), ResultadosDe(l));
        Concluir(l);
      }
      if (!aberto)
        return;
      if (consulta < o_.Consultas)
        std::this_thread::sleep_for(std::chrono::milliseconds(o_.IntervaloMs));
    }
    for (TLote& l : lotes_) {
      if (l.Concluido)
        continue;
      for (TResultado& r : ResultadosDe(l)) {
        r.Pendente = true;
        r.CStat = "105";
        r.XMotivo = "Lote em processamento";
        r.Recibo = l.Recibo;
      }
      Concluir(l);
    }
  }

  void Concluir(TLote& l) {
    l.Concluido = true;
    concluidos_ += DocsDe(l).size();
    ImprimirLotesConcluidos();
  }

  int Concluidos() const { return static_cast<int>(concluidos_); }

  // Results are printed in the order of the documents: a lot once it and every lot before it are done
  // (lots given up as still in processing count as done).
  void ImprimirLotesConcluidos() {
    for (TLote& l : lotes_) {
      if (l.Impresso)
        continue;
      if (!l.Concluido)
        return;
      Imprimir(l.Faixa.Inicio, l.Faixa.Fim);
      l.Impresso = true;
    }
  }

  void Imprimir(std::size_t inicio, std::size_t fim) {
    progresso_.Clear();
    for (std::size_t i = inicio; i < fim; ++i) {
      const TResultado& r = resultados_[i];
      std::cout << docs_[i].Origem << "\n"
                << "  key:          " << docs_[i].Chave << "\n"
                << "  status:       " << r.CStat << " " << r.XMotivo << "\n";
      if (!r.NProt.empty())
        std::cout << "  protocol:     " << r.NProt << "\n";
      if (r.Pendente)
        std::cout << "  receipt:      " << r.Recibo << " (still in processing: nfe recibo " << r.Recibo
                  << ")\n";
      if (IsAuthorised(r.CStat)) {
        const std::string xml = session_.XmlDestinatario(docs_[i].Chave);
        std::cout << "  distribution: " << (xml.empty() ? "(not written)" : xml) << "\n";
      }
    }
    std::cout.flush();
  }

  int CodigoDeSaida() const {
    bool pendente = false, recusado = false;
    for (const TResultado& r : resultados_) {
      pendente = pendente || r.Pendente;
      recusado = recusado || (!r.Pendente && !IsAuthorised(r.CStat));
    }
    return pendente ? kExitPendente : recusado ? kExitRecusado : kExitOk;
  }

  TNfeSession& session_;
  TvxnNFe& nfe_;
  const TEmitirOptions& o_;
  std::vector<TDocumento> docs_;
  std::vector<TResultado> resultados_;
  std::vector<TLote> lotes_;
  std::size_t concluidos_ = 0;
  TNfeProgress progresso_;
};

int RunEmitir(TNfeSession& session, const TEmitirOptions& o) {
  // The server is started first, so that its line comes before anything else.
  TvxnNFe& nfe = session.Conectado();
  std::vector<TDocumento> docs = PrepararDocumentos(nfe, o);
  return TEmissao(session, o, std::move(docs)).Executar();
}

} // namespace

void AddEmitirCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TEmitirOptions>();
  CLI::App* cmd =
      app.add_subcommand("emitir", "Issue NF-e end to end: convert, sign, send, follow the receipt");
  cmd->footer(
      "Each FILE is command text, pipe text (C|, D|, R| blocks) or NF-e XML (signed or not); every file is\n"
      "converted and signed before anything is sent. The documents go in lots of at most 50 (and within\n"
      "the lot size limit); every lot is sent before the receipts are queried, all of them together.\n"
      "Prints for every document its key, status code and\n"
      "text, protocol number and the path of its distribution XML (nfeProc).\n"
      "Exit code 0 when every document is authorised (100, 150), 1 when one is not, 6 when a lot is\n"
      "still in processing after --consultas receipt queries.");
  cmd->add_option("arquivos", o->Arquivos, "Files to issue (- for standard input)")->required();
  cmd->add_flag("--sincrono", o->Sincrono, "Send each document alone in a synchronous lot (no receipt)");
  cmd->add_option("--formato", o->Formato, "Kind of the files instead of guessing it")
      ->check(CLI::IsMember({"xml", "comandos", "pipe", "rec"}));
  cmd->add_option("--consultas", o->Consultas, "Receipt queries per lot before giving up")
      ->capture_default_str()
      ->check(CLI::Range(1, 10000));
  cmd->add_option("--intervalo", o->IntervaloMs, "Milliseconds between receipt queries")
      ->capture_default_str()
      ->check(CLI::Range(0, 600000));
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunEmitir(s, *o); }; });
}

} // namespace vxn::tool
