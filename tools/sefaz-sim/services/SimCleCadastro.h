// The CL-e service (CleCadastro): registers a load declaration, the lot of NF-e access keys carried
// together (enviCLe, data/Esquemas/Cle/cle_v1.00.xsd). Its reply, retCadCLe, travels escaped as the text
// of cleCadastroLoteResult, as the authority's service sends it. A lot is registered (129, with the key
// of the new CL-e) when it is valid against the schema, comes to the section of its state of origin in
// homologation, and every key is one this server authorised and that was not cancelled since.
#pragma once

#include "sefaz-sim/SimService.h"

namespace vxn::sim {

class TSimCleCadastro : public TSimService {
public:
  std::string WsdlName() const override;
  std::vector<std::string> ServerKeys() const override;
  std::vector<std::string> Actions() const override;
  std::string ResultElement() const override;
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

  // The unescaped reply of a request (what Handle sends escaped).
  std::string Reply(const TSimRequest& request, const TSimContext& context) const;
};

} // namespace vxn::sim
