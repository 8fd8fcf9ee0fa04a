// The registry of the events the local server accepted, kept in its store (SimStore.h): every accepted
// evento with the retEvento it was answered with, by identifier and by access key. The document query
// reads it to answer 101 after a cancellation and to list a document's events.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vxn::sim {

class TSimStore;

struct TSimEvent {
  std::string Id; // "ID" + tpEvento + chNFe + nSeqEvento (two digits)
  std::string ChNFe;
  std::string TpEvento;
  int NSeqEvento = 0;
  std::string Author; // CNPJ or CPF of the author
  std::string NProt;
  std::string DhRegEvento;
  int CStat = 0;
  std::string Evento;    // the signed evento element as received
  std::string RetEvento; // the signed retEvento element as answered
};

class TSimEvents {
public:
  explicit TSimEvents(TSimStore& store) : store_(store) {}

  std::optional<TSimEvent> Find(const std::string& id) const;
  // Registers an accepted event; false (nothing registered) when its identifier is registered already.
  bool Register(const TSimEvent& event);
  // The events of a key, in the order they were registered.
  std::vector<TSimEvent> OfKey(const std::string& chNFe) const;
  // The accepted cancellation of a key (110111 or 110112), if any.
  std::optional<TSimEvent> Cancellation(const std::string& chNFe) const;

private:
  TSimStore& store_;
};

} // namespace vxn::sim
