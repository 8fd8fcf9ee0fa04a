// The authority's rejection rules of the manual versions 4.0, 5.0 and 5.0a, one class per rule, named
// after the rule id of the authority's validation table ("." written "_", the technical note that
// revised a rule appended). The data a rule reports (id, field, code, text, manual version) are given by
// the loader that registers it (vxnNFeRegrasCatalogo.cpp), so one class may serve several versions.
//
// Document rules override execute; item rules (TvxnNFeTemplateItem) are asked once per item; the total
// rules add a value over the items and compare the sum with a total of part W (TvxnNFeRegraDeTotal,
// TvxnNFeTotalPorItem).
#pragma once

#include "vxnNFeRule.h"

#include <string>
#include <string_view>

namespace vxn {

// A total of part W against the sum of a value over the items: passes when they differ by at most the
// tolerance. Parcela gives the current item's share (its part records followed through H).
class TvxnNFeRegraDeTotal : public TvxnNFeRule {
public:
  using TvxnNFeRule::TvxnNFeRule;
  void execute() override;

protected:
  virtual double Parcela() const = 0;
  virtual std::string_view CampoTotal() const = 0;
  virtual double Tolerancia() const = 0;
};

// The same comparison made by an item rule: each item adds its share, the last one compares.
class TvxnNFeTotalPorItem : public TvxnNFeTemplateItem {
public:
  using TvxnNFeTemplateItem::TvxnNFeTemplateItem;
  void execute() override;
  bool ExpressaoDeValidacao() override;

protected:
  virtual double Parcela() const = 0;
  virtual std::string_view CampoTotal() const = 0;
  virtual double Tolerancia() const { return 1.0; }

private:
  double soma_ = 0;
  std::size_t vistos_ = 0;
};

#define VXN_REGRA(Classe)                                                                                    \
  class Classe : public TvxnNFeRule {                                                                        \
  public:                                                                                                    \
    using TvxnNFeRule::TvxnNFeRule;                                                                          \
    void execute() override;                                                                                 \
  };

#define VXN_REGRA_ITEM(Classe)                                                                               \
  class Classe : public TvxnNFeTemplateItem {                                                                \
  public:                                                                                                    \
    using TvxnNFeTemplateItem::TvxnNFeTemplateItem;                                                          \
    bool ExpressaoDeValidacao() override;                                                                    \
  };

#define VXN_REGRA_TOTAL(Classe)                                                                              \
  class Classe : public TvxnNFeRegraDeTotal {                                                                \
  public:                                                                                                    \
    using TvxnNFeRegraDeTotal::TvxnNFeRegraDeTotal;                                                          \
                                                                                                             \
  protected:                                                                                                 \
    double Parcela() const override;                                                                         \
    std::string_view CampoTotal() const override;                                                            \
    double Tolerancia() const override;                                                                      \
  };

#define VXN_REGRA_TOTAL_ITEM(Classe)                                                                         \
  class Classe : public TvxnNFeTotalPorItem {                                                                \
  public:                                                                                                    \
    using TvxnNFeTotalPorItem::TvxnNFeTotalPorItem;                                                          \
                                                                                                             \
  protected:                                                                                                 \
    double Parcela() const override;                                                                         \
    std::string_view CampoTotal() const override;                                                            \
  };

// Document rules.
VXN_REGRA(TvxnNFeB09_30_NT015_002)
VXN_REGRA(TvxnNFeBA02_40_NT015_002)
VXN_REGRA(TvxnNFeE16a_30_NT003_2015)
VXN_REGRA(TvxnNFeG07_20_NT015_002)
VXN_REGRA(TvxnNFeGA03)
VXN_REGRA(TvxnNFeGB06)
VXN_REGRA(TvxnNFeGB06_1)
VXN_REGRA(TvxnNFeGB07)
VXN_REGRA(TvxnNFeGB09)
VXN_REGRA(TvxnNFeGB09_1_NT003_2012)
VXN_REGRA(TvxnNFeGB09_2)
VXN_REGRA(TvxnNFeGB10_2)
VXN_REGRA(TvxnNFeGB10_3)
VXN_REGRA(TvxnNFeGB10a)
VXN_REGRA(TvxnNFeGB12)
VXN_REGRA(TvxnNFeGB12_1)
VXN_REGRA(TvxnNFeGB13)
VXN_REGRA(TvxnNFeGB13a_NT003_2013)
VXN_REGRA(TvxnNFeGB13b_NT003_2013)
VXN_REGRA(TvxnNFeGB17)
VXN_REGRA(TvxnNFeGB20_NT003_2013)
VXN_REGRA(TvxnNFeGB20d)
VXN_REGRA(TvxnNFeGB20e)
VXN_REGRA(TvxnNFeGB20ha_NT003_2013)
VXN_REGRA(TvxnNFeGB20i)
VXN_REGRA(TvxnNFeGB20ia_NT003_2013)
VXN_REGRA(TvxnNFeGB20m_NT003_2013)
VXN_REGRA(TvxnNFeGB21_2)
VXN_REGRA(TvxnNFeGB22)
VXN_REGRA(TvxnNFeGB22_1)
VXN_REGRA(TvxnNFeGB22_3)
VXN_REGRA(TvxnNFeGB23)
VXN_REGRA(TvxnNFeGB25)
VXN_REGRA(TvxnNFeGB25_1)
VXN_REGRA(TvxnNFeGB25_2)
VXN_REGRA(TvxnNFeGB25_3)
VXN_REGRA(TvxnNFeGB25_3_NT003_2013)
VXN_REGRA(TvxnNFeGB25_4)
VXN_REGRA(TvxnNFeGB25_7)
VXN_REGRA(TvxnNFeGB25b)
VXN_REGRA(TvxnNFeGB26)
VXN_REGRA(TvxnNFeGB26_1)
VXN_REGRA(TvxnNFeGB28)
VXN_REGRA(TvxnNFeGC02)
VXN_REGRA(TvxnNFeGC02_a)
VXN_REGRA(TvxnNFeGC02_a1)
VXN_REGRA(TvxnNFeGC10)
VXN_REGRA(TvxnNFeGC10_1)
VXN_REGRA(TvxnNFeGC17)
VXN_REGRA(TvxnNFeGC18_14)
VXN_REGRA(TvxnNFeGC18_40)
VXN_REGRA(TvxnNFeGD01)
VXN_REGRA(TvxnNFeGD01_2)
VXN_REGRA(TvxnNFeGE01)
VXN_REGRA(TvxnNFeGE02)
VXN_REGRA(TvxnNFeGE02_1)
VXN_REGRA(TvxnNFeGE02_2)
VXN_REGRA(TvxnNFeGE03)
VXN_REGRA(TvxnNFeGE03a)
VXN_REGRA(TvxnNFeGE03a_1)
VXN_REGRA(TvxnNFeGE03a_2)
VXN_REGRA(TvxnNFeGE03a_3)
VXN_REGRA(TvxnNFeGE04)
VXN_REGRA(TvxnNFeGE05)
VXN_REGRA(TvxnNFeGE10)
VXN_REGRA(TvxnNFeGE10_1)
VXN_REGRA(TvxnNFeGE10_2)
VXN_REGRA(TvxnNFeGE10_2_NT005_2013)
VXN_REGRA(TvxnNFeGE12)
VXN_REGRA(TvxnNFeGE12_1)
VXN_REGRA(TvxnNFeGE12_2)
VXN_REGRA(TvxnNFeGE12_3)
VXN_REGRA(TvxnNFeGE14)
VXN_REGRA(TvxnNFeGE14_1)
VXN_REGRA(TvxnNFeGE14_1_NT005_2013)
VXN_REGRA(TvxnNFeGE14_NT005_2013)
VXN_REGRA(TvxnNFeGE16a)
VXN_REGRA(TvxnNFeGE17)
VXN_REGRA(TvxnNFeGE17_1)
VXN_REGRA(TvxnNFeGE17_2)
VXN_REGRA(TvxnNFeGE17_3)
VXN_REGRA(TvxnNFeGF02)
VXN_REGRA(TvxnNFeGF02_a)
VXN_REGRA(TvxnNFeGF07)
VXN_REGRA(TvxnNFeGF07_1)
VXN_REGRA(TvxnNFeGF07_2)
VXN_REGRA(TvxnNFeGG02)
VXN_REGRA(TvxnNFeGG02_a)
VXN_REGRA(TvxnNFeGG07)
VXN_REGRA(TvxnNFeGG07_1)
VXN_REGRA(TvxnNFeGG07_2)
VXN_REGRA(TvxnNFeGI05_10)
VXN_REGRA(TvxnNFeGI08_120_NT005_2013)
VXN_REGRA(TvxnNFeGI08_130_NT005_2013)
VXN_REGRA(TvxnNFeGU01)
VXN_REGRA(TvxnNFeGU05)
VXN_REGRA(TvxnNFeGU05_10)
VXN_REGRA(TvxnNFeGW16_NT003_2012)
VXN_REGRA(TvxnNFeGW16_NT005_2013)
VXN_REGRA(TvxnNFeGX04)
VXN_REGRA(TvxnNFeGX04_1)
VXN_REGRA(TvxnNFeGX05)
VXN_REGRA(TvxnNFeGX07)
VXN_REGRA(TvxnNFeGX17)
VXN_REGRA(TvxnNFeGZA01)
VXN_REGRA(TvxnNFeGZA01_1)
VXN_REGRA(TvxnNFeGZB02)
VXN_REGRA(TvxnNFeI08_190_NT015_002)
VXN_REGRA(TvxnNFeJ02_c_NT003_2012)
VXN_REGRA(TvxnNFeN12_70_NT003_2015)
VXN_REGRA(TvxnNFeN12_80_NT003_2015)
VXN_REGRA(TvxnNFeN12a_70_NT003_2015)
VXN_REGRA(TvxnNFeN16_20_NT003_2015)
VXN_REGRA(TvxnNFeN23_10_NT003_2015)
VXN_REGRA(TvxnNFeNA01_20_NT003_2015)
VXN_REGRA(TvxnNFeNA01_30_NT003_2015)
VXN_REGRA(TvxnNFeNA09_10_NT003_2015)
VXN_REGRA(TvxnNFeNA09_20_NT003_2015)
VXN_REGRA(TvxnNFeNA09_30_NT003_2015)
VXN_REGRA(TvxnNFeNA11_10_NT003_2015)
VXN_REGRA(TvxnNFeNA13_10_NT003_2015)
VXN_REGRA(TvxnNFeU14_10_NT015_002)

// Item rules.
VXN_REGRA_ITEM(TvxnNFeGI01)
VXN_REGRA_ITEM(TvxnNFeGI03)
VXN_REGRA_ITEM(TvxnNFeGI05_2)
VXN_REGRA_ITEM(TvxnNFeGI05_3)
VXN_REGRA_ITEM(TvxnNFeGI08)
VXN_REGRA_ITEM(TvxnNFeGI08_1)
VXN_REGRA_ITEM(TvxnNFeGI08_10)
VXN_REGRA_ITEM(TvxnNFeGI08_12)
VXN_REGRA_ITEM(TvxnNFeGI08_13)
VXN_REGRA_ITEM(TvxnNFeGI08_2)
VXN_REGRA_ITEM(TvxnNFeGI08_3)
VXN_REGRA_ITEM(TvxnNFeGI08_4)
VXN_REGRA_ITEM(TvxnNFeGI08_5)
VXN_REGRA_ITEM(TvxnNFeGI08_5_NT005_2013)
VXN_REGRA_ITEM(TvxnNFeGI08_7)
VXN_REGRA_ITEM(TvxnNFeGI08_8)
VXN_REGRA_ITEM(TvxnNFeGI08_8_NT005_2013)
VXN_REGRA_ITEM(TvxnNFeGI08_9)
VXN_REGRA_ITEM(TvxnNFeGI12)
VXN_REGRA_ITEM(TvxnNFeGI17_10)
VXN_REGRA_ITEM(TvxnNFeGI18)
VXN_REGRA_ITEM(TvxnNFeGI23_10)
VXN_REGRA_ITEM(TvxnNFeGI23_b)
VXN_REGRA_ITEM(TvxnNFeGI23_d)
VXN_REGRA_ITEM(TvxnNFeGI23_e)
VXN_REGRA_ITEM(TvxnNFeGI23d_1)
VXN_REGRA_ITEM(TvxnNFeGI29_a)
VXN_REGRA_ITEM(TvxnNFeGI50)
VXN_REGRA_ITEM(TvxnNFeGI51)
VXN_REGRA_ITEM(TvxnNFeGI54)
VXN_REGRA_ITEM(TvxnNFeGI54_1)
VXN_REGRA_ITEM(TvxnNFeGL101_NT003_2012)
VXN_REGRA_ITEM(TvxnNFeGL102a)
VXN_REGRA_ITEM(TvxnNFeGLA11_10)
VXN_REGRA_ITEM(TvxnNFeGLA16_10)
VXN_REGRA_ITEM(TvxnNFeGLB01_3)
VXN_REGRA_ITEM(TvxnNFeGN12)
VXN_REGRA_ITEM(TvxnNFeGN16_04)
VXN_REGRA_ITEM(TvxnNFeGN16_NT005_2012)
VXN_REGRA_ITEM(TvxnNFeGN16_NT006_2013)
VXN_REGRA_ITEM(TvxnNFeGN16a)
VXN_REGRA_ITEM(TvxnNFeGN16c)
VXN_REGRA_ITEM(TvxnNFeGN17)
VXN_REGRA_ITEM(TvxnNFeGN17_2)
VXN_REGRA_ITEM(TvxnNFeGN17_NT005_2013)
VXN_REGRA_ITEM(TvxnNFeGN28)
VXN_REGRA_ITEM(TvxnNFeGN28_1)
VXN_REGRA_ITEM(TvxnNFeGN28_1_NT003_2012)
VXN_REGRA_ITEM(TvxnNFeGN28_2)
VXN_REGRA_ITEM(TvxnNFeGN28_2_NT005_2013)
VXN_REGRA_ITEM(TvxnNFeGN28_NT003_2012)
VXN_REGRA_ITEM(TvxnNFeGO09_10)
VXN_REGRA_ITEM(TvxnNFeGQ01_2)
VXN_REGRA_ITEM(TvxnNFeGS01_2)
VXN_REGRA_ITEM(TvxnNFeGY01)

// Totals of part W.
VXN_REGRA_TOTAL(TvxnNFeGW03)
VXN_REGRA_TOTAL(TvxnNFeGW03_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW04)
VXN_REGRA_TOTAL(TvxnNFeGW04_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW04a)
VXN_REGRA_TOTAL(TvxnNFeGW05)
VXN_REGRA_TOTAL(TvxnNFeGW05_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW06)
VXN_REGRA_TOTAL(TvxnNFeGW06_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW07)
VXN_REGRA_TOTAL(TvxnNFeGW07_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW08)
VXN_REGRA_TOTAL(TvxnNFeGW08_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW09)
VXN_REGRA_TOTAL(TvxnNFeGW09_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW10)
VXN_REGRA_TOTAL(TvxnNFeGW10_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW11)
VXN_REGRA_TOTAL(TvxnNFeGW11_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW12)
VXN_REGRA_TOTAL(TvxnNFeGW12_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW13)
VXN_REGRA_TOTAL(TvxnNFeGW13_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW14)
VXN_REGRA_TOTAL(TvxnNFeGW14_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW15)
VXN_REGRA_TOTAL(TvxnNFeGW15_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW16b_NT003_2013)
VXN_REGRA_TOTAL(TvxnNFeGW18)
VXN_REGRA_TOTAL(TvxnNFeGW18_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW19)
VXN_REGRA_TOTAL(TvxnNFeGW19_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW20)
VXN_REGRA_TOTAL(TvxnNFeGW20_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW21)
VXN_REGRA_TOTAL(TvxnNFeGW21_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeGW22)
VXN_REGRA_TOTAL(TvxnNFeGW22_NT003_2012)
VXN_REGRA_TOTAL(TvxnNFeW04c_10_NT003_2015)
VXN_REGRA_TOTAL(TvxnNFeW04e_10_NT003_2015)
VXN_REGRA_TOTAL(TvxnNFeW04g_10_NT003_2015)

// Totals of part W checked item by item.
VXN_REGRA_TOTAL_ITEM(TvxnNFeGW16a)
VXN_REGRA_TOTAL_ITEM(TvxnNFeGW22b)
VXN_REGRA_TOTAL_ITEM(TvxnNFeGW22c)
VXN_REGRA_TOTAL_ITEM(TvxnNFeGW22d)
VXN_REGRA_TOTAL_ITEM(TvxnNFeGW22e)
VXN_REGRA_TOTAL_ITEM(TvxnNFeGW22f)

#undef VXN_REGRA
#undef VXN_REGRA_ITEM
#undef VXN_REGRA_TOTAL
#undef VXN_REGRA_TOTAL_ITEM

} // namespace vxn
