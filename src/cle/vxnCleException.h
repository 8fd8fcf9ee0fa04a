// The exceptions of the CL-e component (vxnCle.h). EvxnCLeException is a branch of the NF-e family: its
// lines go to "nfe_exception.log" in the component's error-log directory; configuration failures are
// EvxnCLeConfigException, certificate failures EvxnCLeCertificadoException.
#pragma once

#include "vxnNFeException.h"

namespace vxn {

VXN_DECLARE_EXCEPTION(EvxnCLeException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnCLeConfigException, EvxnCLeException)
VXN_DECLARE_EXCEPTION(EvxnCLeCertificadoException, EvxnCLeException)

} // namespace vxn
