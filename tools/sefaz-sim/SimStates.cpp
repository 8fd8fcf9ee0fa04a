#include "sefaz-sim/SimStates.h"

#include "vxnNFeType.h"

#include <algorithm>
#include <array>

namespace vxn::sim {

namespace {

// The states whose contingency authoriser is SVC-RS; every other state falls back to SVC-AN.
constexpr std::array<std::string_view, 8> kSvcrsStates{"AM", "BA", "GO", "MA", "MS", "MT", "PE", "PR"};

bool ServedBySvcrs(std::string_view uf) {
  return std::find(kSvcrsStates.begin(), kSvcrsStates.end(), uf) != kSvcrsStates.end();
}

std::string_view UfDoCodigo(std::string_view cUF) {
  for (const auto& [uf, code] : kUFTable)
    if (code == cUF)
      return uf;
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
  for (const auto& [uf, code] : kUFTable)
    if (uf == section)
      return std::string(code);
  return {};
}

bool TSimStates::Serves(std::string_view section, std::string_view cUF) const {
  const std::string_view uf = UfDoCodigo(cUF);
  if (uf.empty())
    return false;
  if (section == "SVCAN")
    return uf != "AN" && !ServedBySvcrs(uf);
  if (section == "SVCRS")
    return ServedBySvcrs(uf);
  return section == uf;
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
