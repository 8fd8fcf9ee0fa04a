// The national environment's services of the declaration of documents issued in contingency (DPEC) of
// the layouts before 3.10, answered under section "AN" only: the reception (SCERecepcaoRFB, an envDPEC
// 1.01 signed over infDPEC, answered with retDPEC and the registration number) and the query by access
// key or registration number (SCEConsultaRFB, consDPEC, answered with retConsDPEC). Their messages come
// in sceDadosMsg with the sceCabecMsg header.
#pragma once

#include "sefaz-sim/SimService.h"

#include <utility>

namespace vxn::sim {

// What the two services share: a WSDL, one key of the servers file, one operation whose result element
// is the operation's name followed by "Result", and the "AN" section only.
class TSimServicoDPEC : public TSimService {
public:
  TSimServicoDPEC(std::string wsdl, std::string serverKey, std::string operation)
      : wsdl_(std::move(wsdl)), serverKey_(std::move(serverKey)), operation_(std::move(operation)) {}
  std::string WsdlName() const override { return wsdl_; }
  std::vector<std::string> ServerKeys() const override { return {serverKey_}; }
  std::vector<std::string> Actions() const override;
  std::string ResultElement() const override { return operation_ + "Result"; }
  bool Serves(const std::string& section) const override { return section == "AN"; }

private:
  std::string wsdl_;
  std::string serverKey_;
  std::string operation_;
};

class TSimRecepcaoDPEC : public TSimServicoDPEC {
public:
  TSimRecepcaoDPEC() : TSimServicoDPEC("SCERecepcaoRFB", "NfeRecepcao", "sceRecepcaoDPEC") {}
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

private:
  // The cStat of a declaration before it is registered (124: it may be).
  int Check(const TSimRequest& request, const TSimContext& context,
            const std::vector<std::string>& chaves) const;
};

class TSimConsultaDPEC : public TSimServicoDPEC {
public:
  TSimConsultaDPEC() : TSimServicoDPEC("SCEConsultaRFB", "NfeConsulta", "sceConsultaDPEC") {}
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;
};

} // namespace vxn::sim
