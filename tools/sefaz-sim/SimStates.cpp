#include "sefaz-sim/SimStates.h"

#include "contingency/vxnContingenciaSVC.h"
#include "vxnNFeType.h"

#include <algorithm>

namespace vxn::sim {

namespace {

std::string_view UfDoCodigo(std::string_view cUF) {
  for (const auto& [uf, code] : kUFTable)
    if (code == cUF)
      return uf;
  return {};
}

std::string_view CodeOfState(std::string_view uf) {
  for (const auto& [sigla, code] : kUFTable)
    if (sigla == uf)
      return code;
  return {};
}

} // namespace

TSimStates::TSimStates() {
  for (const auto& [uf, code] : kUFTable)
    sections_.emplace_back(uf);
  sections_.emplace_back("SVCAN");
  sections_.emplace_back("SVCRS");
}

bool TSimStates::IsSection(std::string_view section) const {
  return std::find(sections_.begin(), sections_.end(), section) != sections_.end();
}

std::string TSimStates::CodeOf(std::string_view section) const {
  return std::string(CodeOfState(section));
}

bool TSimStates::Serves(std::string_view section, std::string_view cUF) const {
  const std::string_view uf = UfDoCodigo(cUF);
  if (uf.empty())
    return false;
  if (IsContingency(section))
    return uf != "AN" && ModoOperacaoToString(ModoSVCDaUF(uf)) == section;
  return section == uf;
}

bool TSimStates::IsState(std::string_view uf) {
  return uf != "AN" && !CodeOfState(uf).empty();
}

bool TSimStates::IsContingency(std::string_view section) {
  return section == "SVCAN" || section == "SVCRS";
}

std::string TSimStates::UfOfCode(std::string_view cUF) {
  return std::string(UfDoCodigo(cUF));
}

std::string TSimStates::ReplyCode(std::string_view section, std::string_view requestCUF) const {
  if (section != "AN") {
    if (std::string own = CodeOf(section); !own.empty())
      return own;
  }
  const std::string_view uf = UfDoCodigo(requestCUF);
  if (!uf.empty() && uf != "AN")
    return std::string(requestCUF);
  return section == "SVCRS" ? "43" : "53";
}

} // namespace vxn::sim
