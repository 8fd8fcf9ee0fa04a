// One operation of the component as telemetry sees it.
#pragma once

#include "vxnNFeException.h"
#include "vxnTelemetria.h"

#include <exception>
#include <string_view>

namespace vxn {

// The ping first, then the body; an exception that leaves the body is reported (its class and message)
// and goes on to the caller unchanged. Returns what the body returns.
template <class F> auto ComTelemetria(TvxnTelemetria& t, std::string_view operacao, F&& corpo) {
  t.Ping(operacao);
  try {
    return corpo();
  } catch (const EvxnException& e) {
    t.Excecao(operacao, e.ClassName(), e.Message());
    throw;
  } catch (const std::exception& e) {
    t.Excecao(operacao, "std::exception", e.what());
    throw;
  }
}

} // namespace vxn
