// The pipe text laid out by the dictionaries of the Conversor folder.
#include "TextConverterFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vxn::fuzz::FuzzHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vxn::fuzz::ConvertText(data, size, vxn::lkTXTDic);
}
