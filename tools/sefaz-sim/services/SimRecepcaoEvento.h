// The event reception web service (envEvento), layouts 4.00 (NFeRecepcaoEvento4) and 3.10
// (RecepcaoEvento): every event of a lot is checked (schema of its tpEvento, signature, identifier,
// environment, receiving body, sequence, duplicate, the document's situation and author), answered in
// its own signed retEvento, and an accepted one is registered for good. The lot answers 128.
#pragma once

#include "sefaz-sim/SimLayoutService.h"

namespace vxn::sim {

struct TSimAuthorisation;

class TSimRecepcaoEvento : public TSimLayoutService {
public:
  // versao: "4.00" or "3.10".
  explicit TSimRecepcaoEvento(std::string versao);

  std::string WsdlName() const override;
  std::vector<std::string> ServerKeys() const override;
  std::vector<std::string> Actions() const override;
  std::string ResultElement() const override;
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

  struct TEvento; // one event of the lot as the service reads it

private:
  std::string Answer(const TEvento& evento, const TSimRequest& request, const TSimContext& context) const;
  // The rejection code of an event, or the acceptance code (135, 136, 155) when nothing stands against it.
  int Check(const TEvento& evento, const TSimRequest& request, const TSimContext& context) const;
  int CheckSubstituicao(const TEvento& evento, const TSimAuthorisation& document, long long idade,
                        const TSimContext& context) const;
  std::string Reply(int cStat, std::string_view idLote, std::string_view cOrgao,
                    std::string_view content) const;
};

} // namespace vxn::sim
