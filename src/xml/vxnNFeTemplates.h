// The store of request, envelope, signing and distribution texts of layouts 3.10 and 4.00, compiled into
// the program and chosen by template name, layout version and state.
#pragma once

#include "vxnNFeType.h"

#include <string>
#include <string_view>

namespace vxn {

class TvxnNFeTemplates {
public:
  // The template text named `name` (compared without regard to case, "assinarEvento.xml" matching
  // "assinarevento.xml") from the template set of `uf` (an exact, case-sensitive state code; anything
  // else takes the base set) for `versao`. An unknown name gives an empty text, never an error.
  static std::string LoadTemplate(TVersaoManual versao, std::string_view uf, std::string_view name);
};

} // namespace vxn
