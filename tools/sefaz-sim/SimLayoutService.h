// A web service published in the two layouts of the NF-e messages, 4.00 and 3.10: the version picks the
// schema, the names of the service and, under 3.10, the nfeCabecMsg header of the reply.
#pragma once

#include "sefaz-sim/SimService.h"

#include <string>
#include <utility>
#include <vector>

namespace vxn::sim {

// The names a service has in one layout.
struct TSimNomesDoLeiaute {
  std::string Wsdl;      // the WSDL name that ends the path
  std::string ServerKey; // the key of the servers file
  // The SOAP actions answered, each as a WSDL name and an operation of it.
  std::vector<std::pair<std::string, std::string>> Actions;
  std::string ResultElement;
};

class TSimLayoutService : public TSimService {
public:
  // Under 3.10 the reply carries the header with the request's cUF; under 4.00 it has none.
  std::string ReplyHeader(const TSimRequest& request) const override;
  // The names of the service's layout, for a service built with them (the others override these).
  std::string WsdlName() const override { return Nomes().Wsdl; }
  std::vector<std::string> ServerKeys() const override { return {Nomes().ServerKey}; }
  std::vector<std::string> Actions() const override;
  std::string ResultElement() const override { return Nomes().ResultElement; }

protected:
  // versao: "4.00" or "3.10".
  explicit TSimLayoutService(std::string versao);
  // A service named by the names of each layout.
  TSimLayoutService(std::string versao, TSimNomesDoLeiaute nomes400, TSimNomesDoLeiaute nomes310);

  bool Is400() const { return versao_ == "4.00"; }
  const std::string& Versao() const { return versao_; }

private:
  const TSimNomesDoLeiaute& Nomes() const { return Is400() ? nomes400_ : nomes310_; }

  std::string versao_;
  TSimNomesDoLeiaute nomes400_;
  TSimNomesDoLeiaute nomes310_;
};

} // namespace vxn::sim
