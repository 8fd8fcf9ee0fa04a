// TvxnTelemetria: the telemetry client of the base library.
//
// The component reports operation names, timings, communication results and exceptions to it. By
// default nothing happens with them; a host that wants them sets a sink. Nothing is ever sent over
// the network from here, and reporting never throws into the caller: a failing sink is told to the
// failure hook (the component writes it to its error log) and goes no further.
// The object belongs to its owner (each component has one), so there is no process-wide client.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace vxn {

enum class TvxnTelemetriaTipo {
  Ping,      // an operation was called
  Tempo,     // how long something took (DuracaoMs)
  Resultado, // the outcome of a communication (Codigo = cStat, Mensagem = xMotivo)
  Excecao,   // an exception left an operation (Classe, Mensagem)
};

struct TvxnTelemetriaEvento {
  TvxnTelemetriaTipo Tipo = TvxnTelemetriaTipo::Ping;
  std::string Operacao;
  std::string Detalhe;  // what was timed ("SEFAZ"), or other context
  std::string Classe;   // exception class
  std::string Codigo;   // result code
  std::string Mensagem; // exception message or result text
  long long DuracaoMs = 0;
  std::chrono::system_clock::time_point Quando{};
};

class TvxnTelemetria {
public:
  using Sink = std::function<void(const TvxnTelemetriaEvento&)>;
  // Hears of a sink that failed: the operation being reported and what the sink raised.
  using FailureHook = std::function<void(std::string_view operacao, std::string_view motivo)>;

  // An empty sink turns reporting off (the default).
  void SetSink(Sink sink);
  bool HasSink() const;
  // A disabled client hands nothing to its sink (the component follows its DiagnosticMode). Enabled
  // by default.
  void SetEnabled(bool enabled);
  bool IsEnabled() const;
  void SetOnSinkFailure(FailureHook hook);

  // Hands the event, stamped with the current time when it has none, to the sink.
  void Evento(TvxnTelemetriaEvento evento) const noexcept;

  void Ping(std::string_view operacao) const noexcept;
  void Tempo(std::string_view operacao, std::string_view detalhe, long long duracaoMs) const noexcept;
  void Resultado(std::string_view operacao, std::string_view codigo,
                 std::string_view mensagem) const noexcept;
  void Excecao(std::string_view operacao, std::string_view classe, std::string_view mensagem) const noexcept;

private:
  mutable std::mutex mutex_;
  std::shared_ptr<const Sink> sink_;
  std::shared_ptr<const FailureHook> onFailure_;
  bool enabled_ = true;
};

} // namespace vxn
