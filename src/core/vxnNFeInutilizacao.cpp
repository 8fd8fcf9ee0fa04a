// Invalidation of a range of unused document numbers: the signed inutNFe request, the reply and the
// ProcInutNFe document of a granted invalidation.
#include "vxnNFe.h"

#include "services/vxnNFEInterface.h"
#include "vxnFiles.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "xml/vxnNFeAssinaturaUtils.h"
#include "xml/vxnNFeIdentificadores.h"

#include <cctype>
#include <charconv>
#include <optional>

namespace vxn {

namespace {

constexpr std::string_view kInutilizarNF = "InutilizarNF";
constexpr std::size_t kMinJustificativa = 15;
constexpr long long kMaxFaixa = 10000;

std::optional<long long> ComoInteiro(std::string_view s) {
  long long v = 0;
  const auto [fim, erro] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (erro != std::errc() || fim != s.data() + s.size() || s.empty())
    return std::nullopt;
  return v;
}

// Whether text[pos] is the "&" of a numeric character reference ("&#38;", "&#x26;").
bool IniciaReferenciaNumerica(std::string_view text, std::size_t pos) {
  if (text.substr(pos, 2) != "&#")
    return false;
  std::size_t i = pos + 2;
  const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
  if (hex)
    ++i;
  const std::size_t inicio = i;
  while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) ||
                             (hex && std::isxdigit(static_cast<unsigned char>(text[i])))))
    ++i;
  return i > inicio && i < text.size() && text[i] == ';';
}

} // namespace

std::string TvxnNFe::EscapeCaracteres(std::string_view texto) {
  std::string s = ReplaceAll(texto, "'", "&apos;");
  s = ReplaceAll(s, "\"", "&quot;");
  s = ReplaceAll(s, "<", "&lt;");
  s = ReplaceAll(s, ">", "&gt;");
  // Every "&" is escaped except the one of a numeric character reference, which stays a reference.
  std::string amp;
  amp.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&' && !IniciaReferenciaNumerica(s, i))
      amp += "&amp;";
    else
      amp += s[i];
  }
  // Entities that were already in the text come back as they were.
  for (std::string_view entidade : {"apos;", "quot;", "lt;", "gt;", "amp;"})
    amp = ReplaceAll(amp, "&amp;" + std::string(entidade), "&" + std::string(entidade));
  return amp;
}

std::string TvxnNFe::InutilizarNF(std::string_view, std::string_view ano, std::string_view cnpj,
                                  std::string_view modelo, std::string_view serie, std::string_view nNFIni,
                                  std::string_view nNFFin, std::string_view xJust) {
  GetTelemetria().Ping(kInutilizarNF);
  try {
    UpdateNFeData();
    const std::string id = TvxnNFeIdentificadores(GetVersaoManual(), GetLocalCode(), GetDiretorioLogErro())
                               .CalculaChaveInutilizacao(ano, cnpj, modelo, serie, nNFIni, nNFFin);
    ConfigurarPropriedades();
    CheckCertificate();
    if (Utf8Length(xJust) < kMinJustificativa)
      throw EvxnNFeCheckParams("Justificativa deve conter no mínimo 15 caracteres: %s", {xJust},
                               GetDiretorioLogErro());
    const auto ini = ComoInteiro(nNFIni);
    const auto fin = ComoInteiro(nNFFin);
    if (ini && fin && *fin - *ini > kMaxFaixa)
      throw EvxnNFeRuleException(
          "[I04]: 201 - Rejeição: Número máximo de numeração a inutilizar ultrapassou o limite (10000).",
          GetDiretorioLogErro());

    const bool cpf = Utf8Length(cnpj) == 11;
    std::string documento(cnpj);
    if (GetVersaoManual() == vm60)
      documento = cpf ? "<CPF>" + documento + "</CPF>" : "<CNPJ>" + documento + "</CNPJ>";
    const std::string infInut = Format(LoadTemplate("infinut_inutilizarnf.xml"),
                                       {"ID" + id, NFeData().AmbienteStr, GetLocalCode(), ano, documento,
                                        modelo, serie, nNFIni, nNFFin, EscapeCaracteres(xJust)});
    TvxnGovUtils& utils = GetGovUtils();
    const std::string texto = utils.Escape(utils.DynamicRemoveAccents(
        Format(LoadTemplate("assinar_inutilizacao.xml"), {infInut, ""}), GetCaracteresRemoverAcentos()));

    GetGov().Get_SignerSettings().ElementName = "infInut";
    std::string assinado;
    try {
      assinado = GetGov().SignXmlById(texto, GetReferenceInfo(texto, GetDiretorioLogErro()));
    } catch (const std::exception& e) {
      throw EvxnSignatureException(e.what(), GetDiretorioLogErro());
    }
    LimparXMLAssinado(assinado);

    TvxnNFEInterface& nfe = GetNFE();
    const std::string pedido = nfe.GetPedido_InutilizarNF(assinado);
    // The official schema has no place for a CPF issuer in every state's version of it.
    if (!cpf)
      ValidarXMLNFe(pedido, "INUTILIZACAO");
    const std::string logId = std::string(ano) + std::string(cnpj) + std::string(modelo) +
                              std::string(serie) + std::string(nNFIni) + std::string(nNFFin);
    Log(pedido, "ped-inu", logId);

    std::string reply;
    try {
      reply = nfe.InutilizarNF(pedido);
      const std::string cStat = utils.GetValueTag("cStat", reply);
      GetTelemetria().Resultado(kInutilizarNF, cStat, utils.GetValueTag("xMotivo", reply));
      if (GetSalvarLogsEmDisco() && cStat == "102")
        GravarInutilizacao(id, GerarXmlDestinatarioInutilizacao(reply, pedido));
    } catch (const std::exception& e) {
      // Telemetry hears of it below, with the wrapped message.
      throw EvxnNFeException(std::string("Erro ao inutilizar NF-e: ") + e.what(), GetDiretorioLogErro());
    }
    Log(reply, "inu", logId);
    return reply;
  } catch (const EvxnException& e) {
    GetTelemetria().Excecao(kInutilizarNF, e.ClassName(), e.Message());
    throw;
  }
}

void TvxnNFe::GravarInutilizacao(std::string_view id, std::string_view xml) {
  // The authority has granted the invalidation: the reply goes back to the host even when its copy
  // cannot be written here, and telemetry hears of the failure.
  try {
    const std::string pasta = GetDiretorioXmlDestinatario();
    ForceDirectories(pasta);
    GetGovUtils().SaveToFileUtf8(xml, pasta + std::string(id) + "-inut.xml");
  } catch (const EvxnException& e) {
    GetTelemetria().Excecao(kInutilizarNF, e.ClassName(), e.Message());
  } catch (const std::exception& e) {
    GetTelemetria().Excecao(kInutilizarNF, "std::exception", e.what());
  }
}

} // namespace vxn
