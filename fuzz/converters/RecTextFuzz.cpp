// The REC record text replayed on the input dataset.
#include "TextConverterFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vxn::fuzz::FuzzHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vxn::fuzz::ConvertText(data, size, vxn::lkTXTRec);
}
