#include "vxnNFeVersionDataSets.h"

#include "vxnNFeException.h"

namespace vxn {

void TvxnDS_pl009::AddDataSetsListaNFE() {
  SetPartsNFe({"A",    "B",  "C",  "D", "E",  "F",       "G",   "AUTXML", "X",       "W",       "Y",
               "YA01", "YA", "YB", "Z", "ZD", "REBOQUE", "VOL", "LACRE",  "PROCREF", "OBSCONT", "MANAGER"});
}

void TvxnDS_pl009::AddDataSetsListaItemNFe() {
  SetPartsNFeItem({"H", "I", "I80", "NVE", "J",  "K", "L",  "M",   "N",         "NA",        "O",  "P", "Q",
                   "R", "S", "T",   "U",   "UB", "V", "DI", "ADI", "DETEXPORT", "EXPORTIND", "L1", "L2"});
}

std::unique_ptr<TvxnNFeCustomDataSet> CreateVersionDataSet(TVersaoEsquema versao) {
  switch (versao) {
  case pl_005a:
    return std::make_unique<TvxnDS_pl005a>();
  case pl_005b:
    return std::make_unique<TvxnDS_pl005b>();
  case pl_005c:
    return std::make_unique<TvxnDS_pl005c>();
  case pl_005d:
    return std::make_unique<TvxnDS_pl005d>();
  case pl_005f:
    return std::make_unique<TvxnDS_pl005f>();
  case pl_006e:
    return std::make_unique<TvxnDS_pl006e>();
  case pl_006f:
    return std::make_unique<TvxnDS_pl006f>();
  case pl_006g:
    return std::make_unique<TvxnDS_pl006g>();
  case pl_006i:
    return std::make_unique<TvxnDS_pl006i>();
  case pl_006j:
    return std::make_unique<TvxnDS_pl006j>();
  case pl_006m:
    return std::make_unique<TvxnDS_pl006m>();
  case pl_006n:
    return std::make_unique<TvxnDS_pl006n>();
  case pl_006p:
    return std::make_unique<TvxnDS_pl006p>();
  case pl_006q:
    return std::make_unique<TvxnDS_pl006q>();
  case pl_006r:
    return std::make_unique<TvxnDS_pl006r>();
  case pl_006s:
    return std::make_unique<TvxnDS_pl006s>();
  case pl_006t:
    return std::make_unique<TvxnDS_pl006t>();
  case pl_006u:
    return std::make_unique<TvxnDS_pl006u>();
  case pl_006v:
    return std::make_unique<TvxnDS_pl006v>();
  case pl_008a:
    return std::make_unique<TvxnDS_pl008a>();
  case pl_008b:
    return std::make_unique<TvxnDS_pl008b>();
  case pl_008c:
    return std::make_unique<TvxnDS_pl008c>();
  case pl_008d:
    return std::make_unique<TvxnDS_pl008d>();
  case pl_008e:
    return std::make_unique<TvxnDS_pl008e>();
  case pl_008f:
    return std::make_unique<TvxnDS_pl008f>();
  case pl_008g:
    return std::make_unique<TvxnDS_pl008g>();
  case pl_008h:
    return std::make_unique<TvxnDS_pl008h>();
  case pl_008i:
    return std::make_unique<TvxnDS_pl008i>();
  case pl_008i1:
    return std::make_unique<TvxnDS_pl008i1>();
  case pl_008i2:
    return std::make_unique<TvxnDS_pl008i2>();
  case pl_009:
    return std::make_unique<TvxnDS_pl009>();
  case pl_009g:
    return std::make_unique<TvxnDS_pl009g>();
  case pl_009p:
    return std::make_unique<TvxnDS_pl009p>();
  case pl_010:
    return std::make_unique<TvxnDS_pl010>();
  }
  throw EvxnNFeVersaoEsquemaException("Versão de esquema desconhecida: %d", {static_cast<int>(versao)});
}

} // namespace vxn
