// A web service of one operation: named by its WSDL, pointed to by one key of the servers file, answering
// the operation's SOAP action with the operation's name followed by "Result" as the result element.
#pragma once

#include "sefaz-sim/SimService.h"

#include <string>
#include <utility>
#include <vector>

namespace vxn::sim {

class TSimOperationService : public TSimService {
public:
  std::string WsdlName() const override { return wsdl_; }
  std::vector<std::string> ServerKeys() const override { return {serverKey_}; }
  std::vector<std::string> Actions() const override;
  std::string ResultElement() const override { return operation_ + "Result"; }

protected:
  TSimOperationService(std::string wsdl, std::string serverKey, std::string operation)
      : wsdl_(std::move(wsdl)), serverKey_(std::move(serverKey)), operation_(std::move(operation)) {}

private:
  std::string wsdl_;
  std::string serverKey_;
  std::string operation_;
};

} // namespace vxn::sim
