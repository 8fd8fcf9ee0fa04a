#include "vxnValidadorClientX.h"

#include "auditor/vxnValidadorLocal.h"

#include <mutex>

namespace vxn {

namespace {

// Creation and destruction of controls, in every adapter of the process, one at a time: the control
// may keep state of its own that is not safe to set up or tear down concurrently.
std::mutex& TravaDosControles() {
  static std::mutex trava;
  return trava;
}

std::int16_t Booleano16(bool v) {
  return v ? kVerdadeiro16 : kFalso16;
}

} // namespace

TvxnValidadorClientX::TvxnValidadorClientX()
    : TvxnValidadorClientX([] { return std::make_unique<TvxnValidadorLocal>(); }) {}

TvxnValidadorClientX::TvxnValidadorClientX(TFabrica fabrica) : fabrica_(std::move(fabrica)) {}

TvxnValidadorClientX::~TvxnValidadorClientX() {
  const std::lock_guard trava(TravaDosControles());
  controle_.reset();
}

const std::string& TvxnValidadorClientX::GetServidor() {
  if (servidor_.empty())
    servidor_ = kServidorPadrao;
  return servidor_;
}

TvxnValidadorControle& TvxnValidadorClientX::Controle() {
  if (!controle_) {
    const std::lock_guard trava(TravaDosControles());
    controle_ = fabrica_();
  }
  EnviarPropriedades();
  return *controle_;
}

void TvxnValidadorClientX::EnviarPropriedades() {
  namespace id = idValidador;
  TvxnValidadorControle& c = *controle_;
  c.SetProperty(id::Senha, senha_);
  c.SetProperty(id::Login, login_);
  c.SetProperty(id::Servidor, servidor_); // as stored: the default address is not forced on the control
  c.SetProperty(id::ExibirRegrasValidacao, Booleano16(exibirRegrasValidacao_));
  c.SetProperty(id::AtualizarRegrasAutomaticamente, Booleano16(atualizarRegrasAutomaticamente_));
  c.SetProperty(id::Timeout, std::int32_t{timeout_});
  c.SetProperty(id::CodigoProduto, std::int32_t{codigoProduto_});
  c.SetProperty(id::Estagio, std::int32_t{estagio_ == esTeste ? 2 : 1});
  c.SetProperty(id::TemplateHtml, templateHtml_);
  c.SetProperty(id::HeigthHtml, std::int32_t{heigthHtml_});
  c.SetProperty(id::WidthHtml, std::int32_t{widthHtml_});
  c.SetProperty(id::HtmlBaseUrl, htmlBaseUrl_);
  c.SetProperty(id::TipoResposta, std::int32_t{tipoResposta_ == trJSON ? 1 : 0});
  const TvxnValorControle total = c.GetProperty(id::TotalRejeicao);
  if (const auto* texto = std::get_if<std::string>(&total); texto && !texto->empty())
    totalRejeicao_ = *texto;
  c.SetProperty(id::LinguagemResposta, std::int32_t{static_cast<std::int32_t>(linguagemResposta_)});
  c.SetProperty(id::ModoOperacao, std::int32_t{modoOperacao_ == moLocal ? 0 : 1});
  c.SetProperty(id::DiretorioRegras, diretorioRegras_);
  c.SetProperty(id::DiretorioEsquemas, diretorioEsquemas_);
  c.SetProperty(id::DiretorioTemplates, diretorioTemplates_);
  c.SetProperty(id::DiretorioLogErro, diretorioLogErro_);
}

std::string TvxnValidadorClientX::ValidarXml(std::string_view xml, std::string_view parametro) {
  return Controle().ValidarXml(xml, parametro);
}

void TvxnValidadorClientX::ShowHtml(std::string_view html) {
  Controle().ShowHtml(html);
}

void TvxnValidadorClientX::LoadConfig(std::string_view arquivo) {
  Controle().LoadConfig(arquivo);
}

void TvxnValidadorClientX::SaveConfig(std::string_view arquivo) {
  Controle().SaveConfig(arquivo);
}

void TvxnValidadorClientX::DownloadRegras() {
  Controle().DownloadRegras();
}

} // namespace vxn
