// The receipt-query web service: the processing result of a lot sent to the authorisation service,
// layouts 4.00 (NFeRetAutorizacao4) and 3.10 (NfeRetAutorizacao). A lot answers 105 (in processing) for
// the configured number of queries, then 104 with one protNFe per document.
#pragma once

#include "sefaz-sim/SimLayoutService.h"

namespace vxn::sim {

class TSimRetAutorizacao : public TSimLayoutService {
public:
  // versao: "4.00" or "3.10".
  explicit TSimRetAutorizacao(std::string versao);

  std::string WsdlName() const override;
  std::vector<std::string> ServerKeys() const override;
  std::vector<std::string> Actions() const override;
  std::string ResultElement() const override;
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

private:
  std::string Reply(std::string_view nRec, int cStat, std::string_view cUF, std::string_view protocols) const;
};

} // namespace vxn::sim
