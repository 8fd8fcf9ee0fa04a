#include "sefaz-sim/SimLots.h"

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

// The current number of a sequence; the sequence moves on, skipping 0 when it wraps.
long long TakeNext(long long& next, long long modulus) {
  const long long taken = next;
  next = next + 1 < modulus ? next + 1 : 1;
  return taken;
}

} // namespace

TSimLots::TSimLots() : nextReceipt_(ClockSeed(kReceiptModulus)), nextProtocol_(ClockSeed(kProtocolModulus)) {}

void TSimLots::SetQueriesInProcessing(int count) {
  std::lock_guard lock(mutex_);
  queriesInProcessing_ = count < 0 ? 0 : count;
}

int TSimLots::QueriesInProcessing() const {
  std::lock_guard lock(mutex_);
  return queriesInProcessing_;
}

std::string TSimLots::NewReceipt(std::string_view cUF) {
  std::lock_guard lock(mutex_);
  return std::string(cUF.size() == 2 ? cUF : "35") +
         Digits(TakeNext(nextReceipt_, kReceiptModulus), kReceiptDigits);
}

std::string TSimLots::NewProtocol(std::string_view cUF) {
  std::lock_guard lock(mutex_);
  // tpAmb 2: this server is a homologation environment.
  return "2" + std::string(cUF.size() == 2 ? cUF : "35") + TwoDigitYear() +
         Digits(TakeNext(nextProtocol_, kProtocolModulus), kProtocolDigits);
}

std::optional<TSimAuthorisation> TSimLots::Authorised(const std::string& chNFe) const {
  std::lock_guard lock(mutex_);
  if (auto it = authorised_.find(chNFe); it != authorised_.end())
    return it->second;
  return std::nullopt;
}

bool TSimLots::Authorise(const std::string& chNFe, const TSimAuthorisation& authorisation) {
  std::lock_guard lock(mutex_);
  return authorised_.emplace(chNFe, authorisation).second;
}

int TSimLots::Invalidate(const TSimNumberRange& range) {
  auto sameSeries = [&range](std::string_view issuer, int mod, int serie) {
    return issuer == range.Issuer && mod == range.Mod && serie == range.Serie;
  };
  std::lock_guard lock(mutex_);
  // An access key: cUF(2) AAMM(4) issuer(14) mod(2) serie(3) nNF(9) ...
  for (const auto& [key, authorisation] : authorised_) {
    const std::string_view k = key;
    const long long nNF = std::stoll(std::string(k.substr(25, 9)));
    if (sameSeries(k.substr(6, 14), std::stoi(std::string(k.substr(20, 2))),
                   std::stoi(std::string(k.substr(22, 3)))) &&
        nNF >= range.First && nNF <= range.Last)
      return 241;
  }
  for (const TSimNumberRange& r : invalidated_)
    if (sameSeries(r.Issuer, r.Mod, r.Serie) && r.First <= range.Last && range.First <= r.Last)
      return 256;
  invalidated_.push_back(range);
  return 0;
}

void TSimLots::Store(const std::string& nRec, std::string cUF, std::vector<std::string> protocols) {
  std::lock_guard lock(mutex_);
  lots_[nRec] = TLot{std::move(cUF), std::move(protocols), 0};
}

TSimLots::TQuery TSimLots::Query(const std::string& nRec) {
  std::lock_guard lock(mutex_);
  auto it = lots_.find(nRec);
  if (it == lots_.end())
    return {};
  TLot& lot = it->second;
  const bool processing = lot.queries < queriesInProcessing_;
  ++lot.queries;
  return TQuery{true, processing, lot.cUF, processing ? std::vector<std::string>{} : lot.protocols};
}

} // namespace vxn::sim
