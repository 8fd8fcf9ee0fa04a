#include "events/vxnNFeEventosParametros.h"

#include "events/vxnEventosXMLUtils.h"
#include "vxnCnpj.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <array>
#include <cctype>

namespace vxn {

namespace {

// The receiving bodies: the states' codes, 90 (SUFRAMA) and 91 (the national environment).
constexpr std::array<int, 29> kOrgaos{11, 12, 13, 14, 15, 16, 17, 21, 22, 23, 24, 25, 26, 27, 28,
                                      29, 31, 32, 33, 35, 41, 42, 43, 50, 51, 52, 53, 90, 91};

// What is wrong with a key; "" for a good one.
std::string ProblemaChave(std::string_view chave) {
  const std::string c = Trim(chave);
  if (c.empty())
    return "Chave da NF-e está vazia.";
  // The capital letters of an issuer's alphanumeric CNPJ are the only letters a key may hold.
  if (!IsDigits(c) && !FormaChaveAcesso(c))
    return "Chave da NF-e deve conter apenas números.";
  if (c.size() != 44)
    return "Chave da NF-e deve conter exatamente 44 dígitos.";
  if (!ChaveAcessoConfere(c))
    return "Chave da NF-e com dígito verificador inválido.";
  return {};
}

} // namespace

void TvxnEventoParametros::Chave(std::string_view chave) const {
  if (const std::string problema = ProblemaChave(chave); !problema.empty())
    throw EvxnEventoCheckParams(problema, logDir_);
}

void TvxnEventoParametros::OrgaoComo(std::string_view orgao, std::string_view vazio, std::string_view tamanho,
                                     std::string_view incorreto) const {
  const std::string o = Trim(orgao);
  if (o.empty())
    throw EvxnEventoCheckParams(vazio, logDir_);
  if (o.size() != 2)
    throw EvxnEventoCheckParams(tamanho, logDir_);
  bool conhecido = false;
  for (int codigo : kOrgaos)
    conhecido = conhecido || (IsDigits(o) && std::stoi(o) == codigo);
  if (!conhecido)
    throw EvxnEventoCheckParams(incorreto, logDir_);
}

void TvxnEventoParametros::Orgao(std::string_view orgao) const {
  OrgaoComo(orgao, "Favor Preencher Órgão.", "Código do Órgão deve conter exatamente 2 dígitos",
            "Código do Órgão incorreto.");
}

void TvxnEventoParametros::OrgaoAutor(std::string_view orgao) const {
  OrgaoComo(orgao, "Favor Preencher Órgão Autor.", "Código do Órgão Autor deve conter exatamente 2 dígitos",
            "Código do Órgão Autor incorreto.");
}

void TvxnEventoParametros::Sequencia(int sequencia) const {
  if (sequencia < 1 || sequencia > 20)
    throw EvxnEventoCheckParams("Sequência mínima de 1 e máxima de 20.", logDir_);
}

bool TvxnEventoParametros::DataHoraValida(std::string_view dataHora) {
  const std::string d = Trim(dataHora);
  if (d.empty() || TvxnEventosXMLUtils::SeguePadrao(d, "####-##-##T##:##:##"))
    return true;
  try {
    TvxnGovUtils().XsdDateTimeToDateTime(d);
    return true;
  } catch (const EvxnException&) {
    return false;
  }
}

void TvxnEventoParametros::DataHora(std::string_view dataHora) const {
  if (!DataHoraValida(dataHora))
    throw EvxnEventoCheckParams("Data/Hora do evento inválida", logDir_);
}

bool TvxnEventoParametros::FusoValido(std::string_view f) {
  auto digito = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  return f.size() == 6 && (f[0] == '+' || f[0] == '-') && digito(f[1]) && digito(f[2]) && f[3] == ':' &&
         digito(f[4]) && digito(f[5]);
}

void TvxnEventoParametros::Fuso(std::string_view fuso) const {
  if (!FusoValido(fuso))
    throw EvxnEventoCheckParams("Fuso Horario do evento inválido, o valor deve ser no formato -HH:MM",
                                logDir_);
}

void TvxnEventoParametros::Autor(std::string_view cnpj) const {
  const std::string c = Trim(cnpj);
  if (c.empty())
    throw EvxnEventoCheckParams("Favor preencher CNPJ.", logDir_);
  if (!IsDigits(c) && !FormaCnpj(c))
    throw EvxnEventoCheckParams("CNPJ deve conter apenas números.", logDir_);
  if (c.size() != 11 && c.size() != 14)
    throw EvxnEventoCheckParams("CNPJ deve conter 14 dígitos ou 11 dígitos quando for CPF.", logDir_);
}

void TvxnEventoParametros::CheckParamsEventos(std::string_view fuso, std::string_view dataHora,
                                              std::string_view chave) const {
  if (!FusoValido(fuso))
    throw EvxnNFeEventosFusoHorarioInvalidException(
        "Fuso Horario do evento inválido, o valor deve ser no formato -HH:MM", logDir_);
  if (!DataHoraValida(dataHora))
    throw EvxnNFeEventosDataHoraInvalidException("Data/Hora do evento inválida", logDir_);
  if (std::string problema = ProblemaChave(chave); !problema.empty()) {
    problema.pop_back(); // the short form's messages end without the point
    throw EvxnNFeEventosChaveInvalidException(problema, logDir_);
  }
}

void TvxnEventoParametros::ChaveSubstituta(std::string_view chave, std::string_view chaveCancelada) const {
  if (std::string problema = ProblemaChave(chave); !problema.empty()) {
    problema.pop_back();
    throw EvxnNFeEventosChaveInvalidException(
        ReplaceAll(problema, "Chave da NF-e", "Chave da NF-e substituta"), logDir_);
  }
  if (Trim(chave) == Trim(chaveCancelada))
    throw EvxnNFeEventosChaveInvalidException(
        "Chave da NF-e substituta deve ser outra que a da NF-e cancelada", logDir_);
}

} // namespace vxn
