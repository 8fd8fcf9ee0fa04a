#include "sefaz-sim/SimParties.h"

#include "sefaz-sim/SimReplies.h"

namespace vxn::sim {

namespace {

std::string LeftPad14(const std::string& s) {
  return s.size() >= 14 ? s : std::string(14 - s.size(), '0') + s;
}

} // namespace

std::string PartyOf(const std::string& nfe, const char* group) {
  const std::string g = ElementText(nfe, group);
  const std::string cnpj = ElementText(g, "CNPJ");
  return cnpj.empty() ? ElementText(g, "CPF") : cnpj;
}

bool SameParty(const std::string& a, const std::string& b) {
  return !a.empty() && !b.empty() && LeftPad14(a) == LeftPad14(b);
}

bool SameCompany(std::string_view a, std::string_view b) {
  return a.size() == 14 && b.size() == 14 && a.substr(0, 8) == b.substr(0, 8);
}

} // namespace vxn::sim
