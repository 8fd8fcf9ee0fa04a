// The web-service class of layout 3.10 (vm50a): replies are unwrapped from their SOAP envelope.
#pragma once

#include "services/vxnNFE50Intf.h"

#include <initializer_list>
#include <string_view>

namespace vxn {

// Key calculation and the old cancellation come from layout 2.00; every other service has its own form.
class TvxnNFE50aIntf : public TvxnNFE50Intf {
public:
  using TvxnNFE50Intf::TvxnNFE50Intf;

  std::string StatusDoServico() override;
  std::string ConsultarNF(std::string_view chave) override;
  std::string InutilizarNF(std::string_view x) override;
  std::string ConsultarCadastro(std::string_view a, std::string_view b) override;
  std::string EnviarNF(std::string_view lote, std::string_view xml, bool compactar) override;
  std::string EnviarNFSincrono(std::string_view lote, std::string_view xml, bool compactar) override;
  std::string ConsultarRecibo(std::string_view recibo) override;

  // The compressed form of a lot: Base64 of its gzip.
  virtual std::string CompactaLote(std::string_view xml) const;

  // The result element of a reply: the first of the layout's known reply elements found anywhere, else
  // the SOAP body's child; the reply unchanged when none is found or the text is not XML.
  virtual std::string NFe_DesenveloparSOAP(std::string_view reply) const;

protected:
  // Both ways of sending a lot; the synchronous one differs only in the compressed SOAP action.
  virtual std::string Enviar(std::string_view xml, bool compactar, bool sincrono);
  // Tries the XPath expressions in order, with the prefix soap bound to the namespace of the reply's
  // document element.
  std::string Desenvelopar(std::string_view reply, std::initializer_list<std::string_view> xpaths) const;
};

} // namespace vxn
