#include "sefaz-sim/SimTaxpayers.h"

#include "vxnText.h"

namespace vxn::sim {

void TSimTaxpayers::Add(TSimTaxpayer taxpayer) {
  std::lock_guard lock(mutex_);
  taxpayers_.push_back(std::move(taxpayer));
}

std::optional<TSimTaxpayer> TSimTaxpayers::Find(std::string_view uf, std::string_view kind,
                                                std::string_view number) const {
  std::lock_guard lock(mutex_);
  for (const TSimTaxpayer& t : taxpayers_) {
    const std::string& document = kind == "CNPJ" ? t.CNPJ : kind == "CPF" ? t.CPF : t.IE;
    if (SameText(t.UF, uf) && !document.empty() && document == number)
      return t;
  }
  return std::nullopt;
}

} // namespace vxn::sim
