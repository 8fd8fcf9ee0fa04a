// One text layout of the converter facade fed with arbitrary text: the run must end either with XML or
// with an exception of the library's hierarchy. Any other exception escapes the fuzz target and is a
// finding, as is every crash or sanitizer report.
#pragma once

#include "converters/vxnNFeConverter.h"
#include "support/FuzzHome.h"
#include "vxnNFeException.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vxn::fuzz {

inline int ConvertText(const std::uint8_t* data, std::size_t size, TLayoutConvKind layout) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (NamesAFile(text))
    return -1; // not added to the corpus
  TvxnNFeConverter converter;
  converter.SetDiretorioLogErro(FuzzHome());
  try {
    converter.ConvertToXml(text, "4.00", layout, pl_009g, false);
  } catch (const EvxnException&) {
  }
  return 0;
}

} // namespace vxn::fuzz
