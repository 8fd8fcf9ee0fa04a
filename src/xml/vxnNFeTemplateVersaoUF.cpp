#include "xml/vxnNFeTemplateVersaoUF.h"

#include "vxnText.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn {

namespace {

// The condition-of-use text that the NF-e standard fixes for the correction letter (kept without accents,
// as the standard writes it).
constexpr std::string_view kCondicaoUsoCCe =
    "A Carta de Correcao e disciplinada pelo paragrafo 1o-A do art. 7o do Convenio S/N, de 15 de dezembro "
    "de 1970 e pode ser utilizada para regularizacao de erro ocorrido na emissao de documento fiscal, desde "
    "que o erro nao esteja relacionado com: I - as variaveis que determinam o valor do imposto tais como: "
    "base de calculo, aliquota, diferenca de preco, quantidade, valor da operacao ou da prestacao; II - a "
    "correcao de dados cadastrais que implique mudanca do remetente ou do destinatario; III - a data de "
    "emissao ou de saida.";

} // namespace

std::string TvxnNFeTemplateVersaoUF::getVersaoXml() const {
  return IsVersao310() ? "3.10" : "4.00";
}

std::string TvxnNFeTemplateVersaoUF::getTagDocumento() const {
  return IsVersao310() ? "<CNPJ>%s</CNPJ>" : "%s";
}

std::string TvxnNFeTemplateVersaoUF::Expand(std::string_view text) const {
  std::string s = ReplaceAll(text, "{V}", getVersaoXml());
  s = ReplaceAll(s, "{DOC}", getTagDocumento());
  return ExpandNamespaceMarkers(s);
}

std::string TvxnNFeTemplateVersaoUF::EnvelopeWithHeader(std::string_view service,
                                                        std::string_view versaoDados,
                                                        std::string_view prefix) const {
  std::string t =
      R"(<?xml version="1.0" encoding="utf-8"?><P:Envelope xmlns:xsi="{XSI-NS}" xmlns:xsd="{XSD-NS}" )"
      R"(xmlns:P="{SOAP12-NS}"><P:Header><nfeCabecMsg xmlns="{WSDL:W}"><cUF>%s</cUF>)"
      R"(<versaoDados>D</versaoDados></nfeCabecMsg></P:Header><P:Body><nfeDadosMsg xmlns="{WSDL:W}">%s)"
      R"(</nfeDadosMsg></P:Body></P:Envelope>)";
  t = ReplaceAll(t, "P:", std::string(prefix) + ":");
  t = ReplaceAll(t, "xmlns:P=", "xmlns:" + std::string(prefix) + "=");
  t = ReplaceAll(t, "{WSDL:W}", "{WSDL:" + std::string(service) + "}");
  t = ReplaceAll(t, "<versaoDados>D<", "<versaoDados>" + std::string(versaoDados) + "<");
  return Expand(t);
}

std::string TvxnNFeTemplateVersaoUF::EnvelopeWithoutHeader(std::string_view prefix,
                                                           std::string_view service) const {
  const std::string p(prefix);
  return Expand(R"(<soap:Envelope xmlns:soap="{SOAP12-NS}" xmlns:)" + p + R"(="{WSDL:)" +
                std::string(service) + R"(}"><soap:Header/><soap:Body><)" + p + ":nfeDadosMsg>%s</" + p +
                ":nfeDadosMsg></soap:Body></soap:Envelope>");
}

std::string TvxnNFeTemplateVersaoUF::EnvelopeNacionalWithHeader(std::string_view service,
                                                                std::string_view versaoDados) const {
  const std::string w(service);
  return Expand(
      R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="{SOAP12-NS}"><soap:Header>)"
      R"(<nfeCabecMsg xmlns="{WSDL:)" +
      w + R"(}"><cUF>%s</cUF><versaoDados>)" + std::string(versaoDados) +
      R"(</versaoDados></nfeCabecMsg></soap:Header><soap:Body><nfeDadosMsg xmlns="{WSDL:)" + w +
      R"(}">%s</nfeDadosMsg></soap:Body></soap:Envelope>)");
}

std::string TvxnNFeTemplateVersaoUF::EnvelopeNacionalEmptyHeader(std::string_view service) const {
  const std::string w(service);
  return Expand(
      R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="{SOAP12-NS}"><soap:Header>)"
      R"(</soap:Header><soap:Body><nfeDadosMsg xmlns="{WSDL:)" +
      w + R"(}">%s</nfeDadosMsg></soap:Body></soap:Envelope>)");
}

// --- requests and envelopes -------------------------------------------------------------------------

std::string TvxnNFeTemplateVersaoUF::getPedidoStatus_Xml() const {
  return Expand(R"(<consStatServ xmlns="{NFE-NS}" versao="{V}"><tpAmb>%s</tpAmb><cUF>%s</cUF>)"
                R"(<xServ>STATUS</xServ></consStatServ>)");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoStatus_Soap() const {
  return IsVersao310() ? EnvelopeWithHeader("NfeStatusServico2", "3.10", "SOAP-ENV")
                       : EnvelopeWithoutHeader("nfes", "NFeStatusServico4");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoConsultaNf_Xml() const {
  return Expand(R"(<consSitNFe xmlns="{NFE-NS}" versao="{V}"><tpAmb>%s</tpAmb><xServ>CONSULTAR</xServ>)"
                R"(<chNFe>%s</chNFe></consSitNFe>)");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoConsultaNf_Soap() const {
  return IsVersao310() ? EnvelopeWithHeader("NfeConsulta2", "3.10")
                       : EnvelopeWithoutHeader("nfec", "NFeConsultaProtocolo4");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoConsultaRecibo_Xml() const {
  return Expand(
      R"(<consReciNFe xmlns="{NFE-NS}" versao="{V}"><tpAmb>%s</tpAmb><nRec>%s</nRec></consReciNFe>)");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoConsultaRecibo_Soap() const {
  return IsVersao310() ? EnvelopeWithHeader("NfeRetAutorizacao", "3.10")
                       : EnvelopeWithoutHeader("nfer", "NFeRetAutorizacao4");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoEnviarNota_Xml() const {
  return Expand(
      R"(<enviNFe xmlns="{NFE-NS}" versao="{V}"><idLote>%s</idLote><indSinc>0</indSinc>%s%s</enviNFe>)");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoEnviarNfe_Soap() const {
  return IsVersao310() ? EnvelopeWithHeader("NfeAutorizacao", "3.10")
                       : EnvelopeWithoutHeader("nfe", "NFeAutorizacao4");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoEnviarNfeZip_Soap() const {
  if (IsVersao310())
    return ReplaceAll(EnvelopeWithHeader("NfeAutorizacao", "3.10"), "nfeDadosMsg", "nfeDadosMsgZip");
  return Expand(
      R"(<?xml version="1.0" encoding="UTF-8"?><soap12:Envelope xmlns:xsi="{XSI-NS}" xmlns:xsd="{XSD-NS}" )"
      R"(xmlns:soap12="{SOAP12-NS}"><soap12:Body><nfeDadosMsgZip xmlns="{WSDL:NFeAutorizacao4}">%s)"
      R"(</nfeDadosMsgZip></soap12:Body></soap12:Envelope>)");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoInutilizarNf_Xml() const {
  return "%s";
}

std::string TvxnNFeTemplateVersaoUF::getPedidoInutilizarNf_Soap() const {
  return IsVersao310() ? EnvelopeWithHeader("NfeInutilizacao2", "3.10")
                       : EnvelopeWithoutHeader("nfe", "NFeInutilizacao4");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoConsultaCadastro_Xml() const {
  return Expand(R"(<ConsCad xmlns="{NFE-NS}" versao="2.00"><infCons><xServ>CONS-CAD</xServ><UF>%s</UF>%s)"
                R"(</infCons></ConsCad>)");
}

std::string TvxnNFeTemplateVersaoUF::getPedidoConsultaCadastro_Soap() const {
  if (IsVersao310())
    return EnvelopeWithHeader("CadConsultaCadastro2", "2.00");
  return Expand(
      R"(<?xml version="1.0" encoding="utf-8"?><soap12:Envelope xmlns:xsi="{XSI-NS}" xmlns:xsd="{XSD-NS}" )"
      R"(xmlns:soap12="{SOAP12-NS}"><soap12:Header></soap12:Header><soap12:Body><consultaCadastro )"
      R"(xmlns="{WSDL:CadConsultaCadastro4}"><nfeDadosMsg>%s</nfeDadosMsg></consultaCadastro></soap12:Body>)"
      R"(</soap12:Envelope>)");
}

std::string TvxnNFeTemplateVersaoUF::getCabecConsultaCadastro_Xml() const {
  return Expand(R"(<?xml version="1.0" encoding="UTF-8"?><cabecMsg xmlns="{NFE-NS}" versao="{V}">)"
                R"(<versaoDados>{V}</versaoDados></cabecMsg>)");
}

std::string TvxnNFeTemplateVersaoUF::getCabecConsultaNf_Xml() const {
  return getCabecConsultaCadastro_Xml();
}

std::string TvxnNFeTemplateVersaoUF::getCabecEnviarNota_Xml() const {
  return Expand(R"(<cabecMsg xmlns="{NFE-NS}" versao="{V}"><versaoDados>{V}</versaoDados></cabecMsg>)");
}

// --- signing wrappers -------------------------------------------------------------------------------

std::string TvxnNFeTemplateVersaoUF::getAssinarNota_Xml() const {
  return Expand(R"(<NFe xmlns="{NFE-NS}">%s%s</NFe>)");
}

std::string TvxnNFeTemplateVersaoUF::getAssinarInutilizacao_Xml() const {
  return Expand(R"(<inutNFe xmlns="{NFE-NS}" versao="{V}">%s%s</inutNFe>)");
}

std::string TvxnNFeTemplateVersaoUF::getAssinarEvento_Xml() const {
  return Expand(R"(<evento xmlns="{NFE-NS}" versao="1.00">%s%s</evento>)");
}

std::string TvxnNFeTemplateVersaoUF::getInfInutInutilizarNf_Xml() const {
  return Expand(
      R"(<infInut Id="%s"><tpAmb>%s</tpAmb><xServ>INUTILIZAR</xServ><cUF>%s</cUF><ano>%s</ano>{DOC})"
      R"(<mod>%s</mod><serie>%s</serie><nNFIni>%s</nNFIni><nNFFin>%s</nNFFin><xJust>%s</xJust></infInut>)");
}

std::string TvxnNFeTemplateVersaoUF::getSignatureInfo_Xml() const {
  return Expand(
      R"(<Signature xmlns="{DSIG-NS}"><SignedInfo><CanonicalizationMethod Algorithm="{C14N}"/>)"
      R"(<SignatureMethod Algorithm="{RSA-SHA1}"/><Reference URI="%s"><Transforms>)"
      R"(<Transform Algorithm="{ENVELOPED}"/><Transform Algorithm="{C14N}"/></Transforms>)"
      R"(<DigestMethod Algorithm="{SHA1}"/><DigestValue></DigestValue></Reference></SignedInfo>)"
      R"(<SignatureValue/><KeyInfo><X509Data><X509Certificate></X509Certificate></X509Data></KeyInfo>)"
      R"(</Signature>)");
}

// --- distribution documents -------------------------------------------------------------------------

std::string TvxnNFeTemplateVersaoUF::getEnvioXmlDest_Xml() const {
  return Expand(R"(<?xml version="1.0" encoding="UTF-8"?><nfeProc versao="{V}" xmlns="{NFE-NS}">%s)"
                R"(<protNFe xmlns="{NFE-NS}" versao="{V}">%s</protNFe></nfeProc>)");
}

std::string TvxnNFeTemplateVersaoUF::getRespostaEventoDownloadNFe_Xml() const {
  return Expand(
      R"(<?xml version="1.0" encoding="UTF-8"?><nfeProc versao="{V}" xmlns="{NFE-NS}">%s%s</nfeProc>)");
}

std::string TvxnNFeTemplateVersaoUF::getCancXmlDest_Xml() const {
  return Expand(
      R"(<?xml version="1.0" encoding="utf-8"?><procCancNFe xmlns="{NFE-NS}" versao="{V}">%s%s</procCancNFe>)");
}

std::string TvxnNFeTemplateVersaoUF::getInutXmlDest_Xml() const {
  return Expand(
      R"(<?xml version="1.0" encoding="UTF-8"?><ProcInutNFe xmlns="{NFE-NS}" versao="{V}">%s%s</ProcInutNFe>)");
}

std::string TvxnNFeTemplateVersaoUF::getEventoXmlDest_Xml() const {
  return Expand(
      R"(<?xml version="1.0" encoding="utf-8"?><procEventoNFe xmlns="{NFE-NS}" versao="1.00">%s%s</procEventoNFe>)");
}

std::string TvxnNFeTemplateVersaoUF::getManXmlEventoDest_Xml() const {
  // procEventoNFe has the version of the event layout (1.00), whatever the NF-e layout: the document's
  // own version would make the manifestation and EPEC distribution files invalid against their schema.
  return Expand(
      R"(<?xml version="1.0" encoding="utf-8"?><procEventoNFe xmlns="{NFE-NS}" versao="1.00">%s%s</procEventoNFe>)");
}

// --- events -----------------------------------------------------------------------------------------

std::string TvxnNFeTemplateVersaoUF::getEventoEnvio_Xml() const {
  return Expand(R"(<envEvento xmlns="{NFE-NS}" versao="1.00"><idLote>%s</idLote>%s</envEvento>)");
}

std::string TvxnNFeTemplateVersaoUF::getEnvio_Soap() const {
  return IsVersao310() ? EnvelopeWithHeader("RecepcaoEvento", "1.00")
                       : EnvelopeWithoutHeader("nfer", "NFeRecepcaoEvento4");
}

std::string TvxnNFeTemplateVersaoUF::getEventoCCe_Xml() const {
  return Expand(
      R"(<infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb>%s<chNFe>%s</chNFe><dhEvento>%s</dhEvento>)"
      R"(<tpEvento>110110</tpEvento><nSeqEvento>%s</nSeqEvento><verEvento>1.00</verEvento>)"
      R"(<detEvento versao="1.00"><descEvento>Carta de Correcao</descEvento><xCorrecao>%s</xCorrecao>)"
      R"(<xCondUso>)" +
      std::string(kCondicaoUsoCCe) + R"(</xCondUso></detEvento></infEvento>)");
}

std::string TvxnNFeTemplateVersaoUF::getEventoCancelar_Xml() const {
  return Expand(
      R"(<infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb>{DOC}<chNFe>%s</chNFe>)"
      R"(<dhEvento>%s</dhEvento><tpEvento>%s</tpEvento><nSeqEvento>%s</nSeqEvento><verEvento>1.00</verEvento>)"
      R"(<detEvento versao="1.00"><descEvento>Cancelamento</descEvento><nProt>%s</nProt><xJust>%s</xJust>)"
      R"(</detEvento></infEvento>)");
}

std::string TvxnNFeTemplateVersaoUF::getEventoEpec_Xml() const {
  return Expand(
      R"(<evento versao="1.00" xmlns="{NFE-NS}"><infEvento Id="%s"><cOrgao>91</cOrgao><tpAmb>%s</tpAmb>)"
      R"(%s<chNFe>%s</chNFe><dhEvento>%s</dhEvento><tpEvento>110140</tpEvento><nSeqEvento>1</nSeqEvento>)"
      R"(<verEvento>1.00</verEvento><detEvento versao="1.00"><descEvento>EPEC</descEvento>)"
      R"(<cOrgaoAutor>%s</cOrgaoAutor><tpAutor>1</tpAutor><verAplic>1</verAplic><dhEmi>%s</dhEmi>)"
      R"(<tpNF>%s</tpNF><IE>%s</IE><dest><UF>%s</UF>%s%s<vNF>%s</vNF><vICMS>%s</vICMS><vST>%s</vST></dest>)"
      R"(</detEvento></infEvento><Signature/></evento>)");
}

std::string
TvxnNFeTemplateVersaoUF::getEventoManifestacaoDestinatario_Xml(std::string_view documentTag) const {
  const std::string t(documentTag);
  return Expand(
      R"(<infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb><)" + t + ">%s</" + t +
      R"(><chNFe>%s</chNFe><dhEvento>%s</dhEvento><tpEvento>%s</tpEvento><nSeqEvento>%s</nSeqEvento>)"
      R"(<verEvento>1.00</verEvento><detEvento versao="1.00"><descEvento>%s</descEvento><xJust>%s</xJust>)"
      R"(</detEvento></infEvento>)");
}

std::string TvxnNFeTemplateVersaoUF::getEventoPedidoProrrogacao_Xml() const {
  return Expand(
      R"(<infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb>{DOC}<chNFe>%s</chNFe>)"
      R"(<dhEvento>%s</dhEvento><tpEvento>%s</tpEvento><nSeqEvento>%s</nSeqEvento><verEvento>1.00</verEvento>)"
      R"(<detEvento versao="1.00"><descEvento>Pedido de Prorrogacao</descEvento><nProt>%s</nProt>%s)"
      R"(</detEvento></infEvento>)");
}

std::string TvxnNFeTemplateVersaoUF::getEventoCancelarPedidoProrrogacao_Xml() const {
  return Expand(
      R"(<infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb>{DOC}<chNFe>%s</chNFe>)"
      R"(<dhEvento>%s</dhEvento><tpEvento>%s</tpEvento><nSeqEvento>%s</nSeqEvento><verEvento>1.00</verEvento>)"
      R"(<detEvento versao="1.00"><descEvento>Cancelamento de Pedido de Prorrogacao</descEvento>)"
      R"(<idPedidoCancelado>%s</idPedidoCancelado><nProt>%s</nProt></detEvento></infEvento>)");
}

std::string TvxnNFeTemplateVersaoUF::getEventoAtorInteressado_Xml() const {
  return Expand(
      R"(<evento versao="1.00"><infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb>%s<chNFe>%s</chNFe>)"
      R"(<dhEvento>%s</dhEvento><tpEvento>%s</tpEvento><nSeqEvento>%s</nSeqEvento><verEvento>1.00</verEvento>)"
      R"(<detEvento versao="1.00"><descEvento>Ator interessado na NF-e</descEvento>)"
      R"(<cOrgaoAutor>%s</cOrgaoAutor><tpAutor>%s</tpAutor><verAplic>%s</verAplic><autXML>%s</autXML>)"
      R"(<tpAutorizacao>%s</tpAutorizacao>%s</detEvento></infEvento></evento>)");
}

std::string TvxnNFeTemplateVersaoUF::getEventoComprovanteEntrega_Xml() const {
  return Expand(
      R"(<infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb>%s<chNFe>%s</chNFe>)"
      R"(<dhEvento>%s</dhEvento><tpEvento>%s</tpEvento><nSeqEvento>%s</nSeqEvento><verEvento>1.00</verEvento>)"
      R"(<detEvento versao="1.00"><descEvento>Comprovante de Entrega da NF-e</descEvento>)"
      R"(<cOrgaoAutor>%s</cOrgaoAutor><tpAutor>%s</tpAutor><verAplic>%s</verAplic>)"
      R"(<dhEntrega>%s</dhEntrega><nDoc>%s</nDoc><xNome>%s</xNome>%s%s<hashComprovante>%s</hashComprovante>)"
      R"(<dhHashComprovante>%s</dhHashComprovante></detEvento></infEvento>)");
}

std::string TvxnNFeTemplateVersaoUF::getEventoCancelaComprovanteEntrega_Xml() const {
  return Expand(
      R"(<infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb>%s<chNFe>%s</chNFe>)"
      R"(<dhEvento>%s</dhEvento><tpEvento>%s</tpEvento><nSeqEvento>%s</nSeqEvento><verEvento>1.00</verEvento>)"
      R"(<detEvento versao="1.00"><descEvento>Cancelamento Comprovante de Entrega da NF-e</descEvento>)"
      R"(<cOrgaoAutor>%s</cOrgaoAutor><tpAutor>%s</tpAutor><verAplic>%s</verAplic>)"
      R"(<nProtEvento>%s</nProtEvento></detEvento></infEvento>)");
}

// --- recipient queries and downloads ----------------------------------------------------------------

std::string TvxnNFeTemplateVersaoUF::getConsultaNfDestinadas_Xml() const {
  return Expand(
      R"(<consNFeDest xmlns="{NFE-NS}" versao="1.01"><tpAmb>%s</tpAmb><xServ>CONSULTAR NFE DEST</xServ>)"
      R"({DOC}<indNFe>%d</indNFe><indEmi>%d</indEmi><ultNSU>%s</ultNSU></consNFeDest>)");
}

std::string TvxnNFeTemplateVersaoUF::getConsultaDest_Soap() const {
  return IsVersao310() ? EnvelopeNacionalWithHeader("NfeConsultaDest", "1.01")
                       : EnvelopeNacionalEmptyHeader("NfeConsultaDest");
}

std::string TvxnNFeTemplateVersaoUF::getConsultaDistribuicaoDfe_Xml() const {
  return Expand(
      R"(<distDFeInt xmlns="{NFE-NS}" versao="1.01"><tpAmb>%s</tpAmb><cUFAutor>%s</cUFAutor>%s%s</distDFeInt>)");
}

std::string TvxnNFeTemplateVersaoUF::getConsultaDfe_Soap() const {
  return Expand(
      R"(<?xml version="1.0" encoding="utf-8"?><soap12:Envelope xmlns:xsi="{XSI-NS}" xmlns:xsd="{XSD-NS}" )"
      R"(xmlns:soap12="{SOAP12-NS}"><soap12:Body><nfeDistDFeInteresse xmlns="{WSDL:NFeDistribuicaoDFe}">)"
      R"(<nfeDadosMsg>%s</nfeDadosMsg></nfeDistDFeInteresse></soap12:Body></soap12:Envelope>)");
}

std::string TvxnNFeTemplateVersaoUF::getEventoDownloadNFe_Xml() const {
  return Expand(
      R"(<downloadNFe xmlns="{NFE-NS}" versao="1.00"><tpAmb>%s</tpAmb><xServ>DOWNLOAD NFE</xServ>%s{DOC})"
      R"(</downloadNFe>)");
}

std::string TvxnNFeTemplateVersaoUF::getEventoDownloadNFe_Soap() const {
  return IsVersao310() ? EnvelopeNacionalWithHeader("NfeDownloadNF", "1.00")
                       : EnvelopeNacionalEmptyHeader("NfeDownloadNF");
}

} // namespace vxn
