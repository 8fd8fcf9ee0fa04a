#include "sefaz-sim/SimLots.h"

#include "sefaz-sim/SimDFe.h"
#include "sefaz-sim/SimStore.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace vxn::sim {

namespace {

std::string Digits(long long value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*lld", width, value);
  return buf;
}

std::string TwoDigitYear() {
  const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  gmtime_r(&t, &tm);
  return Digits(tm.tm_year % 100, 2);
}

constexpr int kReceiptDigits = 13;
constexpr int kProtocolDigits = 10;
constexpr long long kReceiptModulus = 10'000'000'000'000;
constexpr long long kProtocolModulus = 10'000'000'000;

// Milliseconds since the epoch, kept to the last digits of a sequence. 13 digits wrap every 317 years,
// 10 digits every 115 days: far longer than a homologation server lives.
long long ClockSeed(long long modulus) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  const long long seed = ms.count() % modulus;
  return seed == 0 ? 1 : seed;
}

} // namespace

TSimLots::TSimLots(TSimStore& store)
    : store_(store), receiptFloor_(ClockSeed(kReceiptModulus)), protocolFloor_(ClockSeed(kProtocolModulus)) {}

void TSimLots::Atomically(const std::function<void()>& work) {
  store_.Transaction([&](TSimStore&) { work(); });
}

void TSimLots::SetQueriesInProcessing(int count) {
  queriesInProcessing_ = count < 0 ? 0 : count;
}

int TSimLots::QueriesInProcessing() const {
  return queriesInProcessing_;
}

std::string TSimLots::NewReceipt(std::string_view cUF) {
  return std::string(cUF.size() == 2 ? cUF : "35") +
         Digits(store_.TakeNext("receipt", receiptFloor_, kReceiptModulus), kReceiptDigits);
}

std::string TSimLots::NewProtocol(std::string_view cUF) {
  // tpAmb 2: this server is a homologation environment.
  return "2" + std::string(cUF.size() == 2 ? cUF : "35") + TwoDigitYear() +
         Digits(store_.TakeNext("protocol", protocolFloor_, kProtocolModulus), kProtocolDigits);
}

std::optional<TSimAuthorisation> TSimLots::Authorised(const std::string& chNFe) const {
  std::optional<TSimAuthorisation> found;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement q = s.Prepare("SELECT nprot, dhrecbto, prot_nfe, nfe FROM authorisations WHERE chave = ?1");
    if (q.Bind({chNFe}).Step())
      found = TSimAuthorisation{q.Text(0), q.Text(1), q.Text(2), q.Text(3)};
  });
  return found;
}

bool TSimLots::Authorise(const std::string& chNFe, const TSimAuthorisation& a) {
  bool inserted = false;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement q = s.Prepare("INSERT INTO authorisations(chave, nprot, dhrecbto, prot_nfe, nfe) "
                                "VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(chave) DO NOTHING");
    q.Bind({chNFe, a.NProt, a.DhRecbto, a.ProtNFe, a.NFe}).Run();
    TSimStatement changes = s.Prepare("SELECT changes()");
    inserted = changes.Step() && changes.Int(0) == 1;
    // The recipient hears of the document through the distribution service from now on.
    if (inserted)
      TSimDFe::OnAuthorised(s, chNFe, a.NFe);
  });
  return inserted;
}

int TSimLots::Invalidate(const TSimNumberRange& range) {
  int cStat = 0;
  store_.Transaction([&](TSimStore& s) {
    // An access key: cUF(2) AAMM(4) issuer(14) mod(2) serie(3) nNF(9) ...
    TSimStatement used = s.Prepare(
        "SELECT 1 FROM authorisations WHERE substr(chave, 7, 14) = ?1 AND CAST(substr(chave, 21, 2) AS "
        "INTEGER) "
        "= ?2 AND CAST(substr(chave, 23, 3) AS INTEGER) = ?3 AND CAST(substr(chave, 26, 9) AS INTEGER) "
        "BETWEEN ?4 AND ?5 LIMIT 1");
    if (used.Bind({range.Issuer, std::int64_t{range.Mod}, std::int64_t{range.Serie},
                   std::int64_t{range.First}, std::int64_t{range.Last}})
            .Step()) {
      cStat = 241;
      return;
    }
    TSimStatement overlap = s.Prepare("SELECT 1 FROM invalidations WHERE issuer = ?1 AND model = ?2 AND "
                                      "serie = ?3 AND first <= ?5 AND ?4 <= last LIMIT 1");
    if (overlap
            .Bind({range.Issuer, std::int64_t{range.Mod}, std::int64_t{range.Serie},
                   std::int64_t{range.First}, std::int64_t{range.Last}})
            .Step()) {
      cStat = 256;
      return;
    }
    s.Execute("INSERT INTO invalidations(issuer, model, serie, first, last) VALUES(?1, ?2, ?3, ?4, ?5)",
              {range.Issuer, std::int64_t{range.Mod}, std::int64_t{range.Serie}, std::int64_t{range.First},
               std::int64_t{range.Last}});
  });
  return cStat;
}

void TSimLots::Store(const std::string& nRec, std::string cUF, std::vector<std::string> protocols) {
  store_.Transaction([&](TSimStore& s) {
    s.Execute("INSERT OR REPLACE INTO lots(nrec, cuf, queries) VALUES(?1, ?2, 0)", {nRec, cUF});
    s.Execute("DELETE FROM lot_protocols WHERE nrec = ?1", {nRec});
    TSimStatement add = s.Prepare("INSERT INTO lot_protocols(nrec, position, prot_nfe) VALUES(?1, ?2, ?3)");
    for (std::size_t i = 0; i < protocols.size(); ++i)
      add.Bind({nRec, static_cast<std::int64_t>(i), protocols[i]}).Run();
  });
}

TSimLots::TQuery TSimLots::Query(const std::string& nRec) {
  TQuery result;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement lot = s.Prepare("SELECT cuf, queries FROM lots WHERE nrec = ?1");
    if (!lot.Bind({nRec}).Step())
      return;
    result.Found = true;
    result.CUF = lot.Text(0);
    result.Processing = lot.Int(1) < queriesInProcessing_;
    s.Execute("UPDATE lots SET queries = queries + 1 WHERE nrec = ?1", {nRec});
    if (result.Processing)
      return;
    TSimStatement protocols =
        s.Prepare("SELECT prot_nfe FROM lot_protocols WHERE nrec = ?1 ORDER BY position");
    protocols.Bind({nRec});
    while (protocols.Step())
      result.Protocols.push_back(protocols.Text(0));
  });
  return result;
}

} // namespace vxn::sim
