#include "contingency/vxnContingenciaSVC.h"

#include "vxnNFeException.h"
#include "vxnText.h"

#include <algorithm>
#include <array>

namespace vxn {

namespace {

// The states whose contingency authoriser is SVC-RS, as the national portal lists them; every other
// state falls back to SVC-AN.
constexpr std::array<std::string_view, 8> kEstadosSVCRS{"AM", "BA", "GO", "MA", "MS", "MT", "PE", "PR"};

bool EhEstado(std::string_view uf) {
  return uf != "AN" &&
         std::any_of(kUFTable.begin(), kUFTable.end(), [uf](const auto& e) { return e.first == uf; });
}

} // namespace

TModoOperacao ModoSVCDaUF(std::string_view uf) {
  const std::string sigla = AsciiUpper(uf);
  if (!EhEstado(sigla))
    throw EvxnNFeModoOperacaoException("A UF %s não possui Sefaz Virtual de Contingência.", {uf});
  return std::find(kEstadosSVCRS.begin(), kEstadosSVCRS.end(), sigla) != kEstadosSVCRS.end() ? moSVCRS
                                                                                             : moSVCAN;
}

std::string_view TpEmisDoModo(TModoOperacao modo) {
  switch (modo) {
  case moSVCAN:
    return "6";
  case moSVCRS:
    return "7";
  case moEPEC:
    return "4";
  case moNormal:
    break;
  }
  return "1";
}

} // namespace vxn
