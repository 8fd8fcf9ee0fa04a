// The taxpayer registry the local server answers taxpayer queries from. Empty when the server starts;
// tests and the host fill it. Shared by the request threads.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxn::sim {

// One registration of a taxpayer in a state, with the fields of the reply's infCad.
struct TSimTaxpayer {
  std::string UF;   // state of the registration ("SP")
  std::string IE;   // state registration
  std::string CNPJ; // a company's; "" for a person
  std::string CPF;  // a person's; "" for a company
  std::string XNome;
  std::string CSit = "1";                          // 1: enabled
  std::string IndCredNFe = "1";                    // 1: issues NF-e
  std::string IndCredCTe = "4";                    // 4: not asked
  std::string XRegApur;                            // tax regime text, optional
  std::string CNAE;                                // optional
  std::string XLgr, Nro, XBairro, CMun, XMun, CEP; // address; left out when XLgr is empty
};

class TSimTaxpayers {
public:
  void Add(TSimTaxpayer taxpayer);
  // The registration in `uf` whose document of the kind ("CNPJ", "CPF" or "IE") is `number`.
  std::optional<TSimTaxpayer> Find(std::string_view uf, std::string_view kind, std::string_view number) const;

private:
  mutable std::mutex mutex_;
  std::vector<TSimTaxpayer> taxpayers_;
};

} // namespace vxn::sim
