// The parameter checks the event builders share, each raising with its fixed message. A builder calls
// them in the order its kind needs; the first failure stops it before anything is built or signed.
#pragma once

#include <string>
#include <string_view>

namespace vxn {

class TvxnEventoParametros {
public:
  explicit TvxnEventoParametros(std::string logDir) : logDir_(std::move(logDir)) {}

  // Not empty, digits only, 44 digits, and a check digit that fits the other 43.
  void Chave(std::string_view chave) const;
  // cOrgao: two digits of a state, 90 or 91.
  void Orgao(std::string_view orgao) const;
  void OrgaoAutor(std::string_view orgao) const;
  // 1 to 20.
  void Sequencia(int sequencia) const;
  // Empty, "yyyy-mm-ddThh:nn:ss", or a date-time the parser reads.
  void DataHora(std::string_view dataHora) const;
  // "+HH:MM" or "-HH:MM".
  void Fuso(std::string_view fuso) const;
  // The author's CNPJ (14 digits) or CPF (11 digits).
  void Autor(std::string_view cnpj) const;

  // The short form of cancellation, manifestation and the cancellation of an extension request: time
  // zone, date-time and key, each with its own exception class and without the final point.
  void CheckParamsEventos(std::string_view fuso, std::string_view dataHora, std::string_view chave) const;

  // The key of the substitute of a cancellation by substitution: a good key (the short form's messages,
  // naming the substitute) that is not the cancelled one.
  void ChaveSubstituta(std::string_view chave, std::string_view chaveCancelada) const;

  static bool FusoValido(std::string_view fuso);
  static bool DataHoraValida(std::string_view dataHora);

private:
  void OrgaoComo(std::string_view orgao, std::string_view vazio, std::string_view tamanho,
                 std::string_view incorreto) const;
  std::string logDir_;
};

} // namespace vxn
