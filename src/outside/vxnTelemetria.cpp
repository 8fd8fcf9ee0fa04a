#include "vxnTelemetria.h"

namespace vxn {

void TvxnTelemetria::SetSink(Sink sink) {
  std::shared_ptr<const Sink> next = sink ? std::make_shared<const Sink>(std::move(sink)) : nullptr;
  std::lock_guard lock(mutex_);
  sink_ = std::move(next);
}

bool TvxnTelemetria::HasSink() const {
  std::lock_guard lock(mutex_);
  return sink_ != nullptr;
}

void TvxnTelemetria::SetEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  enabled_ = enabled;
}

bool TvxnTelemetria::IsEnabled() const {
  std::lock_guard lock(mutex_);
  return enabled_;
}

void TvxnTelemetria::SetOnSinkFailure(FailureHook hook) {
  std::shared_ptr<const FailureHook> next =
      hook ? std::make_shared<const FailureHook>(std::move(hook)) : nullptr;
  std::lock_guard lock(mutex_);
  onFailure_ = std::move(next);
}

void TvxnTelemetria::Evento(TvxnTelemetriaEvento evento) const noexcept {
  std::shared_ptr<const Sink> sink;
  std::shared_ptr<const FailureHook> onFailure;
  {
    std::lock_guard lock(mutex_);
    if (!enabled_)
      return;
    sink = sink_;
    onFailure = onFailure_;
  }
  if (!sink)
    return;
  // Telemetry must never change what the operation being reported does: a failure of the sink is told
  // to the failure hook, whose own failure is dropped.
  std::string motivo;
  try {
    if (evento.Quando == std::chrono::system_clock::time_point{})
      evento.Quando = std::chrono::system_clock::now();
    (*sink)(evento);
    return;
  } catch (const std::exception& e) {
    motivo = e.what();
  } catch (...) {
    motivo = "exceção desconhecida";
  }
  if (!onFailure)
    return;
  try {
    (*onFailure)(evento.Operacao, motivo);
  } catch (...) {
  }
}

void TvxnTelemetria::Ping(std::string_view operacao) const noexcept {
  try {
    TvxnTelemetriaEvento e;
    e.Tipo = TvxnTelemetriaTipo::Ping;
    e.Operacao = operacao;
    Evento(std::move(e));
  } catch (...) {
  }
}

void TvxnTelemetria::Tempo(std::string_view operacao, std::string_view detalhe,
                           long long duracaoMs) const noexcept {
  try {
    TvxnTelemetriaEvento e;
    e.Tipo = TvxnTelemetriaTipo::Tempo;
    e.Operacao = operacao;
    e.Detalhe = detalhe;
    e.DuracaoMs = duracaoMs;
    Evento(std::move(e));
  } catch (...) {
  }
}

void TvxnTelemetria::Resultado(std::string_view operacao, std::string_view codigo,
                               std::string_view mensagem) const noexcept {
  try {
    TvxnTelemetriaEvento e;
    e.Tipo = TvxnTelemetriaTipo::Resultado;
    e.Operacao = operacao;
    e.Codigo = codigo;
    e.Mensagem = mensagem;
    Evento(std::move(e));
  } catch (...) {
  }
}

void TvxnTelemetria::Excecao(std::string_view operacao, std::string_view classe,
                             std::string_view mensagem) const noexcept {
  try {
    TvxnTelemetriaEvento e;
    e.Tipo = TvxnTelemetriaTipo::Excecao;
    e.Operacao = operacao;
    e.Classe = classe;
    e.Mensagem = mensagem;
    Evento(std::move(e));
  } catch (...) {
  }
}

} // namespace vxn
