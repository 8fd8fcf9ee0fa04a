// One set of request, envelope, signing and distribution texts for layouts 3.10 (vm50a) and 4.00 (vm60).
//
// The base class holds the texts every state uses; the state classes (vxnNFeTemplateVersaoUFEstados.h)
// override only the few envelopes a state publishes differently. Every getter returns the finished
// Format string: namespace markers expanded, the layout's version and document element put in.
#pragma once

#include "vxnNFeType.h"

#include <string>
#include <string_view>

namespace vxn {

class TvxnNFeTemplateVersaoUF {
public:
  virtual ~TvxnNFeTemplateVersaoUF() = default;

  void setVersaoManual(TVersaoManual versao) { versaoManual_ = versao; }
  TVersaoManual getVersaoManual() const { return versaoManual_; }

  // "3.10" for vm50a, otherwise "4.00".
  std::string getVersaoXml() const;
  // "<CNPJ>%s</CNPJ>" for vm50a; otherwise "%s", since in 4.00 the caller passes the whole CNPJ or CPF
  // element.
  std::string getTagDocumento() const;

  virtual std::string getAssinarInutilizacao_Xml() const;
  virtual std::string getAssinarNota_Xml() const;
  virtual std::string getAssinarEvento_Xml() const;
  virtual std::string getCabecConsultaCadastro_Xml() const;
  virtual std::string getCabecConsultaNf_Xml() const;
  virtual std::string getCabecEnviarNota_Xml() const;
  virtual std::string getCancXmlDest_Xml() const;
  virtual std::string getConsultaDest_Soap() const;
  virtual std::string getConsultaDfe_Soap() const;
  virtual std::string getConsultaDistribuicaoDfe_Xml() const;
  virtual std::string getConsultaNfDestinadas_Xml() const;
  virtual std::string getEnvio_Soap() const;
  virtual std::string getEnvioXmlDest_Xml() const;
  virtual std::string getEventoCancelar_Xml() const;
  virtual std::string getEventoCancelarPedidoProrrogacao_Xml() const;
  virtual std::string getEventoCCe_Xml() const;
  virtual std::string getEventoDownloadNFe_Soap() const;
  virtual std::string getEventoDownloadNFe_Xml() const;
  virtual std::string getEventoEnvio_Xml() const;
  // documentTag is the name of the recipient's document element, "CNPJ" or "CPF".
  virtual std::string getEventoManifestacaoDestinatario_Xml(std::string_view documentTag) const;
  virtual std::string getEventoPedidoProrrogacao_Xml() const;
  virtual std::string getEventoEpec_Xml() const;
  virtual std::string getEventoXmlDest_Xml() const;
  virtual std::string getInfInutInutilizarNf_Xml() const;
  virtual std::string getInutXmlDest_Xml() const;
  virtual std::string getManXmlEventoDest_Xml() const;
  virtual std::string getPedidoConsultaCadastro_Soap() const;
  virtual std::string getPedidoConsultaCadastro_Xml() const;
  virtual std::string getPedidoConsultaNf_Soap() const;
  virtual std::string getPedidoConsultaNf_Xml() const;
  virtual std::string getPedidoConsultaRecibo_Soap() const;
  virtual std::string getPedidoConsultaRecibo_Xml() const;
  virtual std::string getPedidoEnviarNfe_Soap() const;
  virtual std::string getPedidoEnviarNfeZip_Soap() const;
  virtual std::string getPedidoEnviarNota_Xml() const;
  virtual std::string getPedidoInutilizarNf_Soap() const;
  virtual std::string getPedidoInutilizarNf_Xml() const;
  virtual std::string getPedidoStatus_Soap() const;
  virtual std::string getPedidoStatus_Xml() const;
  virtual std::string getRespostaEventoDownloadNFe_Xml() const;
  virtual std::string getSignatureInfo_Xml() const;
  virtual std::string getEventoAtorInteressado_Xml() const;
  virtual std::string getEventoComprovanteEntrega_Xml() const;
  virtual std::string getEventoCancelaComprovanteEntrega_Xml() const;

protected:
  bool IsVersao310() const { return versaoManual_ == vm50a; }
  // Expands the namespace markers, {V} (the layout's version) and {DOC} (the document element).
  std::string Expand(std::string_view text) const;
  // The 3.10 envelope: a header with cUF and a fixed data version, the message in the body; the
  // envelope prefix is "soap12" unless given. Slots: cUF, message.
  std::string EnvelopeWithHeader(std::string_view service, std::string_view versaoDados,
                                 std::string_view prefix = "soap12") const;
  // The 4.00 envelope: an empty header, the message inside a prefixed nfeDadosMsg. Slot: message.
  std::string EnvelopeWithoutHeader(std::string_view prefix, std::string_view service) const;
  // The national-environment style envelope with a "soap" prefix and a header carrying cUF.
  std::string EnvelopeNacionalWithHeader(std::string_view service, std::string_view versaoDados) const;
  // The same with an empty header: one slot, the message.
  std::string EnvelopeNacionalEmptyHeader(std::string_view service) const;

private:
  TVersaoManual versaoManual_ = vm60;
};

} // namespace vxn
