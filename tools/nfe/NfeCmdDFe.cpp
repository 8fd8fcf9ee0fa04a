// Documents addressed to us: nfe dfe. Asks the national distribution service for the configured CNPJ's
// documents after the last NSU it has (remembered per CNPJ and environment in the distribution folder),
// again while the service has more (ultNSU below maxNSU) and at most --consultas times, and files every
// document of every reply (TratarXMLRetornoDFe). --nsu asks for one NSU, --chave for one document by key;
// neither moves the remembered NSU. One line per document filed, then a summary.
#include "NfeCommands.h"
#include "NfeExitCodes.h"
#include "NfeReplies.h"
#include "NfeToolError.h"
#include "vxnIniFile.h"
#include "vxnPaths.h"

#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>

namespace vxn::tool {

namespace {

struct TDFeOptions {
  std::string Nsu, Chave;
  int Consultas = 20;
};

// The last NSU filed, per CNPJ (section) and environment (key), beside the documents it numbers: a
// distribution folder started afresh starts from the beginning again.
class TUltimoNsu {
public:
  TUltimoNsu(const std::string& pasta, std::string cnpj, TAmbienteKind ambiente)
      : ini_(pasta + "ultNSU.ini"), cnpj_(std::move(cnpj)),
        chave_(ambiente == akProducao ? "producao" : "homologacao") {}
  std::string Ler() const { return ini_.ReadString(cnpj_, chave_, "0"); }
  void Gravar(const std::string& nsu) {
    if (!nsu.empty() && nsu != Ler())
      ini_.WriteString(cnpj_, chave_, nsu);
  }
  // The moment the service last found nothing new (137), from which it counts its hour of waiting.
  std::time_t NadaEncontrado() const {
    const std::string t = ini_.ReadString(cnpj_, chave_ + "-137", "0");
    return t.find_first_not_of("0123456789") == std::string::npos ? std::stoll("0" + t) : 0;
  }
  void GravarNadaEncontrado(std::time_t quando) {
    ini_.WriteString(cnpj_, chave_ + "-137", std::to_string(static_cast<long long>(quando)));
  }

private:
  TvxnIniFile ini_;
  std::string cnpj_, chave_;
};

// What the line of a filed document calls its kind: the schema's name ("resNFe", "procNFe", "resEvento",
// "procEventoNFe"), an event's with its tpEvento.
std::string Tipo(const TvxnDFeArquivado& a) {
  std::string tipo = a.Schema.substr(0, a.Schema.find("_v"));
  if (tipo.empty())
    tipo = a.Tipo;
  return a.TpEvento.empty() ? tipo : tipo + ":" + a.TpEvento;
}

class TArquivamento {
public:
  explicit TArquivamento(TvxnNFe& nfe) : nfe_(nfe) {}

  // Files the documents of a reply, printing a line for each; the NSU of the last one filed is kept, for a
  // run that stops at a document that cannot be filed.
  void Arquivar(const std::string& resposta) {
    nfe_.TratarXMLRetornoDFe(resposta, "", [this](const TvxnDFeArquivado& a) {
      std::cout << (a.NSU.empty() ? "-" : a.NSU) << " " << Tipo(a) << " " << a.Chave << " " << a.Arquivo
                << std::endl;
      ++arquivados_;
      if (!a.NSU.empty())
        ultimoArquivado_ = a.NSU;
    });
  }
  int Arquivados() const { return arquivados_; }
  const std::string& UltimoArquivado() const { return ultimoArquivado_; }

private:
  TvxnNFe& nfe_;
  int arquivados_ = 0;
  std::string ultimoArquivado_;
};

std::string HoraUtc(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
  return buf;
}

// 656: the service counts an hour from its last "nothing found" before it answers the same party again.
// Says when that hour ends, from the moment this folder remembers (a run elsewhere may have asked since).
void ExplicarEspera(const TUltimoNsu& memoria) {
  const std::time_t nada = memoria.NadaEncontrado();
  std::cerr << "nfe: the service answers the same CNPJ again only an hour after it found nothing new";
  if (nada > 0)
    std::cerr << " (here at " << HoraUtc(nada) << "); ask again after " << HoraUtc(nada + 3600);
  else
    std::cerr << "; ask again in an hour";
  std::cerr << "\n";
}

bool Encontrou(const std::string& cStat) {
  return cStat == "137" || cStat == "138";
}

void Resumo(const TArquivamento& a, const std::string& resposta, const std::string& cnpj) {
  const TNfeStatus status = ReplyStatus(resposta);
  std::cout << "summary: " << a.Arquivados() << " filed for " << cnpj << "; ultNSU "
            << ElementText(resposta, "ultNSU") << ", maxNSU " << ElementText(resposta, "maxNSU")
            << "; last answer " << status.CStat << " " << status.XMotivo << std::endl;
}

std::string CodigoUF(TvxnNFe& nfe) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", nfe.ObterCodigoUF(nfe.GetUF()));
  return buf;
}

int RunDFe(TNfeSession& session, const TDFeOptions& o) {
  TvxnNFe& nfe = session.Conectado();
  const std::string cnpj = nfe.GetCNPJ();
  const std::string uf = CodigoUF(nfe);
  TArquivamento arquivamento(nfe);
  std::string resposta;
  if (!o.Chave.empty() || !o.Nsu.empty()) {
    std::string baixado;
    nfe.SetOnDownloadNFe([&baixado](const std::string& arquivo) { baixado = arquivo; });
    resposta = o.Chave.empty() ? nfe.ConsultarDistribuicaoDFe(uf, cnpj, o.Nsu, nkEspecifico)
                               : nfe.ConsultarDistribuicaoDFeChave(uf, cnpj, o.Chave);
    arquivamento.Arquivar(resposta);
    if (!baixado.empty())
      std::cout << "download: " << baixado << std::endl;
    Resumo(arquivamento, resposta, cnpj);
    return ReplyStatus(resposta).CStat == "138" ? kExitOk : kExitRecusado;
  }

  TUltimoNsu memoria(IncludeTrailingPathDelimiter(nfe.GetDiretorioXmlDestinatario()) + "DFe/", cnpj,
                     nfe.GetAmbiente());
  std::string nsu = memoria.Ler();
  for (int consulta = 0; consulta < o.Consultas; ++consulta) {
    resposta = nfe.ConsultarDistribuicaoDFe(uf, cnpj, nsu, nkUltimo);
    const std::string cStat = ReplyStatus(resposta).CStat;
    if (!Encontrou(cStat)) {
      Resumo(arquivamento, resposta, cnpj);
      if (cStat == "656")
        ExplicarEspera(memoria);
      return kExitRecusado;
    }
    if (cStat == "137")
      memoria.GravarNadaEncontrado(std::time(nullptr));
    try {
      arquivamento.Arquivar(resposta);
    } catch (...) {
      memoria.Gravar(arquivamento.UltimoArquivado());
      throw;
    }
    const std::string ult = ElementText(resposta, "ultNSU");
    memoria.Gravar(ult);
    if (cStat == "137" || ult >= ElementText(resposta, "maxNSU")) {
      Resumo(arquivamento, resposta, cnpj);
      return kExitOk;
    }
    if (ult <= nsu && nsu != "0")
      throw ENfeToolError(kExitFalha, "the service answered 138 without moving past NSU " + nsu);
    nsu = ult;
  }
  Resumo(arquivamento, resposta, cnpj);
  std::cerr << "nfe: stopped after " << o.Consultas
            << " queries with more to come; run again to continue from NSU " << nsu << "\n";
  return kExitOk;
}

} // namespace

void AddDFeCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TDFeOptions>();
  CLI::App* cmd = app.add_subcommand(
      "dfe", "Fetch and file the documents addressed to the configured CNPJ (national distribution service)");
  auto* nsu = cmd->add_option("--nsu", o->Nsu, "Ask for the document of this NSU only (15 digits)");
  auto* chave = cmd->add_option("--chave", o->Chave, "Ask for one document by its access key (44 digits)");
  nsu->excludes(chave);
  cmd->add_option("--consultas", o->Consultas, "At most this many queries in one run (default 20)")
      ->check(CLI::Range(1, 1000));
  cmd->footer("Every document filed prints NSU, kind, key and path; the files go to the distribution\n"
              "folder's DFe/ (summaries in DFe/Resumo/). Without --nsu and --chave the run starts after the\n"
              "last NSU filed for the CNPJ and environment (DFe/ultNSU.ini) and asks while the service has\n"
              "more. Exit code 0 when the service answered (138 or 137), 1 when it refused (656 asked too\n"
              "soon, 593 another company's CNPJ, ...).");
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunDFe(s, *o); }; });
}

} // namespace vxn::tool
