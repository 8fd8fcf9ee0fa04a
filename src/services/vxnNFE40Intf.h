// The web-service class of layout 2.00 (vm40); layout 2.00 with its later technical notes (vm50)
// derives from it unchanged. Requests carry the state code in the SOAP header; replies come back whole.
#pragma once

#include "services/vxnNFEInterface.h"

namespace vxn {

class TvxnNFE40Intf : public TvxnNFEInterface {
public:
  using TvxnNFEInterface::TvxnNFEInterface;

  std::string CalculaChaveNFe(std::string_view dEmi, std::string_view cUF, std::string_view cnpj,
                              std::string_view modelo, std::string_view serie, std::string_view nNF,
                              std::string_view tpEmis, std::string_view cNF) override;
  std::string StatusDoServico() override;
  std::string CancelarNF(std::string_view x) override;
  std::string ConsultarNF(std::string_view chave) override;
  std::string InutilizarNF(std::string_view x) override;
  std::string EnviarNF(std::string_view lote, std::string_view xml, bool compactar) override;
  std::string ConsultarRecibo(std::string_view recibo) override;
  std::string ConsultarCadastro(std::string_view a, std::string_view b) override;
};

} // namespace vxn
