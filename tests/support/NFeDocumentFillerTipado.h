// The document of NFeDocumentFiller filled through the typed document model, for the typed model's
// tests and the benchmark that compares the two ways of filling it.
#pragma once

#include "datasets/vxnNFeDataSetsTipado.h"

namespace vxn::test {

// The values FillDocument writes, set through the typed properties of the document of `nota` (the
// decimals as numbers, so their text is the shortest the field allows); does not call GerarXML.
void FillDocumentTipado(NotaFiscal& nota, int nNF, int items);

} // namespace vxn::test
