// The per-taxpayer feeds of the national distribution service (NFeDistribuicaoDFe), kept in the local
// server's store (SimStore.h). Each party (a CNPJ or CPF) has its own sequence of numbers (NSU), one per
// document it is given:
//   - the summary (resNFe) of every document authorised that names it as the recipient;
//   - the whole document (procNFe) once, after it manifested awareness, confirmation or "operation not
//     performed" (a manifestation of "operation not recognised" releases nothing);
//   - every event of a document it takes part in (as issuer or recipient) that another party sent: the
//     whole event (procEventoNFe), or its summary (resEvento) while a recipient has not manifested.
// The feed keeps what each number stands for, not the document: the documents are built when asked,
// from the authorisations and events the store holds, so a summary tells the document's situation at
// the time of the query (cSitNFe 3 once it is cancelled).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vxn::sim {

class TSimStore;
struct TSimEvent;

// One document of a party's feed, built.
struct TSimDFeDocument {
  std::int64_t Nsu = 0; // 0: given by key, without a number
  std::string Schema;   // "resNFe_v1.01.xsd", "procNFe_v4.00.xsd", ...
  std::string Xml;      // the document, without an XML declaration
};

// What one number of a feed stands for.
struct TSimDFeEntry {
  std::int64_t Nsu = 0;
  std::string Kind; // "resNFe", "procNFe", "resEvento" or "procEventoNFe"
  std::string ChNFe;
  std::string EventId; // of the event kinds
};

class TSimDFe {
public:
  explicit TSimDFe(TSimStore& store) : store_(store) {}

  // Whether a recipient's manifestation of this kind gives it the whole document.
  static bool ReleasesDocument(const std::string& tpEvento);

  // ---- Inside a transaction of the store, together with the change they follow -------------------------
  // A document was authorised: the recipient's summary.
  static void OnAuthorised(TSimStore& s, const std::string& chNFe, const std::string& nfe);
  // An event was registered: the recipient's whole document after its manifestation, and the event for
  // the other parties of the document.
  static void OnEvent(TSimStore& s, const TSimEvent& event);
  // The feeds of what the store held before it had feeds (a migration step), in the order it happened.
  static void Backfill(TSimStore& s);

  // ---- Queries
  // --------------------------------------------------------------------------------------------- The party's
  // highest number (0 for none).
  std::int64_t MaxNsu(const std::string& party) const;
  // At most `limit` documents after `ultNsu`, in order.
  std::vector<TSimDFeDocument> After(const std::string& party, std::int64_t ultNsu, int limit) const;
  // At most `limit` entries after `ultNsu`, in order (what the legacy destination query reads).
  std::vector<TSimDFeEntry> Entries(const std::string& party, std::int64_t ultNsu, int limit) const;
  // The document numbered `nsu`, if the party has it.
  std::optional<TSimDFeDocument> At(const std::string& party, std::int64_t nsu) const;

  enum class TAcesso { Desconhecida, SemPermissao, Cancelada, Documento };
  // A document by key as the party may have it: the whole document (the issuer, or the recipient after
  // its manifestation), or the summary (the recipient before it).
  TAcesso PorChave(const std::string& party, const std::string& chNFe, TSimDFeDocument& out) const;

  // ---- The waiting rule after "nothing found" (137) ------------------------------------------------------
  // Seconds (since the epoch) until which the party may not ask again; 0 when it may.
  std::int64_t BlockedUntil(const std::string& party) const;
  void Block(const std::string& party, std::int64_t until);
  // The ultNSU last answered to the party (told again in a refusal for asking too soon).
  std::int64_t LastAnswered(const std::string& party) const;
  void Answered(const std::string& party, std::int64_t ultNsu);

private:
  TSimStore& store_;
};

} // namespace vxn::sim
