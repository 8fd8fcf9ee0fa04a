// The schema package a converter writes when the host names none but the component's layout version.
#pragma once

#include "vxnNFeType.h"

namespace vxn {

// The newest schema version of a layout version (pl_009g when the layout has none).
TVersaoEsquema GetUltimoEsquemaDaVersaoManual(TVersaoManual v);

} // namespace vxn
