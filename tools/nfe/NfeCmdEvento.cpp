// Events: nfe evento cce | cancelar | manifestar | epec | reforma. Each event gets a block in the form of
// nfe emitir (key, status, protocol, distribution); the exit code is 0 when every event was accepted
// (135, 136, 155), 1 when one was refused.
#include "NfeCommands.h"
#include "NfeConversion.h"
#include "NfeExitCodes.h"
#include "NfeInput.h"
#include "NfeReplies.h"
#include "NfeToolError.h"
#include "events/vxnNFeEventos.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <map>
#include <memory>

namespace vxn::tool {

namespace {

// Lot numbers: the time in milliseconds, unique enough for the log names of one run.
std::string NovoLote() {
  static long long ultimo = 0;
  const long long agora = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
  ultimo = std::max(ultimo + 1, agora);
  return std::to_string(ultimo);
}

bool Aceito(const std::string& cStat) {
  return cStat == "135" || cStat == "136" || cStat == "155";
}

// Prints the block of one event and tells whether it was accepted.
bool Imprimir(TvxnNFe& nfe, const std::string& titulo, const std::string& resposta) {
  const std::size_t ret = resposta.find("<retEvento");
  const std::string evento = ret == std::string::npos ? std::string() : resposta.substr(ret);
  const std::string cStat = ElementText(evento.empty() ? resposta : evento, "cStat");
  std::cout << titulo << "\n  key:          " << ElementText(evento, "chNFe") << "\n  status:       " << cStat
            << " " << ElementText(evento.empty() ? resposta : evento, "xMotivo") << "\n";
  if (const std::string nProt = ElementText(evento, "nProt"); !nProt.empty())
    std::cout << "  protocol:     " << nProt << "\n";
  const bool aceito = Aceito(cStat);
  if (aceito) {
    const std::string xml = nfe.GetEventos().UltimoXmlDestinatario();
    std::cout << "  distribution: " << (xml.empty() ? "(not written)" : xml) << "\n";
  }
  std::cout.flush();
  return aceito;
}

// ---- cce ------------------------------------------------------------------------------------------------

struct TCceOptions {
  std::string Chave, Correcao;
  int Seq = 1;
};

int RunCce(TNfeSession& session, const TCceOptions& o) {
  TvxnNFe& nfe = session.Conectado();
  // The receiving body of a correction is the state of the document, the first two digits of its key.
  const std::string orgao = o.Chave.substr(0, std::min<std::size_t>(2, o.Chave.size()));
  const std::string resposta = nfe.EnviarCCe(o.Chave, o.Correcao, orgao, "", "", o.Seq, NovoLote());
  return Imprimir(nfe, "cce " + o.Chave + " seq " + std::to_string(o.Seq), resposta) ? kExitOk
                                                                                     : kExitRecusado;
}

// ---- cancelar -------------------------------------------------------------------------------------------

struct TCancelarOptions {
  std::string Chave, Protocolo, Justificativa;
  std::string Substituta; // the substitute's key: cancellation by substitution (110112)
};

int RunCancelar(TNfeSession& session, const TCancelarOptions& o) {
  TvxnNFe& nfe = session.Conectado();
  if (!o.Substituta.empty()) {
    const std::string resposta = nfe.CancelarNFeEventoSubstituicao(
        o.Chave, o.Protocolo, o.Justificativa, o.Substituta, "nfe " + nfe.GetVersao(), "", "", 1, NovoLote());
    return Imprimir(nfe, "cancelar " + o.Chave + " substituta " + o.Substituta, resposta) ? kExitOk
                                                                                          : kExitRecusado;
  }
  const std::string resposta =
      nfe.CancelarNFeEvento(o.Chave, o.Protocolo, o.Justificativa, "", "", 1, NovoLote());
  return Imprimir(nfe, "cancelar " + o.Chave, resposta) ? kExitOk : kExitRecusado;
}

// ---- manifestar -----------------------------------------------------------------------------------------

struct TManifestarOptions {
  std::string Chave, Tipo, Justificativa;
};

int RunManifestar(TNfeSession& session, const TManifestarOptions& o) {
  static const std::map<std::string, int> kTipos{
      {"confirmacao", 1}, {"ciencia", 2}, {"desconhecimento", 3}, {"nao-realizada", 4}};
  TvxnNFe& nfe = session.Conectado();
  const std::string resposta =
      nfe.EnviarManifestacaoDestinatario(kTipos.at(o.Tipo), o.Chave, o.Justificativa, "", "", NovoLote(), 1);
  return Imprimir(nfe, "manifestar " + o.Tipo + " " + o.Chave, resposta) ? kExitOk : kExitRecusado;
}

// ---- epec -----------------------------------------------------------------------------------------------

struct TEpecOptions {
  std::string Arquivo;
};

int RunEpec(TNfeSession& session, const TEpecOptions& o) {
  TvxnNFe& nfe = session.Conectado();
  const std::string texto = ReadInput(o.Arquivo);
  const std::string xml = ConvertToNFeXml(nfe, texto, DetectInputKind(texto));
  const std::string assinado = xml.find("<Signature") != std::string::npos ? xml : nfe.AssinarNota(xml);
  const std::vector<std::string> nfes = SplitNFeDocuments(assinado);
  if (nfes.empty())
    throw ENfeToolError(kExitEntrada, o.Arquivo + " holds no NF-e document");
  // Each document in a lot of its own, so that each gets its own distribution XML.
  bool todos = true;
  for (std::size_t i = 0; i < nfes.size(); ++i) {
    const std::string lote = NovoLote();
    const std::string resposta = nfe.EnviarEPEC(nfe.MontarXmlEPEC(lote, nfes[i], "", "-03:00"));
    todos = Imprimir(nfe, "epec " + o.Arquivo + " #" + std::to_string(i + 1), resposta) && todos;
  }
  return todos ? kExitOk : kExitRecusado;
}

// ---- reforma --------------------------------------------------------------------------------------------

struct TReformaOptions {
  std::string Chave, Tipo, Autor, Indicador, Motivo, TextoMotivo, DataEntrega;
  std::vector<std::string> Itens;
  int Seq = 1;
};

// One --item: "nItem=1,vIBS=1.00,vCBS=0.90,quantidade=2.0000,unidade=UN" (the names below).
TvxnItemEventoReforma ItemReforma(const std::string& texto) {
  TvxnItemEventoReforma i;
  const std::map<std::string, std::string TvxnItemEventoReforma::*> kCampos{
      {"nItem", &TvxnItemEventoReforma::NItem},
      {"vIBS", &TvxnItemEventoReforma::VIBS},
      {"vCBS", &TvxnItemEventoReforma::VCBS},
      {"quantidade", &TvxnItemEventoReforma::Quantidade},
      {"unidade", &TvxnItemEventoReforma::Unidade},
      {"vIBSEstoque", &TvxnItemEventoReforma::VIBSEstoque},
      {"vCBSEstoque", &TvxnItemEventoReforma::VCBSEstoque},
      {"chaveAcesso", &TvxnItemEventoReforma::ChaveReferenciada},
      {"nItemRef", &TvxnItemEventoReforma::NItemReferenciado},
      {"vBC", &TvxnItemEventoReforma::VBC},
      {"cCredPresIBS", &TvxnItemEventoReforma::CCredPresIBS},
      {"pCredPresIBS", &TvxnItemEventoReforma::PCredPresIBS},
      {"vCredPresIBS", &TvxnItemEventoReforma::VCredPresIBS},
      {"cCredPresCBS", &TvxnItemEventoReforma::CCredPresCBS},
      {"pCredPresCBS", &TvxnItemEventoReforma::PCredPresCBS},
      {"vCredPresCBS", &TvxnItemEventoReforma::VCredPresCBS}};
  std::size_t inicio = 0;
  while (inicio <= texto.size()) {
    const std::size_t fim = std::min(texto.find(',', inicio), texto.size());
    const std::string par = texto.substr(inicio, fim - inicio);
    const std::size_t igual = par.find('=');
    const auto campo = igual == std::string::npos ? kCampos.end() : kCampos.find(par.substr(0, igual));
    if (campo == kCampos.end())
      throw ENfeToolError(kExitUso, "--item: \"" + par + "\" is not NAME=VALUE with a known name");
    i.*(campo->second) = par.substr(igual + 1);
    inicio = fim + 1;
  }
  return i;
}

int RunReforma(TNfeSession& session, const TReformaOptions& o) {
  TvxnEventoReforma e;
  for (const std::string& item : o.Itens)
    e.Itens.push_back(ItemReforma(item));
  TvxnNFe& nfe = session.Conectado();
  e.TpEvento = o.Tipo;
  e.Chave = o.Chave;
  e.TpAutor = o.Autor;
  e.VerAplic = "nfe " + nfe.GetVersao();
  e.Indicador = o.Indicador;
  e.CMotivo = o.Motivo;
  e.XMotivo = o.TextoMotivo;
  e.DPrevEntrega = o.DataEntrega;
  e.Sequencia = o.Seq;
  const std::string resposta = EnviarEventoReforma(nfe, e, NovoLote());
  return Imprimir(nfe, "reforma " + o.Tipo + " " + o.Chave + " seq " + std::to_string(o.Seq), resposta)
             ? kExitOk
             : kExitRecusado;
}

template <typename O, typename F> void Acao(CLI::App* cmd, TNfeCommandLine& cl, std::shared_ptr<O> o, F run) {
  cmd->callback([&cl, o, run] { cl.Acao = [o, run](TNfeSession& s) { return run(s, *o); }; });
}

} // namespace

void AddEventoCommand(CLI::App& app, TNfeCommandLine& cl) {
  CLI::App* evento = app.add_subcommand("evento", "Send an event: correction letter, cancellation, "
                                                  "recipient manifestation, EPEC or an event of the "
                                                  "tax reform");
  evento->require_subcommand(1);
  evento->footer(
      "Each event prints key, status, protocol and distribution (the procEventoNFe file) as nfe\n"
      "emitir does. Exit code 0 when every event was accepted (135, 136, 155), 1 when one was refused.");

  auto cce = std::make_shared<TCceOptions>();
  CLI::App* c = evento->add_subcommand("cce", "Correction letter (CC-e) of an authorised NF-e");
  c->add_option("chave", cce->Chave, "Access key (44 digits)")->required();
  c->add_option("--correcao", cce->Correcao, "The correction (at least 15 characters)")->required();
  c->add_option("--seq", cce->Seq, "Sequence of the correction, 1 to 20 (default 1)");
  Acao(c, cl, cce, RunCce);

  auto can = std::make_shared<TCancelarOptions>();
  CLI::App* k = evento->add_subcommand("cancelar", "Cancellation of an authorised NF-e");
  k->add_option("chave", can->Chave, "Access key (44 digits)")->required();
  k->add_option("--protocolo", can->Protocolo, "Authorisation protocol of the NF-e")->required();
  k->add_option("--justificativa", can->Justificativa, "Reason (at least 15 characters)")->required();
  k->add_option("--substituta", can->Substituta,
                "Cancellation by substitution: access key of the document issued in contingency that "
                "replaces this one");
  Acao(k, cl, can, RunCancelar);

  auto man = std::make_shared<TManifestarOptions>();
  CLI::App* m = evento->add_subcommand("manifestar", "Recipient manifestation (national environment)");
  m->add_option("chave", man->Chave, "Access key (44 digits)")->required();
  m->add_option("--tipo", man->Tipo, "ciencia, confirmacao, desconhecimento or nao-realizada")
      ->required()
      ->check(CLI::IsMember({"ciencia", "confirmacao", "desconhecimento", "nao-realizada"}));
  m->add_option("--justificativa", man->Justificativa, "Reason (nao-realizada: at least 15 characters)");
  Acao(m, cl, man, RunManifestar);

  auto ref = std::make_shared<TReformaOptions>();
  CLI::App* r = evento->add_subcommand("reforma", "An event of the tax reform (IBS, CBS) about an authorised "
                                                  "NF-e, sent to the state of its key");
  r->add_option("chave", ref->Chave, "Access key (44 characters)")->required();
  std::vector<std::string> tipos;
  for (std::string_view t : TiposEventoReforma())
    tipos.emplace_back(t);
  r->add_option("--tipo", ref->Tipo, "tpEvento of the kind")->required()->check(CLI::IsMember(tipos));
  r->add_option("--autor", ref->Autor, "tpAutor, when the kind admits more than one (211120: 1 or 2)");
  r->add_option("--indicador", ref->Indicador,
                "indAceitacao (211128, 212110, 212120) or indDeferimento (412120, 412130): 0 or 1");
  r->add_option("--motivo", ref->Motivo, "cMotivo of 412120 and 412130: 1 or 2");
  r->add_option("--texto-motivo", ref->TextoMotivo, "xMotivo of 412120 and 412130");
  r->add_option("--data-entrega", ref->DataEntrega, "dPrevEntrega of 112150 (AAAA-MM-DD)");
  r->add_option("--item", ref->Itens,
                "A group per item, NAME=VALUE pairs separated by commas: nItem, vIBS, vCBS, quantidade, "
                "unidade, vIBSEstoque, vCBSEstoque, chaveAcesso, nItemRef, vBC, cCredPresIBS, "
                "pCredPresIBS, vCredPresIBS, cCredPresCBS, pCredPresCBS, vCredPresCBS (repeatable)");
  r->add_option("--seq", ref->Seq, "Sequence of the event, 1 to 20 (default 1)");
  Acao(r, cl, ref, RunReforma);

  auto epec = std::make_shared<TEpecOptions>();
  CLI::App* e =
      evento->add_subcommand("epec", "EPEC of the documents of a file, to be issued in contingency");
  e->add_option("arquivo", epec->Arquivo, "NF-e XML, command text or pipe text ('-' reads standard input)")
      ->required();
  Acao(e, cl, epec, RunEpec);
}

} // namespace vxn::tool
