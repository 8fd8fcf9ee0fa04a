// The registry of the declarations of documents issued in contingency (DPEC) that the national
// environment registered, kept in the server's store (SimStore.h): each signed envDPEC with the retDPEC
// it was answered with, by registration number, and the access keys it declared.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vxn::sim {

class TSimStore;

struct TSimDpecRegistro {
  std::string NRegDPEC;  // 15 digits
  std::string DhRegDPEC; // when it was registered
  std::string EnvDPEC;   // the signed envDPEC as received
  std::string RetDPEC;   // the retDPEC as answered
};

class TSimDpec {
public:
  explicit TSimDpec(TSimStore& store);

  // A new registration number: "91" (the national environment), the year's two digits and 11 digits.
  std::string NewNumber();
  // Registers a declaration and the keys it declares, all or nothing; false (nothing registered) when one
  // of the keys was declared before.
  bool Register(const TSimDpecRegistro& registro, const std::vector<std::string>& chaves);
  std::optional<TSimDpecRegistro> ByNumber(const std::string& nRegDPEC) const;
  std::optional<TSimDpecRegistro> ByKey(const std::string& chNFe) const;

private:
  TSimStore& store_;
  long long floor_;
};

} // namespace vxn::sim
