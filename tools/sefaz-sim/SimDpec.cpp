#include "sefaz-sim/SimDpec.h"

#include "sefaz-sim/SimStore.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace vxn::sim {

namespace {

constexpr long long kModulus = 100'000'000'000; // 11 digits

std::string Digits(long long value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*lld", width, value);
  return buf;
}

// Seconds since the epoch, kept to the sequence's digits: a restarted server does not hand out a number
// it gave before.
long long ClockSeed() {
  const auto s =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch());
  const long long seed = s.count() % kModulus;
  return seed == 0 ? 1 : seed;
}

constexpr const char* kColumns = "SELECT d.nreg, d.dh_reg, d.env_dpec, d.ret_dpec FROM dpec d ";

TSimDpecRegistro Read(const TSimStatement& q) {
  return TSimDpecRegistro{q.Text(0), q.Text(1), q.Text(2), q.Text(3)};
}

} // namespace

TSimDpec::TSimDpec(TSimStore& store) : store_(store), floor_(ClockSeed()) {}

std::string TSimDpec::NewNumber() {
  const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  gmtime_r(&t, &tm);
  return "91" + Digits(tm.tm_year % 100, 2) + Digits(store_.TakeNext("dpec", floor_, kModulus), 11);
}

bool TSimDpec::Register(const TSimDpecRegistro& r, const std::vector<std::string>& chaves) {
  bool registered = true;
  store_.Transaction([&](TSimStore& s) {
    for (const std::string& chave : chaves) {
      TSimStatement q = s.Prepare("SELECT 1 FROM dpec_keys WHERE chave = ?1");
      if (q.Bind({chave}).Step()) {
        registered = false;
        return;
      }
    }
    s.Execute("INSERT INTO dpec(nreg, dh_reg, env_dpec, ret_dpec) VALUES(?1, ?2, ?3, ?4)",
              {r.NRegDPEC, r.DhRegDPEC, r.EnvDPEC, r.RetDPEC});
    for (const std::string& chave : chaves)
      s.Execute("INSERT INTO dpec_keys(chave, nreg) VALUES(?1, ?2)", {chave, r.NRegDPEC});
  });
  return registered;
}

std::optional<TSimDpecRegistro> TSimDpec::ByNumber(const std::string& nRegDPEC) const {
  std::optional<TSimDpecRegistro> found;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement q = s.Prepare(std::string(kColumns) + "WHERE d.nreg = ?1");
    if (q.Bind({nRegDPEC}).Step())
      found = Read(q);
  });
  return found;
}

std::optional<TSimDpecRegistro> TSimDpec::ByKey(const std::string& chNFe) const {
  std::optional<TSimDpecRegistro> found;
  store_.Transaction([&](TSimStore& s) {
    TSimStatement q =
        s.Prepare(std::string(kColumns) + "JOIN dpec_keys k ON k.nreg = d.nreg WHERE k.chave = ?1");
    if (q.Bind({chNFe}).Step())
      found = Read(q);
  });
  return found;
}

} // namespace vxn::sim
