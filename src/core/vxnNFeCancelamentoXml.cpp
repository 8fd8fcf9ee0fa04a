// Recognising the cancellation documents a host passes for printing: a lone cancellation event, or an
// authorised NF-e together with its cancellation.
#include "vxnNFe.h"
#include "vxnNFeLoteAssinatura.h"

#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

namespace vxn {

namespace {

constexpr std::string_view kTipoCancelamento = "110111";
constexpr std::string_view kInicioNota = "<infNFe";
constexpr std::string_view kFimProtocolo = "</protNFe>";

// Every XML declaration in the UTF-8 form a document may start with, in any case.
std::string SemDeclaracoes(std::string_view xml) {
  constexpr std::string_view kDeclaracao = R"(<?xml version="1.0" encoding="UTF-8"?>)";
  const std::string alvo = AsciiLower(kDeclaracao);
  const std::string minusculo = AsciiLower(xml);
  std::string out;
  std::size_t pos = 0;
  for (std::size_t hit = minusculo.find(alvo); hit != std::string::npos; hit = minusculo.find(alvo, pos)) {
    out.append(xml.substr(pos, hit - pos));
    pos = hit + alvo.size();
  }
  out.append(xml.substr(pos));
  return out;
}

// Whether the text holds an infEvento that cancels the document of that key.
bool TemCancelamentoDaChave(const TvxnGovUtils& utils, std::string_view xml, std::string_view chave) {
  constexpr std::string_view kInicio = "<infEvento";
  constexpr std::string_view kFim = "</infEvento>";
  for (std::size_t p = xml.find(kInicio); p != std::string_view::npos; p = xml.find(kInicio, p + 1)) {
    const std::size_t fim = xml.find(kFim, p);
    const std::string_view evento =
        xml.substr(p, fim == std::string_view::npos ? std::string_view::npos : fim + kFim.size() - p);
    if (utils.GetValueTag("chNFe", evento) == chave &&
        utils.GetValueTag("tpEvento", evento) == kTipoCancelamento)
      return true;
  }
  return false;
}

} // namespace

bool TvxnCustomNFe::isXMLCancelamento(std::string_view xml) {
  return GetGovUtils().GetValueTag("evento", "tpEvento", xml) == kTipoCancelamento;
}

bool TvxnCustomNFe::isXMLEnvioECancelamento(std::string_view xml) {
  const std::string raiz = "<root>" + std::string(xml) + "</root>";
  TvxnGovUtils& utils = GetGovUtils();
  return utils.GetValueTag("root", "tpEvento", raiz) == kTipoCancelamento &&
         !utils.GetValueTag("root", "xLgr", raiz).empty();
}

std::string TvxnCustomNFe::TratarXMLEnviCancelamento(std::string_view xml) {
  TvxnGovUtils& utils = GetGovUtils();
  const std::string raiz = "<root xmlns=\"" + GetURIEsquema() + "\">" + Trim(SemDeclaracoes(xml)) + "</root>";
  std::string nfeProc;
  if (!utils.XPathSelectSingleNode(raiz, R"(.//*[local-name()="nfeProc"])", nfeProc))
    nfeProc.clear();

  // Each document with its protocol must have its own cancellation event in the text.
  for (std::size_t inicio = AchaInicioNota(xml); inicio != std::string_view::npos;
       inicio = AchaInicioNota(xml, inicio + kInicioNota.size())) {
    const std::size_t fim = xml.find(kFimProtocolo, inicio);
    const std::string_view nota = xml.substr(
        inicio, fim == std::string_view::npos ? std::string_view::npos : fim + kFimProtocolo.size() - inicio);
    if (TemCancelamentoDaChave(utils, xml, ObterChaveNota(nota)))
      return nfeProc;
  }
  if (xml.find(kInicioNota) != std::string_view::npos)
    throw EvxnNFeReportException("Os XMLs de envio e cancelamento informados não pertencem a mesma NF-e",
                                 GetDiretorioLogErro());
  return nfeProc;
}

} // namespace vxn
