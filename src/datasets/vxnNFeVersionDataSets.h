// One version dataset per schema package. Each derives from the one before it, so that a newer layout
// overrides only what changed; the classes that change nothing exist so that every TVersaoEsquema
// value has its class.
#pragma once

#include "vxnNFeCustomDataSet.h"
#include "vxnNFeType.h"

#include <memory>

namespace vxn {

#define VXN_VERSION_DATASET(Name, Parent)                                                                    \
  class Name : public Parent {};

VXN_VERSION_DATASET(TvxnDS_pl005a, TvxnNFeCustomDataSet)
VXN_VERSION_DATASET(TvxnDS_pl005b, TvxnDS_pl005a)
VXN_VERSION_DATASET(TvxnDS_pl005c, TvxnDS_pl005b)
VXN_VERSION_DATASET(TvxnDS_pl005d, TvxnDS_pl005c)
VXN_VERSION_DATASET(TvxnDS_pl005f, TvxnDS_pl005d)
VXN_VERSION_DATASET(TvxnDS_pl006e, TvxnDS_pl005d)
VXN_VERSION_DATASET(TvxnDS_pl006f, TvxnDS_pl006e)
VXN_VERSION_DATASET(TvxnDS_pl006g, TvxnDS_pl006f)
VXN_VERSION_DATASET(TvxnDS_pl006i, TvxnDS_pl006g)
VXN_VERSION_DATASET(TvxnDS_pl006j, TvxnDS_pl006i)
VXN_VERSION_DATASET(TvxnDS_pl006m, TvxnDS_pl006j)
VXN_VERSION_DATASET(TvxnDS_pl006n, TvxnDS_pl006m)
VXN_VERSION_DATASET(TvxnDS_pl006p, TvxnDS_pl006n)
VXN_VERSION_DATASET(TvxnDS_pl006q, TvxnDS_pl006p)
VXN_VERSION_DATASET(TvxnDS_pl006r, TvxnDS_pl006q)
VXN_VERSION_DATASET(TvxnDS_pl006s, TvxnDS_pl006r)
VXN_VERSION_DATASET(TvxnDS_pl006t, TvxnDS_pl006s)
VXN_VERSION_DATASET(TvxnDS_pl006u, TvxnDS_pl006t)
VXN_VERSION_DATASET(TvxnDS_pl006v, TvxnDS_pl006u)

// Adds AUTXML to the document parts and NVE, UB, DETEXPORT, EXPORTIND, L2 to the item parts.
class TvxnDS_pl008a : public TvxnDS_pl006s {
public:
  void AddDataSetsListaItemNFe() override;
  void AddDataSetsListaNFE() override;
};

VXN_VERSION_DATASET(TvxnDS_pl008b, TvxnDS_pl008a)
VXN_VERSION_DATASET(TvxnDS_pl008c, TvxnDS_pl008b)
VXN_VERSION_DATASET(TvxnDS_pl008d, TvxnDS_pl008c)
VXN_VERSION_DATASET(TvxnDS_pl008e, TvxnDS_pl008d)
VXN_VERSION_DATASET(TvxnDS_pl008f, TvxnDS_pl008e)

// NA (ICMS for the destination state) follows N among the item parts.
class TvxnDS_pl008g : public TvxnDS_pl008f {
public:
  void AddDataSetsListaItemNFe() override;
};

VXN_VERSION_DATASET(TvxnDS_pl008h, TvxnDS_pl008g)
VXN_VERSION_DATASET(TvxnDS_pl008i, TvxnDS_pl008h)
VXN_VERSION_DATASET(TvxnDS_pl008i1, TvxnDS_pl008i)
VXN_VERSION_DATASET(TvxnDS_pl008i2, TvxnDS_pl008i1)

// Layout 4.00: payment (YA01, YA), intermediary (YB), technical contact (ZD) and batches (I80).
class TvxnDS_pl009 : public TvxnDS_pl008i2 {
public:
  void AddDataSetsListaItemNFe() override;
  void AddDataSetsListaNFE() override;
};

VXN_VERSION_DATASET(TvxnDS_pl009g, TvxnDS_pl009)

#undef VXN_VERSION_DATASET

// A new version dataset of the class that belongs to the schema package.
std::unique_ptr<TvxnNFeCustomDataSet> CreateVersionDataSet(TVersaoEsquema versao);

} // namespace vxn
