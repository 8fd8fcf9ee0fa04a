// The queries the events object posts to the national environment: the distribution of documents
// (NFeDistribuicaoDFe) and the legacy query of the documents addressed to the taxpayer (NfeConsultaDest),
// with their envelopes, logs and telemetry. What the queries ask is built by TvxnNFeEventos
// (vxnNFeEventosDFe.cpp).
#include "events/vxnNFeEventosBase.h"

#include "events/vxnEventosXMLUtils.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"
#include "vxnTelemetria.h"
#include "vxnText.h"
#include "xml/vxnNFeNamespaces.h"

#include <chrono>

namespace vxn {

namespace {

std::string Wsdl(std::string_view servico) {
  return std::string(uri::kNFe) + "/wsdl/" + std::string(servico);
}

std::size_t Vagas(std::string_view modelo) {
  std::size_t n = 0;
  for (std::size_t p = modelo.find("%s"); p != std::string_view::npos; p = modelo.find("%s", p + 2))
    ++n;
  return n;
}

} // namespace

std::string TvxnEventos::Postar(std::string_view servico, const std::string& envelope, std::string_view acao,
                                std::string_view resultado, std::string_view ns, std::string_view operacao) {
  const std::string endereco = ObterEnderecoWS(servico);
  const auto inicio = std::chrono::steady_clock::now();
  std::string resposta = Gov().PostSOAP(endereco, envelope, acao, resultado, ns);
  if (Telemetria())
    Telemetria()->Tempo(
        operacao, "SEFAZ",
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - inicio)
            .count());
  return resposta;
}

std::string TvxnEventos::EnvelopeComCabecalho(std::string_view modelo, std::string_view xml) {
  // The national templates (and those of layout 3.10) carry a header with cUF; the others only the body.
  if (Vagas(modelo) >= 2)
    return Format(modelo, {CodigoUF(GetUF()), std::string(xml)});
  return Format(modelo, {std::string(xml)});
}

std::string TvxnEventos::Desenvelopar(std::string_view resposta, std::string_view raiz) const {
  std::string elemento;
  try {
    if (Utils().XPathSelectSingleNode(resposta, "//*[local-name()=\"" + std::string(raiz) + "\"]",
                                      elemento) &&
        !elemento.empty())
      return elemento;
  } catch (const EvxnException&) {
    // Not XML: the reply as it came, for the caller to judge.
  }
  return TvxnEventosXMLUtils::Eventos_DesenveloparSOAP(resposta);
}

// ---- Distribution of documents -------------------------------------------------------------------------

std::string TvxnEventos::EnveloparConsultaDFeSoap(std::string_view xml) {
  return Format(LoadTemplate("consulta_dfe.soap"), {std::string(xml)});
}

std::string TvxnEventos::ConsultarDFePorSoap(std::string_view xml) {
  const std::string ns = Wsdl("NFeDistribuicaoDFe");
  return Postar("nfeConsultaDFe", EnveloparConsultaDFeSoap(xml), ns, "nfeDistDFeInteresseResult", ns,
                "ConsultarDFe");
}

std::string TvxnEventos::DistribuicaoDFePorSoap(std::string_view xml) {
  const std::string ns = Wsdl("NFeDistribuicaoDFe");
  return Postar("nfeDistDFeInteresse", EnvelopeComCabecalho(LoadTemplate("consulta_dest.soap"), xml),
                ns + "/nfeDistDFeInteresse", "nfeDistDFeInteresseResult", ns, "DistribuicaoDFe");
}

void TvxnEventos::ConsultarDFe(std::string_view xml, std::string_view logEnvio, std::string& retorno,
                               std::string_view logRetorno) {
  const std::string nomeEnvio = logEnvio.empty() ? "env-dfe" : std::string(logEnvio);
  const std::string nomeRetorno = logRetorno.empty() ? "ret-dfe" : std::string(logRetorno);
  Gov().CheckCertificate();
  ValidarXmlEvento(xml, "DISTRIBUICAODFE");
  // The request and its reply share one name: the party and the moment of asking.
  const std::string id = Utils().GetValueTag("CNPJ", xml) + Utils().GetValueTag("CPF", xml) + "-" + Carimbo();
  GravarLog(xml, nomeEnvio, id);
  retorno = Desenvelopar(ConsultarDFePorSoap(xml), "retDistDFeInt");
  if (Telemetria())
    Telemetria()->Resultado("ConsultarDFe", Utils().GetValueTag("cStat", retorno),
                            Utils().GetValueTag("xMotivo", retorno));
  GravarLog(retorno, nomeRetorno, id);
}

// ---- The legacy destination query -----------------------------------------------------------------------

std::string TvxnEventos::EnveloparConsultaDestSoap(std::string_view xml) {
  return EnvelopeComCabecalho(LoadTemplate("consulta_dest.soap"), xml);
}

std::string TvxnEventos::ConsultarPorSoap(std::string_view xml) {
  const std::string ns = Wsdl("NfeConsultaDest");
  return Postar("nfeConsultaNFDest", EnveloparConsultaDestSoap(xml), ns + "/nfeConsultaNFDest",
                "nfeConsultaNFDestResult", ns, "ConsultarNFeDestinadas");
}

std::string TvxnEventos::EnveloparDownloadSoap(std::string_view xml) {
  return EnvelopeComCabecalho(LoadTemplate("evento_downloadNFe.soap"), xml);
}

std::string TvxnEventos::ConsultarEvento(std::string_view xml, std::string_view logEnvio,
                                         std::string_view logRetorno) {
  const std::string nomeEnvio = logEnvio.empty() ? "cons-env" : std::string(logEnvio);
  const std::string nomeRetorno = logRetorno.empty() ? "cons-ret" : std::string(logRetorno);
  ValidarXmlEvento(xml, "CONSULTADESTINADAS");
  const std::string id = Utils().GetValueTag("CNPJ", xml) + Utils().GetValueTag("CPF", xml) + "-" + Carimbo();
  GravarLog(xml, nomeEnvio, id);
  const std::string retorno = Desenvelopar(ConsultarPorSoap(xml), "retConsNFeDest");
  if (Telemetria())
    Telemetria()->Resultado("ConsultarNFeDestinadas", Utils().GetValueTag("cStat", retorno),
                            Utils().GetValueTag("xMotivo", retorno));
  GravarLog(retorno, nomeRetorno, id);
  return retorno;
}

} // namespace vxn
