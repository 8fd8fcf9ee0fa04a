// Distribution XML for the printed-form tests and benchmarks, without a server: the 10-item test document
// (tests/data/nfe-10-itens-v4.00.xml) with as many items as asked (its items repeated and renumbered)
// inside an nfeProc whose protocol authorises its key.
#pragma once

#include <string>

namespace vxn::test {

std::string AuthorisedDanfeDocument(int items);
// The access key of that document.
std::string DanfeDocumentKey();

} // namespace vxn::test
