// The national environment's services of the declaration of documents issued in contingency (DPEC) of
// the layouts before 3.10, answered under section "AN" only: the reception (SCERecepcaoRFB, an envDPEC
// 1.01 signed over infDPEC, answered with retDPEC and the registration number) and the query by access
// key or registration number (SCEConsultaRFB, consDPEC, answered with retConsDPEC). Their messages come
// in sceDadosMsg with the sceCabecMsg header.
#pragma once

#include "sefaz-sim/SimOperationService.h"

namespace vxn::sim {

class TSimRecepcaoDPEC : public TSimOperationService {
public:
  TSimRecepcaoDPEC() : TSimOperationService("SCERecepcaoRFB", "NfeRecepcao", "sceRecepcaoDPEC") {}
  bool Serves(const std::string& section) const override { return section == "AN"; }
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

private:
  // The cStat of a declaration before it is registered (124: it may be).
  int Check(const TSimRequest& request, const TSimContext& context,
            const std::vector<std::string>& chaves) const;
};

class TSimConsultaDPEC : public TSimOperationService {
public:
  TSimConsultaDPEC() : TSimOperationService("SCEConsultaRFB", "NfeConsulta", "sceConsultaDPEC") {}
  bool Serves(const std::string& section) const override { return section == "AN"; }
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;
};

} // namespace vxn::sim
