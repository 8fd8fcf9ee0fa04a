#include "sefaz-sim/SimIssueRules.h"

#include "contingency/vxnContingenciaSVC.h"
#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimStates.h"
#include "vxnNFeType.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vxn::sim {

namespace {

constexpr std::array<std::string_view, 12> kUfsSemIsento{"AM", "BA", "CE", "GO", "MG", "MS",
                                                         "MT", "PA", "PE", "RN", "SE", "SP"};
constexpr std::array<std::string_view, 5> kIsentoNaoTributado{"40", "41", "103", "300", "400"};
constexpr auto kAtrasoNormal = std::chrono::days(7);
constexpr auto kAtrasoMaximo = std::chrono::days(30);

bool Positivo(const std::string& valor) {
  return !valor.empty() && valor.find_first_of("123456789") != std::string::npos;
}

bool ItemIsentoNaoTributado(const std::string& icms) {
  const std::string cst = ElementText(icms, "CST");
  const std::string codigo = cst.empty() ? ElementText(icms, "CSOSN") : cst;
  return std::find(kIsentoNaoTributado.begin(), kIsentoNaoTributado.end(), codigo) !=
         kIsentoNaoTributado.end();
}

// "AAAA-MM-DDThh:mm:ss+hh:mm" as a moment; nullopt for another shape.
std::optional<std::chrono::system_clock::time_point> Momento(const std::string& dh) {
  int ano = 0, mes = 0, dia = 0, hora = 0, minuto = 0, segundo = 0, fusoHora = 0, fusoMinuto = 0;
  char sinal = 0;
  if (std::sscanf(dh.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%2d:%2d", &ano, &mes, &dia, &hora, &minuto, &segundo,
                  &sinal, &fusoHora, &fusoMinuto) != 9 ||
      (sinal != '+' && sinal != '-'))
    return std::nullopt;
  const std::chrono::year_month_day data{std::chrono::year(ano),
                                         std::chrono::month(static_cast<unsigned>(mes)),
                                         std::chrono::day(static_cast<unsigned>(dia))};
  if (!data.ok())
    return std::nullopt;
  const auto fuso = std::chrono::hours(fusoHora) + std::chrono::minutes(fusoMinuto);
  const auto local = std::chrono::sys_days(data) + std::chrono::hours(hora) + std::chrono::minutes(minuto) +
                     std::chrono::seconds(segundo);
  return std::chrono::system_clock::time_point(sinal == '-' ? local + fuso : local - fuso);
}

} // namespace

int CheckRecipientIe(const TSimLotDocument& d) {
  const std::string dest = ElementText(d.Xml, "dest");
  if (ElementText(dest, "indIEDest") != "2")
    return 0;
  const std::string uf = ElementText(ElementText(dest, "enderDest"), "UF");
  if (std::find(kUfsSemIsento.begin(), kUfsSemIsento.end(), uf) == kUfsSemIsento.end())
    return 0;
  const std::vector<std::string> icms = ElementTexts(d.Xml, "ICMS");
  for (const std::string& item : icms)
    if (Positivo(ElementText(item, "vICMSST")) || !ElementText(item, "vICMSSTRet").empty())
      return 0;
  if (!icms.empty() && std::all_of(icms.begin(), icms.end(), ItemIsentoNaoTributado))
    return 0;
  return 805;
}

int IssueDateDelay(const TSimLotDocument& d, std::chrono::system_clock::time_point now) {
  const auto emissao = Momento(d.DhEmi);
  if (d.Mod != "55" || !emissao)
    return 0;
  const auto atraso = now - *emissao;
  if (atraso <= kAtrasoNormal)
    return 0;
  const bool contingencia = d.TpEmis == "2" || d.TpEmis == "4" || d.TpEmis == "5";
  return atraso <= kAtrasoMaximo || contingencia ? 150 : 228;
}

int CheckIssueType(const TSimLotDocument& d, std::string_view section) {
  if (TSimStates::IsContingency(section))
    return d.TpEmis == TpEmisDoModo(StrToModoOperacao(section)) ? 0 : 713;
  return d.TpEmis == "3" || d.TpEmis == "6" || d.TpEmis == "7" ? 570 : 0;
}

int CheckContingencyEntry(const TSimLotDocument& d) {
  if (d.TpEmis == "1")
    return d.DhCont.empty() && d.XJust.empty() ? 0 : 556;
  if (d.DhCont.empty() || d.XJust.empty())
    return 557;
  const auto entrada = Momento(d.DhCont);
  const auto emissao = Momento(d.DhEmi);
  return entrada && emissao && *entrada > *emissao ? 558 : 0;
}

} // namespace vxn::sim
