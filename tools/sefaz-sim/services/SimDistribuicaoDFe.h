// The national distribution service (NFeDistribuicaoDFe, distDFeInt 1.01): a party's documents after a
// number it already has (distNSU), the one of a number (consNSU) or a document by key (consChNFe), at
// most 50 in one answer, each gzipped and in Base64 inside a docZip. The party asked must belong to the
// company of the client certificate (593); with the waiting rule on, a party that heard "nothing found"
// (137) and asks again before the wait is over is refused (656) and must wait again.
#pragma once

#include "sefaz-sim/SimService.h"

#include <cstdint>

namespace vxn::sim {

struct TSimDFeDocument;

class TSimDistribuicaoDFe : public TSimService {
public:
  std::string WsdlName() const override;
  std::vector<std::string> ServerKeys() const override;
  std::vector<std::string> Actions() const override;
  std::string ResultElement() const override;
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

private:
  std::string PorNsu(const std::string& party, const std::string& dist, const TSimContext& context) const;
  std::string Reply(int cStat, std::int64_t ultNsu, std::int64_t maxNsu,
                    const std::vector<TSimDFeDocument>& documents, long long damaged,
                    const std::string& xMotivo = {}) const;
};

} // namespace vxn::sim
