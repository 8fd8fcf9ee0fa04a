// The national contingency authorisers (SVC-AN, run by the federal revenue, and SVC-RS, run by Rio Grande
// do Sul) and the states each one stands in for when a state's own authoriser cannot authorise.
#pragma once

#include "vxnNFeType.h"

#include <string_view>

namespace vxn {

// The operating mode whose contingency authoriser serves the state ("SP", any case): moSVCRS for AM, BA,
// GO, MA, MS, MT, PE and PR, moSVCAN for the other states. The national environment "AN", or a text that
// is no state, raises EvxnNFeModoOperacaoException "A UF %s não possui Sefaz Virtual de Contingência.".
TModoOperacao ModoSVCDaUF(std::string_view uf);

// The issue type (tpEmis) a document sent in the mode carries: "1" normal, "6" SVC-AN, "7" SVC-RS,
// "4" EPEC.
std::string_view TpEmisDoModo(TModoOperacao modo);

} // namespace vxn
