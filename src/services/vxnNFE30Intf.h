// The web-service class of layouts 1.10 and 2.00 as first published (vm202a, vm30): the service keys
// without a version suffix and envelope templates that are the service-data files themselves.
#pragma once

#include "services/vxnNFEInterface.h"

namespace vxn {

class TvxnNFE30Intf : public TvxnNFEInterface {
public:
  using TvxnNFEInterface::TvxnNFEInterface;

  // The key of these layouts: no emission type, a nine-digit code.
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
