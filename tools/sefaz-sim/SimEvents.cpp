#include "sefaz-sim/SimEvents.h"

#include "sefaz-sim/SimDFe.h"
#include "sefaz-sim/SimStore.h"

namespace vxn::sim {

namespace {

constexpr const char* kColumns =
    "id, chave, tp_evento, n_seq, author, nprot, dh_reg, c_stat, evento, ret_evento FROM events ";

TSimEvent Read(const TSimStatement& q) {
  return TSimEvent{q.Text(0), q.Text(1), q.Text(2), static_cast<int>(q.Int(3)),
                   q.Text(4), q.Text(5), q.Text(6), static_cast<int>(q.Int(7)),
                   q.Text(8), q.Text(9)};
}

} // namespace

std::optional<TSimEvent> TSimEvents::Find(const std::string& id) const {
  std::optional<TSimEvent> found;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement q = s.Prepare(std::string("SELECT ") + kColumns + "WHERE id = ?1");
    if (q.Bind({id}).Step())
      found = Read(q);
  });
  return found;
}

bool TSimEvents::Register(const TSimEvent& e) {
  bool inserted = false;
  store_.Transaction([&](TSimStore& s) {
    s.Execute(
        "INSERT INTO events(id, chave, tp_evento, n_seq, author, nprot, dh_reg, c_stat, evento, ret_evento) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10) ON CONFLICT(id) DO NOTHING",
        {e.Id, e.ChNFe, e.TpEvento, std::int64_t{e.NSeqEvento}, e.Author, e.NProt, e.DhRegEvento,
         std::int64_t{e.CStat}, e.Evento, e.RetEvento});
    TSimStatement changes = s.Prepare("SELECT changes()");
    inserted = changes.Step() && changes.Int(0) == 1;
    // The other parties of the document hear of the event through the distribution service.
    if (inserted)
      TSimDFe::OnEvent(s, e);
  });
  return inserted;
}

std::vector<TSimEvent> TSimEvents::OfKey(const std::string& chNFe) const {
  std::vector<TSimEvent> events;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement q = s.Prepare(std::string("SELECT ") + kColumns + "WHERE chave = ?1 ORDER BY rowid");
    q.Bind({chNFe});
    while (q.Step())
      events.push_back(Read(q));
  });
  return events;
}

std::optional<TSimEvent> TSimEvents::Cancellation(const std::string& chNFe) const {
  for (const TSimEvent& e : OfKey(chNFe))
    if (e.TpEvento == "110111" || e.TpEvento == "110112")
      return e;
  return std::nullopt;
}

} // namespace vxn::sim
