#include "sefaz-sim/SimDFe.h"

#include "sefaz-sim/SimEvents.h"
#include "sefaz-sim/SimParties.h"
#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimStore.h"
#include "xml/vxnNFeNamespaces.h"

#include <algorithm>

namespace vxn::sim {

namespace {

// Kinds of feed entry: the names of the documents' root elements.
constexpr const char* kResNFe = "resNFe";
constexpr const char* kProcNFe = "procNFe";
constexpr const char* kResEvento = "resEvento";
constexpr const char* kProcEvento = "procEventoNFe";

std::string PartyElement(const std::string& party) {
  return party.size() == 11 ? "<CPF>" + party + "</CPF>" : "<CNPJ>" + party + "</CNPJ>";
}

bool Has(TSimStore& s, const std::string& party, const std::string& chave, const char* kind) {
  TSimStatement q = s.Prepare("SELECT 1 FROM dfe_feed WHERE party = ?1 AND chave = ?2 AND kind = ?3 LIMIT 1");
  return q.Bind({party, chave, std::string(kind)}).Step();
}

void Add(TSimStore& s, const std::string& party, const char* kind, const std::string& chave,
         const std::string& eventId = {}) {
  TSimStatement next = s.Prepare("SELECT COALESCE(MAX(nsu), 0) + 1 FROM dfe_feed WHERE party = ?1");
  const std::int64_t nsu = next.Bind({party}).Step() ? next.Int(0) : 1;
  s.Execute(
      "INSERT INTO dfe_feed(party, nsu, kind, chave, event_id) VALUES(?1, ?2, ?3, ?4, ?5)",
      {party, nsu, std::string(kind), chave, eventId.empty() ? TSimValue(nullptr) : TSimValue(eventId)});
}

std::string Authorised(TSimStore& s, const std::string& chave) {
  TSimStatement q = s.Prepare("SELECT nfe FROM authorisations WHERE chave = ?1");
  return q.Bind({chave}).Step() ? q.Text(0) : std::string();
}

bool Cancelled(TSimStore& s, const std::string& chave) {
  TSimStatement q =
      s.Prepare("SELECT 1 FROM events WHERE chave = ?1 AND tp_evento IN ('110111', '110112') LIMIT 1");
  return q.Bind({chave}).Step();
}

// ---- The documents, built from what the store holds ----------------------------------------------------

std::string Ns() {
  return std::string(uri::kNFe);
}

TSimDFeDocument Document(TSimStore& s, const std::string& kind, const std::string& chave,
                         const std::string& eventId) {
  TSimDFeDocument d;
  if (kind == kResNFe || kind == kProcNFe) {
    TSimStatement q = s.Prepare("SELECT nfe, prot_nfe, dhrecbto, nprot FROM authorisations WHERE chave = ?1");
    if (!q.Bind({chave}).Step())
      return d;
    const std::string nfe = q.Text(0), prot = q.Text(1);
    if (kind == kProcNFe) {
      const std::size_t v = prot.find("versao=\"");
      const std::string versao = v == std::string::npos ? "4.00" : prot.substr(v + 8, 4);
      d.Schema = "procNFe_v" + versao + ".xsd";
      d.Xml = "<nfeProc xmlns=\"" + Ns() + "\" versao=\"" + versao + "\">" + nfe + prot + "</nfeProc>";
      return d;
    }
    const std::string emit = ElementText(nfe, "emit");
    const std::string digVal = ElementText(prot, "digVal");
    d.Schema = "resNFe_v1.01.xsd";
    d.Xml = "<resNFe xmlns=\"" + Ns() + "\" versao=\"1.01\"><chNFe>" + chave + "</chNFe>" +
            PartyElement(PartyOf(nfe, "emit")) + "<xNome>" + ElementText(emit, "xNome") + "</xNome><IE>" +
            ElementText(emit, "IE") + "</IE><dhEmi>" + ElementText(nfe, "dhEmi") + "</dhEmi><tpNF>" +
            ElementText(nfe, "tpNF") + "</tpNF><vNF>" + ElementText(ElementText(nfe, "ICMSTot"), "vNF") +
            "</vNF>" + (digVal.empty() ? "" : "<digVal>" + digVal + "</digVal>") + "<dhRecbto>" + q.Text(2) +
            "</dhRecbto><nProt>" + q.Text(3) + "</nProt><cSitNFe>" + (Cancelled(s, chave) ? "3" : "1") +
            "</cSitNFe></resNFe>";
    return d;
  }
  TSimStatement q = s.Prepare(
      "SELECT evento, ret_evento, dh_reg, nprot, tp_evento, n_seq, author FROM events WHERE id = ?1");
  if (!q.Bind({eventId}).Step())
    return d;
  const std::string evento = q.Text(0);
  if (kind == kProcEvento) {
    d.Schema = "procEventoNFe_v1.00.xsd";
    d.Xml =
        "<procEventoNFe xmlns=\"" + Ns() + "\" versao=\"1.00\">" + evento + q.Text(1) + "</procEventoNFe>";
    return d;
  }
  d.Schema = "resEvento_v1.01.xsd";
  d.Xml = "<resEvento xmlns=\"" + Ns() + "\" versao=\"1.01\"><cOrgao>" + ElementText(evento, "cOrgao") +
          "</cOrgao>" + PartyElement(q.Text(6)) + "<chNFe>" + chave + "</chNFe><dhEvento>" +
          ElementText(evento, "dhEvento") + "</dhEvento><tpEvento>" + q.Text(4) + "</tpEvento><nSeqEvento>" +
          std::to_string(q.Int(5)) + "</nSeqEvento><xEvento>" + ElementText(evento, "descEvento") +
          "</xEvento><dhRecbto>" + q.Text(2) + "</dhRecbto><nProt>" + q.Text(3) + "</nProt></resEvento>";
  return d;
}

} // namespace

// ---- Feeding ---------------------------------------------------------------------------------------------

bool TSimDFe::ReleasesDocument(const std::string& tpEvento) {
  return tpEvento == "210200" || tpEvento == "210210" || tpEvento == "210240";
}

void TSimDFe::OnAuthorised(TSimStore& s, const std::string& chNFe, const std::string& nfe) {
  const std::string dest = PartyOf(nfe, "dest");
  if (!dest.empty() && !SameParty(dest, PartyOf(nfe, "emit")))
    Add(s, dest, kResNFe, chNFe);
}

void TSimDFe::OnEvent(TSimStore& s, const TSimEvent& e) {
  const std::string nfe = Authorised(s, e.ChNFe);
  if (nfe.empty()) // an EPEC, or a manifestation of a document not authorised here: no one to tell
    return;
  const std::string issuer = PartyOf(nfe, "emit");
  std::string dest = PartyOf(nfe, "dest");
  if (SameParty(dest, issuer))
    dest.clear();
  if (SameParty(e.Author, dest) && ReleasesDocument(e.TpEvento) && !Has(s, dest, e.ChNFe, kProcNFe))
    Add(s, dest, kProcNFe, e.ChNFe);
  for (const std::string& party : {issuer, dest}) {
    if (party.empty() || SameParty(party, e.Author))
      continue;
    const bool resumo = party == dest && !Has(s, dest, e.ChNFe, kProcNFe);
    Add(s, party, resumo ? kResEvento : kProcEvento, e.ChNFe, e.Id);
  }
}

void TSimDFe::Backfill(TSimStore& s) {
  struct TItem {
    std::string when;
    int order; // an authorisation before the events of the same second
    std::string chave, nfe;
    TSimEvent event;
  };
  std::vector<TItem> items;
  TSimStatement auth = s.Prepare("SELECT dhrecbto, chave, nfe FROM authorisations ORDER BY rowid");
  while (auth.Step())
    items.push_back({auth.Text(0), 0, auth.Text(1), auth.Text(2), {}});
  TSimStatement events = s.Prepare("SELECT dh_reg, id, chave, tp_evento, author FROM events ORDER BY rowid");
  while (events.Step()) {
    TSimEvent e;
    e.Id = events.Text(1);
    e.ChNFe = events.Text(2);
    e.TpEvento = events.Text(3);
    e.Author = events.Text(4);
    items.push_back({events.Text(0), 1, e.ChNFe, {}, std::move(e)});
  }
  std::stable_sort(items.begin(), items.end(), [](const TItem& a, const TItem& b) {
    return a.when != b.when ? a.when < b.when : a.order < b.order;
  });
  for (const TItem& i : items) {
    if (i.order == 0)
      OnAuthorised(s, i.chave, i.nfe);
    else
      OnEvent(s, i.event);
  }
}

// ---- Queries ---------------------------------------------------------------------------------------------

std::int64_t TSimDFe::MaxNsu(const std::string& party) const {
  std::int64_t max = 0;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement q = s.Prepare("SELECT COALESCE(MAX(nsu), 0) FROM dfe_feed WHERE party = ?1");
    max = q.Bind({party}).Step() ? q.Int(0) : 0;
  });
  return max;
}

std::vector<TSimDFeEntry> TSimDFe::Entries(const std::string& party, std::int64_t ultNsu, int limit) const {
  std::vector<TSimDFeEntry> out;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement rows = s.Prepare("SELECT nsu, kind, chave, event_id FROM dfe_feed WHERE party = ?1 AND "
                                   "nsu > ?2 ORDER BY nsu LIMIT ?3");
    rows.Bind({party, ultNsu, std::int64_t{limit}});
    while (rows.Step())
      out.push_back({rows.Int(0), rows.Text(1), rows.Text(2), rows.Text(3)});
  });
  return out;
}

std::vector<TSimDFeDocument> TSimDFe::After(const std::string& party, std::int64_t ultNsu, int limit) const {
  std::vector<TSimDFeDocument> out;
  store_.Transaction([&](TSimStore& s) {
    for (const TSimDFeEntry& e : Entries(party, ultNsu, limit)) {
      out.push_back(Document(s, e.Kind, e.ChNFe, e.EventId));
      out.back().Nsu = e.Nsu;
    }
  });
  return out;
}

std::optional<TSimDFeDocument> TSimDFe::At(const std::string& party, std::int64_t nsu) const {
  const std::vector<TSimDFeDocument> one = After(party, nsu - 1, 1);
  if (one.empty() || one.front().Nsu != nsu)
    return std::nullopt;
  return one.front();
}

TSimDFe::TAcesso TSimDFe::PorChave(const std::string& party, const std::string& chNFe,
                                   TSimDFeDocument& out) const {
  TAcesso acesso = TAcesso::Desconhecida;
  store_.Transaction([&](TSimStore& s) {
    const std::string nfe = Authorised(s, chNFe);
    if (nfe.empty())
      return;
    const bool issuer = SameParty(party, PartyOf(nfe, "emit"));
    if (!issuer && !SameParty(party, PartyOf(nfe, "dest"))) {
      acesso = TAcesso::SemPermissao;
      return;
    }
    if (Cancelled(s, chNFe)) {
      acesso = TAcesso::Cancelada;
      return;
    }
    out = Document(s, issuer || Has(s, party, chNFe, kProcNFe) ? kProcNFe : kResNFe, chNFe, {});
    acesso = TAcesso::Documento;
  });
  return acesso;
}

// ---- The waiting rule ------------------------------------------------------------------------------------

std::int64_t TSimDFe::BlockedUntil(const std::string& party) const {
  std::int64_t until = 0;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement q = s.Prepare("SELECT blocked_until FROM dfe_parties WHERE party = ?1");
    until = q.Bind({party}).Step() ? q.Int(0) : 0;
  });
  return until;
}

void TSimDFe::Block(const std::string& party, std::int64_t until) {
  store_.Transaction([&](TSimStore& s) {
    s.Execute("INSERT INTO dfe_parties(party, blocked_until) VALUES(?1, ?2) "
              "ON CONFLICT(party) DO UPDATE SET blocked_until = excluded.blocked_until",
              {party, until});
  });
}

std::int64_t TSimDFe::LastAnswered(const std::string& party) const {
  std::int64_t ult = 0;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement q = s.Prepare("SELECT last_ult FROM dfe_parties WHERE party = ?1");
    ult = q.Bind({party}).Step() ? q.Int(0) : 0;
  });
  return ult;
}

void TSimDFe::Answered(const std::string& party, std::int64_t ultNsu) {
  store_.Transaction([&](TSimStore& s) {
    s.Execute("INSERT INTO dfe_parties(party, last_ult) VALUES(?1, ?2) "
              "ON CONFLICT(party) DO UPDATE SET last_ult = excluded.last_ult",
              {party, ultNsu});
  });
}

} // namespace vxn::sim
