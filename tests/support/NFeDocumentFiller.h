// Fills a valid-looking NF-e 4.00 document into TvxnNFeDataSets through Campo, as a host would, for
// the dataset tests and the fill benchmark.
#pragma once

#include "datasets/vxnNFeDataSets.h"

#include <string>

namespace vxn::test {

// The shipped dictionary in the program directory (normal or export) of a layout's templates folder.
std::string ShippedDictionary(bool exportacao = false, const std::string& layout = "vm60");

// Incluir, the document groups, `items` items (IncluirItem ... SalvarItem) and one instalment;
// does not call Salvar. Returns the number of values assigned.
int FillDocument(TvxnNFeDataSets& ds, int nNF, int items);

} // namespace vxn::test
