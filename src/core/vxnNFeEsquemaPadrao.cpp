#include "vxnNFeEsquemaPadrao.h"

namespace vxn {

TVersaoEsquema GetUltimoEsquemaDaVersaoManual(TVersaoManual v) {
  for (int i = kVersaoEsquemaCount - 1; i >= 0; --i) {
    const auto esquema = static_cast<TVersaoEsquema>(i);
    if (GetVersaoManualDoEsquema(esquema) == v)
      return esquema;
  }
  return pl_009g;
}

} // namespace vxn
