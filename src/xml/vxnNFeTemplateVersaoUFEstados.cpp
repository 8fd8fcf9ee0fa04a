#include "xml/vxnNFeTemplateVersaoUFEstados.h"

#include "vxnText.h"

#include <array>
#include <utility>

namespace vxn {

std::string TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro::getPedidoConsultaCadastro_Soap() const {
  if (IsVersao310())
    return TvxnNFeTemplateVersaoUF::getPedidoConsultaCadastro_Soap();
  return Expand(
      R"(<?xml version="1.0" encoding="utf-8"?><soap12:Envelope xmlns:xsi="{XSI-NS}" xmlns:xsd="{XSD-NS}" )"
      R"(xmlns:soap12="{SOAP12-NS}"><soap12:Body><nfeDadosMsg xmlns="{WSDL:CadConsultaCadastro4}">%s)"
      R"(</nfeDadosMsg></soap12:Body></soap12:Envelope>)");
}

std::string TvxnNFeTemplateVersaoUF_MG::getPedidoConsultaCadastro_Soap() const {
  if (IsVersao310())
    return TvxnNFeTemplateVersaoUF::getPedidoConsultaCadastro_Soap();
  return ReplaceAll(EnvelopeWithHeader("CadConsultaCadastro2", "2.00"), "<cUF>%s</cUF>", "<cUF>31</cUF>");
}

std::string TvxnNFeTemplateVersaoUF_AN::getConsultaDest_Soap() const {
  return EnvelopeNacionalWithHeader("NfeConsultaDest", "1.01");
}

std::string TvxnNFeTemplateVersaoUF_AN::getEventoDownloadNFe_Soap() const {
  return EnvelopeNacionalWithHeader("NfeDownloadNF", "1.00");
}

std::string TvxnNFeTemplateVersaoUF_AN::getPedidoEnviarNota_Xml() const {
  if (IsVersao310())
    return TvxnNFeTemplateVersaoUF::getPedidoEnviarNota_Xml();
  return Expand(R"(<enviNFe xmlns="{NFE-NS}" versao="4.00"><idLote>%s</idLote>%s%s</enviNFe>)");
}

namespace {

template <class T> std::unique_ptr<TvxnNFeTemplateVersaoUF> Make() {
  return std::make_unique<T>();
}

using Factory = std::unique_ptr<TvxnNFeTemplateVersaoUF> (*)();

constexpr std::array<std::pair<std::string_view, Factory>, 28> kTemplateSets{{
    {"AC", Make<TvxnNFeTemplateVersaoUF_AC>}, {"AL", Make<TvxnNFeTemplateVersaoUF_AL>},
    {"AM", Make<TvxnNFeTemplateVersaoUF_AM>}, {"AN", Make<TvxnNFeTemplateVersaoUF_AN>},
    {"AP", Make<TvxnNFeTemplateVersaoUF_AP>}, {"BA", Make<TvxnNFeTemplateVersaoUF_BA>},
    {"CE", Make<TvxnNFeTemplateVersaoUF_CE>}, {"DF", Make<TvxnNFeTemplateVersaoUF_DF>},
    {"ES", Make<TvxnNFeTemplateVersaoUF_ES>}, {"GO", Make<TvxnNFeTemplateVersaoUF_GO>},
    {"MA", Make<TvxnNFeTemplateVersaoUF_MA>}, {"MG", Make<TvxnNFeTemplateVersaoUF_MG>},
    {"MS", Make<TvxnNFeTemplateVersaoUF_MS>}, {"MT", Make<TvxnNFeTemplateVersaoUF_MT>},
    {"PA", Make<TvxnNFeTemplateVersaoUF_PA>}, {"PB", Make<TvxnNFeTemplateVersaoUF_PB>},
    {"PE", Make<TvxnNFeTemplateVersaoUF_PE>}, {"PI", Make<TvxnNFeTemplateVersaoUF_PI>},
    {"PR", Make<TvxnNFeTemplateVersaoUF_PR>}, {"RJ", Make<TvxnNFeTemplateVersaoUF_RJ>},
    {"RN", Make<TvxnNFeTemplateVersaoUF_RN>}, {"RO", Make<TvxnNFeTemplateVersaoUF_RO>},
    {"RR", Make<TvxnNFeTemplateVersaoUF_RR>}, {"RS", Make<TvxnNFeTemplateVersaoUF_RS>},
    {"SC", Make<TvxnNFeTemplateVersaoUF_SC>}, {"SE", Make<TvxnNFeTemplateVersaoUF_SE>},
    {"SP", Make<TvxnNFeTemplateVersaoUF_SP>}, {"TO", Make<TvxnNFeTemplateVersaoUF_TO>},
}};

} // namespace

std::unique_ptr<TvxnNFeTemplateVersaoUF> CreateTemplateVersaoUF(std::string_view uf) {
  for (const auto& [code, make] : kTemplateSets) {
    if (code == uf)
      return make();
  }
  return std::make_unique<TvxnNFeTemplateVersaoUF>();
}

} // namespace vxn
