// What the local server remembers between requests: the lots it received, by receipt number, with the
// protocols of their documents, every access key it authorised and every range of numbers it
// invalidated. Kept in the server's store (SimStore.h), so it survives a restart when the server has a
// data folder. Shared by the request threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vxn::sim {

// An authorisation already granted to an access key.
struct TSimAuthorisation {
  std::string NProt;
  std::string DhRecbto;
  std::string ProtNFe; // the protNFe element the authorisation was answered with
  std::string NFe;     // the signed NFe document as received
};

// A range of numbers of one issuer's series: what an invalidation asks for.
struct TSimNumberRange {
  std::string Issuer; // CNPJ, or CPF left-padded with zeros to 14 digits (as in the access key)
  int Mod = 0;
  int Serie = 0;
  long long First = 0;
  long long Last = 0;
};

class TSimStore;

class TSimLots {
public:
  // Receipt and protocol sequences start from the clock, so a server started again (the embedded
  // server of `nfe` starts with every run) never hands out a number it gave before: the client names
  // its log files after them, and a real authority never repeats one.
  explicit TSimLots(TSimStore& store);

  // Runs `work` in one transaction of the store: the authorisations, numbers and lots it records are
  // kept together or not at all.
  void Atomically(const std::function<void()>& work);

  // How many receipt queries of a lot answer 105 (in processing) before the lot answers 104.
  void SetQueriesInProcessing(int count);
  int QueriesInProcessing() const;

  // A new 15-digit receipt number: the state code, then a sequence.
  std::string NewReceipt(std::string_view cUF);
  // A new 15-digit protocol number: the environment, the state code, the year, then a sequence.
  std::string NewProtocol(std::string_view cUF);

  // The first authorisation of an access key, if any.
  std::optional<TSimAuthorisation> Authorised(const std::string& chNFe) const;
  // Records the authorisation of an access key; false (and nothing recorded) when it already had one,
  // so that two lots racing with the same key cannot both be authorised.
  bool Authorise(const std::string& chNFe, const TSimAuthorisation& authorisation);

  // Records the invalidation of a range: 0 when granted; 241 when a number of it was authorised, 256
  // when one was invalidated before (nothing recorded then).
  int Invalidate(const TSimNumberRange& range);

  // Stores the protNFe elements of a received lot under its receipt.
  void Store(const std::string& nRec, std::string cUF, std::vector<std::string> protocols);
  struct TQuery {
    bool Found = false;
    bool Processing = false;
    std::string CUF;
    std::vector<std::string> Protocols;
  };
  // One receipt query: counts it and says whether the lot is still in processing.
  TQuery Query(const std::string& nRec);

private:
  TSimStore& store_;
  std::atomic<int> queriesInProcessing_{0};
  // Where the sequences start when the store has given fewer numbers: the clock at start-up.
  std::int64_t receiptFloor_;
  std::int64_t protocolFloor_;
};

} // namespace vxn::sim
