// Queries and invalidation: nfe consultar, nfe recibo, nfe inutilizar, nfe cadastro. Each prints the
// reply's status line (cStat and xMotivo) and what identifies its result; --xml prints the whole reply.
#include "NfeCommands.h"
#include "NfeExitCodes.h"
#include "NfeReplies.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <iostream>
#include <memory>

namespace vxn::tool {

namespace {

struct TConsultaOptions {
  bool Xml = false;
};

void ImprimirStatus(const std::string& resposta, bool xml) {
  if (xml) {
    std::cout << resposta << "\n";
    return;
  }
  const TNfeStatus status = ReplyStatus(resposta);
  std::cout << status.CStat << " " << status.XMotivo << "\n";
}

void AddXmlFlag(CLI::App* cmd, TConsultaOptions& o) {
  cmd->add_flag("--xml", o.Xml, "Print the whole reply instead of the status lines");
}

// ---- consultar ------------------------------------------------------------------------------------------

struct TConsultarOptions : TConsultaOptions {
  std::string Chave;
};

int RunConsultar(TNfeSession& session, const TConsultarOptions& o) {
  const std::string resposta = session.Conectado().ConsultarNF(o.Chave);
  ImprimirStatus(resposta, o.Xml);
  const std::vector<TNfeProtocolo> protocolos = ReplyProtocols(resposta);
  // A cancelled document (101) keeps its authorisation protocol but is no longer authorised.
  const bool cancelada = ReplyStatus(resposta).CStat == "101";
  const bool autorizada = !cancelada && !protocolos.empty() && IsAuthorised(protocolos.front().CStat);
  if (!o.Xml && !protocolos.empty() && !protocolos.front().NProt.empty())
    std::cout << "  protocol:     " << protocolos.front().NProt << "\n";
  if (!o.Xml && autorizada) {
    const std::string xml = session.XmlDestinatario(o.Chave);
    std::cout << "  distribution: " << (xml.empty() ? "(not written)" : xml) << "\n";
  }
  // The events the reply carries, each with its answer: type, sequence, status and protocol.
  for (std::size_t p = resposta.find("<procEventoNFe"); !o.Xml && p != std::string::npos;
       p = resposta.find("<procEventoNFe", p + 1)) {
    const std::string proc = resposta.substr(p, resposta.find("</procEventoNFe>", p) - p);
    const std::string ret = proc.substr(std::min(proc.size(), proc.find("<retEvento")));
    std::cout << "  event:        " << ElementText(proc, "tpEvento") << " " << ElementText(proc, "descEvento")
              << " (seq " << ElementText(proc, "nSeqEvento") << "): " << ElementText(ret, "cStat") << " "
              << ElementText(ret, "xMotivo") << ", protocol " << ElementText(ret, "nProt") << "\n";
  }
  return autorizada ? kExitOk : kExitRecusado;
}

// ---- recibo ---------------------------------------------------------------------------------------------

struct TReciboOptions : TConsultaOptions {
  std::string Recibo;
};

int RunRecibo(TNfeSession& session, const TReciboOptions& o) {
  const std::string resposta = session.Conectado().ConsultarRecibo(o.Recibo);
  ImprimirStatus(resposta, o.Xml);
  const TNfeStatus lote = ReplyStatus(resposta);
  if (lote.CStat == "105")
    return kExitPendente;
  bool todasAutorizadas = lote.CStat == "104";
  for (const TNfeProtocolo& p : ReplyProtocols(resposta)) {
    todasAutorizadas = todasAutorizadas && IsAuthorised(p.CStat);
    if (o.Xml)
      continue;
    std::cout << "  key:          " << p.Chave << "\n  status:       " << p.CStat << " " << p.XMotivo << "\n";
    if (!p.NProt.empty())
      std::cout << "  protocol:     " << p.NProt << "\n";
    if (IsAuthorised(p.CStat)) {
      const std::string xml = session.XmlDestinatario(p.Chave);
      std::cout << "  distribution: " << (xml.empty() ? "(not written)" : xml) << "\n";
    }
  }
  return todasAutorizadas ? kExitOk : kExitRecusado;
}

// ---- inutilizar -----------------------------------------------------------------------------------------

struct TInutilizarOptions : TConsultaOptions {
  std::string Serie, Inicio, Fim, Justificativa, Ano, Cnpj, Modelo = "55";
};

std::string AnoCorrente() {
  const std::time_t agora = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  localtime_r(&agora, &tm);
  char ano[8];
  std::strftime(ano, sizeof ano, "%y", &tm);
  return ano;
}

int RunInutilizar(TNfeSession& session, const TInutilizarOptions& o) {
  TvxnNFe& nfe = session.Conectado();
  const std::string ano = o.Ano.empty() ? AnoCorrente() : o.Ano;
  const std::string cnpj = o.Cnpj.empty() ? nfe.GetCNPJ() : o.Cnpj;
  const std::string resposta =
      nfe.InutilizarNF("", ano, cnpj, o.Modelo, o.Serie, o.Inicio, o.Fim, o.Justificativa);
  ImprimirStatus(resposta, o.Xml);
  const TNfeStatus status = ReplyStatus(resposta);
  if (!o.Xml) {
    if (const std::string nProt = ElementText(resposta, "nProt"); !nProt.empty())
      std::cout << "  protocol:     " << nProt << "\n";
  }
  return status.CStat == "102" ? kExitOk : kExitRecusado;
}

// ---- cadastro -------------------------------------------------------------------------------------------

struct TCadastroOptions : TConsultaOptions {
  std::string Tipo, Documento, Uf;
};

int RunCadastro(TNfeSession& session, const TCadastroOptions& o) {
  const std::string resposta = session.Conectado().ConsultarCadastro(o.Tipo, o.Documento, o.Uf);
  ImprimirStatus(resposta, o.Xml);
  const TNfeStatus status = ReplyStatus(resposta);
  if (!o.Xml) {
    // One line per registration found: state registration, name and situation (1 enabled).
    for (std::size_t from = resposta.find("<infCad>"); from != std::string::npos;
         from = resposta.find("<infCad>", from + 1)) {
      const std::string cad = resposta.substr(from, resposta.find("</infCad>", from) - from);
      std::cout << "  IE " << ElementText(cad, "IE") << "  " << ElementText(cad, "xNome") << "  cSit "
                << ElementText(cad, "cSit") << "\n";
    }
  }
  // 111: one registration found, 112: several.
  return status.CStat == "111" || status.CStat == "112" ? kExitOk : kExitRecusado;
}

} // namespace

void AddConsultarCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TConsultarOptions>();
  CLI::App* cmd =
      app.add_subcommand("consultar", "Ask the tax authority for the situation of an NF-e by its key");
  cmd->footer(
      "Prints the status code and text, the protocol and, for an authorised document, the path of its\n"
      "distribution XML. Exit code 0 when the document is authorised (100, 150), 1 otherwise.");
  cmd->add_option("chave", o->Chave, "Access key (44 digits)")->required();
  AddXmlFlag(cmd, *o);
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunConsultar(s, *o); }; });
}

void AddReciboCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TReciboOptions>();
  CLI::App* cmd = app.add_subcommand("recibo", "Ask for the result of a lot by its receipt number");
  cmd->footer(
      "Prints the lot's status and, once it is processed (104), every document's key, status, protocol\n"
      "and distribution XML. Exit code 0 when every document is authorised, 1 when one is not or the\n"
      "receipt is refused, 6 while the lot is in processing (105).");
  cmd->add_option("nrec", o->Recibo, "Receipt number (15 digits)")->required();
  AddXmlFlag(cmd, *o);
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunRecibo(s, *o); }; });
}

void AddInutilizarCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TInutilizarOptions>();
  CLI::App* cmd = app.add_subcommand("inutilizar", "Invalidate a range of unused NF-e numbers of a series");
  cmd->footer("Values are sent as given (no padding). Exit code 0 when the invalidation is granted (102), 1\n"
              "otherwise. The granted invalidation's distribution XML goes to the distribution folder.");
  cmd->add_option("serie", o->Serie, "Series")->required();
  cmd->add_option("inicio", o->Inicio, "First number to invalidate")->required();
  cmd->add_option("fim", o->Fim, "Last number to invalidate")->required();
  cmd->add_option("justificativa", o->Justificativa, "Reason, at least 15 characters")->required();
  cmd->add_option("--ano", o->Ano, "Year, two digits (default: this year)");
  cmd->add_option("--cnpj", o->Cnpj, "Issuer's CNPJ, or CPF (default: the configured CNPJ)");
  cmd->add_option("--modelo", o->Modelo, "Document model")->capture_default_str();
  AddXmlFlag(cmd, *o);
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunInutilizar(s, *o); }; });
}

void AddCadastroCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TCadastroOptions>();
  CLI::App* cmd = app.add_subcommand("cadastro", "Query a taxpayer's registration in a state");
  cmd->footer(
      "Prints the status and one line per registration found. Exit code 0 when one or more are found\n"
      "(111, 112), 1 otherwise.");
  cmd->add_option("tipo", o->Tipo, "Kind of document: CNPJ, CPF or IE")->required();
  cmd->add_option("documento", o->Documento, "The document's number")->required();
  cmd->add_option("--uf", o->Uf, "State to ask (default: the configured state)");
  AddXmlFlag(cmd, *o);
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunCadastro(s, *o); }; });
}

} // namespace vxn::tool
