#include "sefaz-sim/SimOperationService.h"

#include "xml/vxnNFeNamespaces.h"

namespace vxn::sim {

std::vector<std::string> TSimOperationService::Actions() const {
  return {WsdlNamespace(wsdl_) + "/" + operation_};
}

} // namespace vxn::sim
