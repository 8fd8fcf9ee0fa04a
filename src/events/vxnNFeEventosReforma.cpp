// The events of the tax reform (IBS, CBS): the issuer's (1121xx), the acquirer's (2111xx), the successor's
// manifestation on a credit transfer (2121xx) and the tax authority's answer to it (4121xx). Every kind is
// one row of a table: its description, its authors and the shape of its detEvento, written in the order
// of the kind's schema.
#include "events/vxnNFeEventos.h"
#include "events/vxnNFeEventosParametros.h"
#include "vxnFiles.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnTelemetriaOperacao.h"
#include "vxnText.h"
#include "xml/vxnNFeNamespaces.h"

#include <set>

namespace vxn {

namespace {

constexpr std::string_view kPrefixo = "Um problema foi encontrado durante a geração do XML de envio: ";
constexpr std::size_t kMaxItens = 990;

// What follows verAplic in the detEvento of a kind.
enum class TForma {
  Quitacao,      // indQuitacao 1
  ItensEstoque,  // per item: vIBS, vCBS, gControleEstoque (quantity, unit)
  PrevEntrega,   // dPrevEntrega
  CredPresumido, // per item: vBC, gIBS, gCBS
  Credito,       // per item: vCredIBS, vCredCBS
  Aceitacao,     // indAceitacao
  Deferimento    // indDeferimento, cMotivo, xMotivo
};

struct TTipoReforma {
  std::string_view TpEvento;
  std::string_view Descricao; // descEvento, as the schema fixes it
  std::string_view Autores;   // the tpAutor codes the schema admits, the default first
  TForma Forma;
  std::string_view Grupo = {};          // the group per item
  std::string_view Qtd = {}, Unid = {}; // the names of gControleEstoque's quantity and unit
  bool ValoresNoEstoque = false;        // 112130: vIBS and vCBS inside gControleEstoque too
  bool DFeReferenciado = false;         // 211120: the document of the supply
};

const TTipoReforma kTipos[] = {
    {"112110", "Informação de efetivo pagamento integral para liberar crédito presumido do adquirente", "1",
     TForma::Quitacao},
    {"112120", "Importação em ALC/ZFM não convertida em isenção", "1", TForma::ItensEstoque, "gConsumo",
     "qtde", "unidade"},
    {"112130", "Perecimento, perda, roubo ou furto durante o transporte contratado pelo fornecedor", "1",
     TForma::ItensEstoque, "gPerecimento", "qPerecimento", "uPerecimento", true},
    {"112140", "Fornecimento não realizado com pagamento antecipado", "1", TForma::ItensEstoque,
     "gItemNaoFornecido", "qNaoFornecida", "uNaoFornecida"},
    {"112150", "Atualização da Data de Previsão de Entrega", "1", TForma::PrevEntrega},
    {"211110", "Solicitação de Apropriação de crédito presumido", "1", TForma::CredPresumido, "gCredPres"},
    {"211120", "Destinação de item para consumo pessoal", "21", TForma::ItensEstoque, "gConsumo", "qConsumo",
     "uConsumo", false, true},
    {"211124", "Perecimento, perda, roubo ou furto durante o transporte contratado pelo adquirente", "2",
     TForma::ItensEstoque, "gPerecimento", "qPerecimento", "uPerecimento"},
    {"211128", "Aceite de débito na apuração por emissão de nota de crédito", "2", TForma::Aceitacao},
    {"211130", "Imobilização de Item", "2", TForma::ItensEstoque, "gImobilizacao", "qImobilizado",
     "uImobilizado"},
    {"211140", "Solicitação de Apropriação de Crédito de Combustível", "2", TForma::ItensEstoque,
     "gConsumoComb", "qComb", "uComb"},
    {"211150",
     "Solicitação de Apropriação de Crédito para bens e serviços que dependem de atividade do adquirente",
     "2", TForma::Credito, "gCredito"},
    {"212110", "Manifestação sobre Pedido de Transferência de Crédito de IBS em Operação de Sucessão", "8",
     TForma::Aceitacao},
    {"212120", "Manifestação sobre Pedido de Transferência de Crédito de CBS em Operação de Sucessão", "8",
     TForma::Aceitacao},
    {"412120",
     "Manifestação do Fisco sobre Pedido de Transferência de Crédito de IBS em Operação de Sucessão", "5",
     TForma::Deferimento},
    {"412130",
     "Manifestação do Fisco sobre Pedido de Transferência de Crédito de CBS em Operação de Sucessão", "5",
     TForma::Deferimento},
};

std::string Elemento(std::string_view nome, std::string_view valor) {
  return "<" + std::string(nome) + ">" + std::string(valor) + "</" + std::string(nome) + ">";
}

// Builds the groups per item of a kind, checking that each item carries what its group needs.
class TItensReforma {
public:
  TItensReforma(const TTipoReforma& tipo, const std::string& logDir) : tipo_(tipo), logDir_(logDir) {}

  std::string Xml(const std::vector<TvxnItemEventoReforma>& itens) const {
    if (itens.empty())
      throw EvxnEventoCheckParams("Favor informar os itens do evento.", logDir_);
    if (itens.size() > kMaxItens)
      throw EvxnEventoCheckParams("O evento admite no máximo 990 itens.", logDir_);
    std::set<std::string> vistos;
    std::string xml;
    for (const TvxnItemEventoReforma& i : itens) {
      const std::string n = Trim(i.NItem);
      if (!IsDigits(n) || n.size() > 3 || n[0] == '0' || std::stoi(n) > static_cast<int>(kMaxItens))
        throw EvxnEventoCheckParams("Número do item inválido: %s", {n}, logDir_);
      if (!vistos.insert(n).second)
        throw EvxnEventoCheckParams("Item %s informado mais de uma vez.", {n}, logDir_);
      xml += "<" + std::string(tipo_.Grupo) + " nItem=\"" + n + "\">" + Conteudo(i, n) + "</" +
             std::string(tipo_.Grupo) + ">";
    }
    return xml;
  }

private:
  // The value of a field the group requires, escaped (a unit is free text).
  std::string Exigido(std::string_view valor, std::string_view campo, const std::string& item) const {
    const std::string v = Trim(valor);
    if (v.empty())
      throw EvxnEventoCheckParams("Favor preencher %s do item %s.", {std::string(campo), item}, logDir_);
    return TvxnNFe::EscapeCaracteres(v);
  }

  // The fields are checked in the order they are written (each statement its own, since the operands
  // of one expression are evaluated in no fixed order).
  std::string Conteudo(const TvxnItemEventoReforma& i, const std::string& n) const {
    std::string xml;
    if (tipo_.Forma == TForma::Credito) {
      xml = Elemento("vCredIBS", Exigido(i.VIBS, "vCredIBS", n));
      xml += Elemento("vCredCBS", Exigido(i.VCBS, "vCredCBS", n));
      return xml;
    }
    if (tipo_.Forma == TForma::CredPresumido) {
      xml = Elemento("vBC", Exigido(i.VBC, "vBC", n));
      xml += CredPres("gIBS", i.CCredPresIBS, i.PCredPresIBS, i.VCredPresIBS, n);
      xml += CredPres("gCBS", i.CCredPresCBS, i.PCredPresCBS, i.VCredPresCBS, n);
      return xml;
    }
    xml = Elemento("vIBS", Exigido(i.VIBS, "vIBS", n));
    xml += Elemento("vCBS", Exigido(i.VCBS, "vCBS", n));
    std::string estoque = Elemento(tipo_.Qtd, Exigido(i.Quantidade, tipo_.Qtd, n));
    estoque += Elemento(tipo_.Unid, Exigido(i.Unidade, tipo_.Unid, n));
    if (tipo_.ValoresNoEstoque) {
      estoque += Elemento("vIBS", Exigido(i.VIBSEstoque, "vIBS", n));
      estoque += Elemento("vCBS", Exigido(i.VCBSEstoque, "vCBS", n));
    }
    xml += Elemento("gControleEstoque", estoque);
    if (tipo_.DFeReferenciado) {
      std::string ref = Elemento("chaveAcesso", Exigido(i.ChaveReferenciada, "chaveAcesso", n));
      ref += Elemento("nItem", Exigido(i.NItemReferenciado, "nItem do DFeReferenciado", n));
      xml += Elemento("DFeReferenciado", ref);
    }
    return xml;
  }

  // gIBS or gCBS of a presumed credit: written when its amount is given, then with all three fields.
  std::string CredPres(std::string_view grupo, std::string_view c, std::string_view p, std::string_view v,
                       const std::string& n) const {
    if (Trim(v).empty())
      return {};
    std::string xml = Elemento("cCredPres", Exigido(c, "cCredPres", n));
    xml += Elemento("pCredPres", Exigido(p, "pCredPres", n));
    xml += Elemento("vCredPres", TvxnNFe::EscapeCaracteres(Trim(v)));
    return Elemento(grupo, xml);
  }

  const TTipoReforma& tipo_;
  const std::string& logDir_;
};

const TTipoReforma* TipoReforma(std::string_view tp) {
  for (const TTipoReforma& t : kTipos)
    if (t.TpEvento == tp)
      return &t;
  return nullptr;
}

// AAAA-MM-DD with a month and a day that exist.
bool DataValida(std::string_view d) {
  if (d.size() != 10 || d[4] != '-' || d[7] != '-' || !IsDigits(d.substr(0, 4)) ||
      !IsDigits(d.substr(5, 2)) || !IsDigits(d.substr(8, 2)))
    return false;
  const int ano = std::stoi(std::string(d.substr(0, 4)));
  const int mes = std::stoi(std::string(d.substr(5, 2)));
  const int dia = std::stoi(std::string(d.substr(8, 2)));
  constexpr int kDias[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (mes < 1 || mes > 12 || dia < 1 || dia > kDias[mes - 1])
    return false;
  return mes != 2 || dia < 29 || (ano % 4 == 0 && (ano % 100 != 0 || ano % 400 == 0));
}

bool ZeroOuUm(std::string_view s) {
  return s == "0" || s == "1";
}

} // namespace

const std::vector<std::string_view>& TiposEventoReforma() {
  static const std::vector<std::string_view> tipos = [] {
    std::vector<std::string_view> v;
    for (const TTipoReforma& t : kTipos)
      v.push_back(t.TpEvento);
    return v;
  }();
  return tipos;
}

std::string TvxnNFeEventos::MontarXmlEventoReforma(const TvxnEventoReforma& e) {
  const std::string& logDir = GetDiretorioLogErro();
  const std::string fuso = Trim(e.Fuso).empty() ? "-03:00" : std::string(e.Fuso);
  const std::string chave = Trim(e.Chave);
  std::string det;
  const TTipoReforma* tipo = nullptr;
  try {
    tipo = TipoReforma(Trim(e.TpEvento));
    if (!tipo)
      throw EvxnEventoCheckParams("Tipo de evento da reforma tributária inválido: %s", {Trim(e.TpEvento)},
                                  logDir);
    const TvxnEventoParametros p(logDir);
    p.Chave(chave);
    const std::string orgao = Trim(e.Orgao).empty() ? chave.substr(0, 2) : Trim(e.Orgao);
    const std::string orgaoAutor = Trim(e.OrgaoAutor).empty() ? chave.substr(0, 2) : Trim(e.OrgaoAutor);
    p.Orgao(orgao);
    p.OrgaoAutor(orgaoAutor);
    p.Sequencia(e.Sequencia);
    p.DataHora(e.DataHora);
    p.Fuso(fuso);
    p.Autor(GetCNPJ());
    const std::string tpAutor =
        Trim(e.TpAutor).empty() ? std::string(tipo->Autores.substr(0, 1)) : Trim(e.TpAutor);
    if (tpAutor.size() != 1 || tipo->Autores.find(tpAutor) == std::string_view::npos)
      throw EvxnEventoCheckParams("Tipo do Autor inválido: %s", {tpAutor}, logDir);
    if (Utf8Length(Trim(e.VerAplic)) < 1 || Utf8Length(Trim(e.VerAplic)) > 20)
      throw EvxnEventoCheckParams("O Tamanho do campo Versão Aplicativo deve ser de 1 a 20.", logDir);
    det = Elemento("descEvento", tipo->Descricao) + Elemento("cOrgaoAutor", orgaoAutor) +
          Elemento("tpAutor", tpAutor) + Elemento("verAplic", TextoLivre(e.VerAplic));
    switch (tipo->Forma) {
    case TForma::Quitacao:
      det += Elemento("indQuitacao", "1");
      break;
    case TForma::PrevEntrega:
      if (!DataValida(Trim(e.DPrevEntrega)))
        throw EvxnEventoCheckParams("Data de previsão de entrega inválida: %s", {Trim(e.DPrevEntrega)},
                                    logDir);
      det += Elemento("dPrevEntrega", Trim(e.DPrevEntrega));
      break;
    case TForma::Aceitacao:
    case TForma::Deferimento:
      if (!ZeroOuUm(Trim(e.Indicador)))
        throw EvxnEventoCheckParams("O indicador do evento deve ser 0 ou 1.", logDir);
      det +=
          Elemento(tipo->Forma == TForma::Aceitacao ? "indAceitacao" : "indDeferimento", Trim(e.Indicador));
      if (tipo->Forma == TForma::Deferimento) {
        if (Trim(e.CMotivo) != "1" && Trim(e.CMotivo) != "2")
          throw EvxnEventoCheckParams("O código do motivo deve ser 1 ou 2.", logDir);
        const std::string motivo = TextoLivre(e.XMotivo);
        if (Utf8Length(Trim(e.XMotivo)) < 1 || Utf8Length(Trim(e.XMotivo)) > 500)
          throw EvxnEventoCheckParams("O Tamanho do campo Motivo deve ser de 1 a 500.", logDir);
        det += Elemento("cMotivo", Trim(e.CMotivo)) + Elemento("xMotivo", motivo);
      }
      break;
    default:
      det += TItensReforma(*tipo, logDir).Xml(e.Itens);
    }
    det = "<detEvento versao=\"1.00\">" + det + "</detEvento>";
  } catch (const EvxnEventoCheckParams& x) {
    throw EvxnEventoCheckParams(std::string(kPrefixo) + "\"" + x.Message() + "\"", logDir);
  }
  ChecarDetalheReforma(tipo->TpEvento, det);
  tpEvento_ = tipo->TpEvento;
  const std::string evento = Format(
      R"(<infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb>%s<chNFe>%s</chNFe><dhEvento>%s</dhEvento>)"
      R"(<tpEvento>%s</tpEvento><nSeqEvento>%s</nSeqEvento><verEvento>1.00</verEvento>%s</infEvento>)",
      {GerarIdEvento(chave, e.Sequencia), Trim(e.Orgao).empty() ? chave.substr(0, 2) : Trim(e.Orgao), TpAmb(),
       ElementoAutor(), chave, FormataDataHoraEvento(e.DataHora, fuso) + fuso, tpEvento_,
       std::to_string(e.Sequencia), det});
  return AssinarEvento(evento);
}

// The lot's schema admits any detEvento; the kind's own schema, when the schema folder has it, is the
// check that counts.
void TvxnNFeEventos::ChecarDetalheReforma(std::string_view tpEvento, const std::string& det) {
  if (!GetValidarEsquemaAntesEnvio())
    return;
  const std::string xsd = IncludeTrailingPathDelimiter(Utils().ExpandPath(GetDiretorioEsquemas())) + "e" +
                          std::string(tpEvento) + "_v1.00.xsd";
  if (!FileExists(xsd))
    return;
  Utils().ValidateSchema("<detEvento xmlns=\"" + std::string(uri::kNFe) + "\"" + det.substr(10), uri::kNFe,
                         xsd);
}

std::string TvxnNFeEventos::EnviarEventoReforma(const TvxnEventoReforma& e, std::string_view lote) {
  const std::string assinado = MontarXmlEventoReforma(e);
  const std::string tp = tpEvento_;
  return EnviarEGerar(lote.empty() ? "1" : lote, assinado, "evento_envio.xml", "ENVIOEVENTO", tp + "-env",
                      tp + "-ret", GerarIdEvento(Trim(e.Chave), e.Sequencia), Trim(e.Chave),
                      "-" + tp + ".xml", {"135", "136"}, onXmlEventoDestinatario_);
}

std::string MontarXmlEventoReforma(TvxnNFe& nfe, const TvxnEventoReforma& evento) {
  return ComTelemetria(nfe.GetTelemetria(), "MontarXmlEventoReforma", [&] {
    nfe.AtualizaDadosNFeEventos();
    return nfe.GetEventos().MontarXmlEventoReforma(evento);
  });
}

std::string EnviarEventoReforma(TvxnNFe& nfe, const TvxnEventoReforma& evento, std::string_view lote) {
  return ComTelemetria(nfe.GetTelemetria(), "EnviarEventoReforma", [&] {
    nfe.AtualizaDadosNFeEventos();
    return nfe.GetEventos().EnviarEventoReforma(evento, lote);
  });
}

} // namespace vxn
