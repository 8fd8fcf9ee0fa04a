// NF-e XML read back into the input dataset, with the command text and the authorisation data collected
// on the way.
#include "converters/vxnNFeConverter.h"
#include "datasets/vxnNFeDataSets.h"
#include "support/FuzzHome.h"
#include "vxnNFeException.h"
#include "vxnStringList.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vxn::fuzz::FuzzHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view xml(reinterpret_cast<const char*>(data), size);
  if (vxn::fuzz::NamesAFile(xml))
    return -1;
  vxn::TvxnNFeConverter converter;
  converter.SetDiretorioLogErro(vxn::fuzz::FuzzHome());
  vxn::TvxnStringList tx2, autorizacao;
  try {
    converter.ConvertXmlToDataSet(xml, false, vxn::pl_009g, &tx2, &autorizacao);
  } catch (const vxn::EvxnException&) {
  }
  return 0;
}
