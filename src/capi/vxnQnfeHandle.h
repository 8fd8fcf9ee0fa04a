// What a qnfe_nfe handle of the C interface holds: the component, the last failure on it and the last
// distribution XML it wrote. The C functions run their body through Guardar, which turns every
// exception into a status code and keeps its class and message for qnfe_erro_classe/qnfe_erro_mensagem.
#pragma once

#include "quorvant-nfe/qnfe.h"
#include "vxnNFe.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

struct qnfe_nfe {
  std::unique_ptr<vxn::TvxnNFe> Nfe;
  std::string ErroClasse;
  std::string ErroMensagem;
  std::string UltimoXmlDestinatario;
};

namespace vxn::capi {

// A wrong argument of a C call (QNFE_ERRO_ARGUMENTO), reported with the class "qnfe_argumento".
class EArgumento : public std::invalid_argument {
public:
  using std::invalid_argument::invalid_argument;
};

inline constexpr const char* kClasseArgumento = "qnfe_argumento";

// The text of a C argument that may be NULL ("" then).
inline std::string_view Texto(const char* s) {
  return s ? std::string_view(s) : std::string_view();
}
// The text of a C argument that must be given.
std::string_view Exigido(const char* s, const char* nome);

// Runs `corpo` for the handle: QNFE_OK when it returns, the code of the failure otherwise.
qnfe_status Executar(qnfe_nfe* h, const std::function<void(vxn::TvxnNFe&)>& corpo);

// Hands text to the caller (malloc'd, released by qnfe_liberar).
char* Entregar(std::string_view texto);
// Runs `corpo`, whose text goes to *saida; *saida is NULL after a failure.
qnfe_status Produzir(qnfe_nfe* h, char** saida, const std::function<std::string(vxn::TvxnNFe&)>& corpo);

// Properties by their INI key names (vxnQnfePropriedades.cpp).
void DefinirPropriedade(vxn::TvxnNFe& nfe, std::string_view nome, std::string_view valor);
std::string ObterPropriedade(vxn::TvxnNFe& nfe, std::string_view nome);

} // namespace vxn::capi
