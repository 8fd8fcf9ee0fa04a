// The web-service class of layout 4.00 (vm60).
#pragma once

#include "services/vxnNFE50aIntf.h"

namespace vxn {

class TvxnNFE60Intf : public TvxnNFE50aIntf {
public:
  using TvxnNFE50aIntf::TvxnNFE50aIntf;

  std::string StatusDoServico() override;
  std::string ConsultarNF(std::string_view chave) override;
  std::string InutilizarNF(std::string_view x) override;
  std::string ConsultarCadastro(std::string_view a, std::string_view b) override;
  std::string ConsultarRecibo(std::string_view recibo) override;
  // Base64 of the gzip of the lot, in one step.
  std::string CompactaLote(std::string_view xml) const override;
  std::string NFe_DesenveloparSOAP(std::string_view reply) const override;

protected:
  std::string Enviar(std::string_view xml, bool compactar, bool sincrono) override;
};

} // namespace vxn
