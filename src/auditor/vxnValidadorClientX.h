// The adapter of the outside validation control: the host sets plain settings on it, and before every
// operation the adapter creates its control (once, under a process-wide lock), pushes the settings to
// it by property id in a fixed order and calls the control's operation of the same name.
#pragma once

#include "vxnValidadorControle.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vxn {

class TvxnValidadorClientX {
public:
  enum class TEstagio { esProducao, esTeste };
  enum class TResposta { trTexto, trJSON };
  enum class TLinguagem { tlHtml, tlJavaScript };
  enum class TModoOperacao { moLocal, moCliente };
  using enum TEstagio;
  using enum TResposta;
  using enum TLinguagem;
  using enum TModoOperacao;

  // Makes the control the adapter drives.
  using TFabrica = std::function<std::unique_ptr<TvxnValidadorControle>()>;

  // Reading Servidor while it is empty stores this address.
  static constexpr std::string_view kServidorPadrao = "https://localhost/quorvant-nfe/validador";

  // With our own control (TvxnValidadorLocal).
  TvxnValidadorClientX();
  explicit TvxnValidadorClientX(TFabrica fabrica);
  // Destroys the control under the process-wide lock.
  ~TvxnValidadorClientX();
  TvxnValidadorClientX(const TvxnValidadorClientX&) = delete;
  TvxnValidadorClientX& operator=(const TvxnValidadorClientX&) = delete;

  // ---- Operations: each obtains the configured control first ----
  std::string ValidarXml(std::string_view xml, std::string_view parametro);
  void ShowHtml(std::string_view html);
  void LoadConfig(std::string_view arquivo);
  void SaveConfig(std::string_view arquivo);
  void DownloadRegras();

  // The control, created on first use, with the settings pushed: 201 to 215 in their order, 216 read
  // back into TotalRejeicao when the control has a value, then 217, 219, 223, 220, 222, 221. The proxy
  // settings are not pushed.
  TvxnValidadorControle& Controle();

  // ---- Properties (the control sees a change at the next operation) ----
  const std::string& GetSenha() const { return senha_; }
  void SetSenha(std::string_view v) { senha_ = v; }
  const std::string& GetLogin() const { return login_; }
  void SetLogin(std::string_view v) { login_ = v; }
  const std::string& GetServidor();
  void SetServidor(std::string_view v) { servidor_ = v; }
  bool GetExibirRegrasValidacao() const { return exibirRegrasValidacao_; }
  void SetExibirRegrasValidacao(bool v) { exibirRegrasValidacao_ = v; }
  int GetCodigoProduto() const { return codigoProduto_; }
  void SetCodigoProduto(int v) { codigoProduto_ = v; }
  TEstagio GetEstagio() const { return estagio_; }
  void SetEstagio(TEstagio v) { estagio_ = v; }
  const std::string& GetTemplateHtml() const { return templateHtml_; }
  void SetTemplateHtml(std::string_view v) { templateHtml_ = v; }
  int GetHeigthHtml() const { return heigthHtml_; }
  void SetHeigthHtml(int v) { heigthHtml_ = v; }
  int GetWidthHtml() const { return widthHtml_; }
  void SetWidthHtml(int v) { widthHtml_ = v; }
  const std::string& GetHtmlBaseUrl() const { return htmlBaseUrl_; }
  void SetHtmlBaseUrl(std::string_view v) { htmlBaseUrl_ = v; }
  TResposta GetTipoResposta() const { return tipoResposta_; }
  void SetTipoResposta(TResposta v) { tipoResposta_ = v; }
  const std::string& GetTotalRejeicao() const { return totalRejeicao_; }
  void SetTotalRejeicao(std::string_view v) { totalRejeicao_ = v; }
  TLinguagem GetLinguagemResposta() const { return linguagemResposta_; }
  void SetLinguagemResposta(TLinguagem v) { linguagemResposta_ = v; }
  TModoOperacao GetModoOperacao() const { return modoOperacao_; }
  void SetModoOperacao(TModoOperacao v) { modoOperacao_ = v; }
  const std::string& GetDiretorioEsquemas() const { return diretorioEsquemas_; }
  void SetDiretorioEsquemas(std::string_view v) { diretorioEsquemas_ = v; }
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view v) { diretorioLogErro_ = v; }
  const std::string& GetDiretorioTemplates() const { return diretorioTemplates_; }
  void SetDiretorioTemplates(std::string_view v) { diretorioTemplates_ = v; }
  const std::string& GetDiretorioRegras() const { return diretorioRegras_; }
  void SetDiretorioRegras(std::string_view v) { diretorioRegras_ = v; }
  // Held for the host; never handed to the control.
  const std::string& GetUsuarioProxy() const { return usuarioProxy_; }
  void SetUsuarioProxy(std::string_view v) { usuarioProxy_ = v; }
  const std::string& GetSenhaProxy() const { return senhaProxy_; }
  void SetSenhaProxy(std::string_view v) { senhaProxy_ = v; }
  const std::string& GetServidorProxy() const { return servidorProxy_; }
  void SetServidorProxy(std::string_view v) { servidorProxy_ = v; }
  int GetPortaProxy() const { return portaProxy_; }
  void SetPortaProxy(int v) { portaProxy_ = v; }
  bool GetAtualizarRegrasAutomaticamente() const { return atualizarRegrasAutomaticamente_; }
  void SetAtualizarRegrasAutomaticamente(bool v) { atualizarRegrasAutomaticamente_ = v; }
  // Milliseconds.
  int GetTimeout() const { return timeout_; }
  void SetTimeout(int v) { timeout_ = v; }

private:
  void EnviarPropriedades();

  TFabrica fabrica_;
  std::unique_ptr<TvxnValidadorControle> controle_;

  std::string senha_;
  std::string login_;
  std::string servidor_;
  bool exibirRegrasValidacao_ = false;
  int codigoProduto_ = 0;
  TEstagio estagio_ = esProducao;
  std::string templateHtml_;
  int heigthHtml_ = 0;
  int widthHtml_ = 0;
  std::string htmlBaseUrl_;
  TResposta tipoResposta_ = trTexto;
  std::string totalRejeicao_;
  TLinguagem linguagemResposta_ = tlHtml;
  TModoOperacao modoOperacao_ = moLocal;
  std::string diretorioEsquemas_;
  std::string diretorioLogErro_;
  std::string diretorioTemplates_;
  std::string diretorioRegras_;
  std::string usuarioProxy_;
  std::string senhaProxy_;
  std::string servidorProxy_;
  int portaProxy_ = 0;
  bool atualizarRegrasAutomaticamente_ = true;
  int timeout_ = 120000;
};

} // namespace vxn
