// The outside validation control that TvxnValidadorClientX drives: a bag of settings addressed by
// property id, and four operations. The adapter knows nothing of how a control checks a document; any
// implementation of this interface can stand behind it (ours is TvxnValidadorLocal, src/auditor).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace vxn {

// A property value as the control receives it: text, a 32-bit integer, or a 16-bit boolean (-1 true,
// 0 false).
using TvxnValorControle = std::variant<std::string, std::int32_t, std::int16_t>;

inline constexpr std::int16_t kVerdadeiro16 = -1;
inline constexpr std::int16_t kFalso16 = 0;

// The control's property ids.
namespace idValidador {
inline constexpr int Senha = 201;
inline constexpr int Login = 202;
inline constexpr int Servidor = 203;
inline constexpr int ExibirRegrasValidacao = 207;
inline constexpr int CodigoProduto = 208;
inline constexpr int Estagio = 209;
inline constexpr int TemplateHtml = 211;
inline constexpr int HeigthHtml = 212;
inline constexpr int WidthHtml = 213;
inline constexpr int HtmlBaseUrl = 214;
inline constexpr int TipoResposta = 215;
inline constexpr int TotalRejeicao = 216;
inline constexpr int LinguagemResposta = 217;
inline constexpr int ModoOperacao = 219;
inline constexpr int DiretorioEsquemas = 220;
inline constexpr int DiretorioLogErro = 221;
inline constexpr int DiretorioTemplates = 222;
inline constexpr int DiretorioRegras = 223;
inline constexpr int UsuarioProxy = 224;
inline constexpr int SenhaProxy = 225;
inline constexpr int ServidorProxy = 226;
inline constexpr int PortaProxy = 227;
inline constexpr int AtualizarRegrasAutomaticamente = 228;
inline constexpr int Timeout = 229;
// Our own control's extension: the file ShowHtml writes its report to.
inline constexpr int ArquivoHtml = 230;
} // namespace idValidador

class TvxnValidadorControle {
public:
  virtual ~TvxnValidadorControle() = default;

  virtual void SetProperty(int id, const TvxnValorControle& valor) = 0;
  virtual TvxnValorControle GetProperty(int id) const = 0;

  // The verdict on a document; `parametro` is the host's second text, whose meaning is the control's.
  virtual std::string ValidarXml(std::string_view xml, std::string_view parametro) = 0;
  // Shows the HTML report of a verdict.
  virtual void ShowHtml(std::string_view verdito) = 0;
  // The control's own settings file.
  virtual void LoadConfig(std::string_view arquivo) = 0;
  virtual void SaveConfig(std::string_view arquivo) = 0;
  // Brings the control's rule files up to date.
  virtual void DownloadRegras() = 0;
};

} // namespace vxn
