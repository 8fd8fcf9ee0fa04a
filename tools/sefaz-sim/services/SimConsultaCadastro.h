// The taxpayer query web service (ConsCad 2.00), under the 4.00 service (CadConsultaCadastro4) and the
// older one (CadConsultaCadastro2) of states that have not moved. The 4.00 service takes the envelope
// forms states publish: the message wrapped in the operation element, nfeDadosMsg directly in the body,
// or the older header form (Minas Gerais).
#pragma once

#include "sefaz-sim/SimService.h"

namespace vxn::sim {

class TSimConsultaCadastro : public TSimService {
public:
  // servico: "4" (CadConsultaCadastro4) or "2" (CadConsultaCadastro2).
  explicit TSimConsultaCadastro(std::string servico);

  std::string WsdlName() const override;
  std::vector<std::string> ServerKeys() const override;
  std::vector<std::string> Actions() const override;
  std::string ResultElement() const override;
  std::string ReplyHeader(const TSimRequest& request) const override;
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

private:
  bool Is4() const { return servico_ == "4"; }
  std::string Reply(int cStat, std::string_view uf, std::string_view documentElement, std::string_view cUF,
                    std::string_view infCad) const;

  std::string servico_;
};

} // namespace vxn::sim
