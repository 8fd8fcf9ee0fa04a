// The totals of part W against the sums over the items, and the total of the document (vNF).
#include "vxnNFeRegras.h"

#include "datasets/vxnXmlDataSetNFe.h"
#include "vxnNFeRegrasApoio.h"

#include <cmath>

namespace vxn {

using namespace regras;

namespace {
bool DentroDaTolerancia(double a, double b, double tolerancia) {
  return std::fabs(a - b) <= tolerancia + 1e-9;
}
} // namespace

void TvxnNFeRegraDeTotal::execute() {
  TvxnNFeRule::execute();
  double soma = 0;
  AlgumRegistro("H", [&] {
    soma += Parcela();
    return false;
  });
  if (!DentroDaTolerancia(soma, ValorDecimal(CampoTotal()), Tolerancia()))
    FalharValidacao();
}

void TvxnNFeTotalPorItem::execute() {
  soma_ = 0;
  vistos_ = 0;
  TvxnNFeTemplateItem::execute();
}

bool TvxnNFeTotalPorItem::ExpressaoDeValidacao() {
  soma_ += Parcela();
  if (++vistos_ < Parte("H").RecordCount())
    return true;
  return DentroDaTolerancia(soma_, ValorDecimal(CampoTotal()), Tolerancia());
}

// Each total: its class, the W field, the tolerance and the current item's share.
#define VXN_TOTAL(Classe, total, tolerancia, parcela)                                                        \
  double Classe::Parcela() const {                                                                           \
    return parcela;                                                                                          \
  }                                                                                                          \
  std::string_view Classe::CampoTotal() const {                                                              \
    return total;                                                                                            \
  }                                                                                                          \
  double Classe::Tolerancia() const {                                                                        \
    return tolerancia;                                                                                       \
  }

#define VXN_TOTAL_ITEM(Classe, total, parcela)                                                               \
  double Classe::Parcela() const {                                                                           \
    return parcela;                                                                                          \
  }                                                                                                          \
  std::string_view Classe::CampoTotal() const {                                                              \
    return total;                                                                                            \
  }

// The share of items of one kind: ISSQN items (part U filled) or the others, subject to ICMS.
#define VXN_ISSQN (PartePreenchida("U"))
#define VXN_SE(condicao, campo) ((condicao) ? ValorDecimal(campo) : 0.0)

// The totals before note 2012.003: tolerance 1.00.
VXN_TOTAL(TvxnNFeGW03, "vBC_W03", 1.0, ValorDecimal("vBC_N15"))
VXN_TOTAL(TvxnNFeGW04, "vICMS_W04", 1.0, ValorDecimal("vICMS_N17"))
VXN_TOTAL(TvxnNFeGW05, "vBCST_W05", 1.0, ValorDecimal("vBCST_N21"))
VXN_TOTAL(TvxnNFeGW06, "vST_W06", 1.0, ValorDecimal("vICMSST_N23"))
VXN_TOTAL(TvxnNFeGW07, "vProd_W07", 1.0, VXN_SE(Valor("indTot_I17b") == "1" && !VXN_ISSQN, "vProd_I11"))
VXN_TOTAL(TvxnNFeGW08, "vFrete_W08", 1.0, ValorDecimal("vFrete_I15"))
VXN_TOTAL(TvxnNFeGW09, "vSeg_W09", 1.0, ValorDecimal("vSeg_I16"))
VXN_TOTAL(TvxnNFeGW10, "vDesc_W10", 1.0, ValorDecimal("vDesc_I17"))
VXN_TOTAL(TvxnNFeGW11, "vII_W11", 1.0, ValorDecimal("vII_P04"))
VXN_TOTAL(TvxnNFeGW12, "vIPI_W12", 1.0, ValorDecimal("vIPI_O14"))
VXN_TOTAL(TvxnNFeGW13, "vPIS_W13", 1.0, VXN_SE(!VXN_ISSQN, "vPIS_Q09"))
VXN_TOTAL(TvxnNFeGW14, "vCOFINS_W14", 1.0, VXN_SE(!VXN_ISSQN, "vCOFINS_S11"))
VXN_TOTAL(TvxnNFeGW15, "vOutro_W15", 1.0, ValorDecimal("vOutro_I17a"))
VXN_TOTAL(TvxnNFeGW18, "vServ_W18", 1.0, VXN_SE(VXN_ISSQN, "vProd_I11"))
VXN_TOTAL(TvxnNFeGW19, "vBC_W19", 1.0, ValorDecimal("vBC_U02"))
VXN_TOTAL(TvxnNFeGW20, "vISS_W20", 1.0, ValorDecimal("vISSQN_U04"))
VXN_TOTAL(TvxnNFeGW21, "vPIS_W21", 1.0, VXN_SE(VXN_ISSQN, "vPIS_Q09"))
VXN_TOTAL(TvxnNFeGW22, "vCOFINS_W22", 1.0, VXN_SE(VXN_ISSQN, "vCOFINS_S11"))

// Revised by note 2012.003: tolerance 0.50; the base of the deferred ICMS (CST 51) is not in vBC.
VXN_TOTAL(TvxnNFeGW03_NT003_2012, "vBC_W03", 0.5, VXN_SE(Valor("CST_N12") != "51", "vBC_N15"))
VXN_TOTAL(TvxnNFeGW04_NT003_2012, "vICMS_W04", 0.5, ValorDecimal("vICMS_N17"))
VXN_TOTAL(TvxnNFeGW04a, "vICMSDeson_W04a", 0.5, ValorDecimal("vICMSDeson_N28a"))
VXN_TOTAL(TvxnNFeGW05_NT003_2012, "vBCST_W05", 0.5, ValorDecimal("vBCST_N21"))
VXN_TOTAL(TvxnNFeGW06_NT003_2012, "vST_W06", 0.5, ValorDecimal("vICMSST_N23"))
VXN_TOTAL(TvxnNFeGW07_NT003_2012, "vProd_W07", 0.5,
          VXN_SE(Valor("indTot_I17b") == "1" && !VXN_ISSQN, "vProd_I11"))
VXN_TOTAL(TvxnNFeGW08_NT003_2012, "vFrete_W08", 0.5, ValorDecimal("vFrete_I15"))
VXN_TOTAL(TvxnNFeGW09_NT003_2012, "vSeg_W09", 0.5, ValorDecimal("vSeg_I16"))
VXN_TOTAL(TvxnNFeGW10_NT003_2012, "vDesc_W10", 0.5, ValorDecimal("vDesc_I17"))
VXN_TOTAL(TvxnNFeGW11_NT003_2012, "vII_W11", 0.5, ValorDecimal("vII_P04"))
VXN_TOTAL(TvxnNFeGW12_NT003_2012, "vIPI_W12", 0.5, ValorDecimal("vIPI_O14"))
VXN_TOTAL(TvxnNFeGW13_NT003_2012, "vPIS_W13", 0.5, VXN_SE(!VXN_ISSQN, "vPIS_Q09"))
VXN_TOTAL(TvxnNFeGW14_NT003_2012, "vCOFINS_W14", 0.5, VXN_SE(!VXN_ISSQN, "vCOFINS_S11"))
VXN_TOTAL(TvxnNFeGW15_NT003_2012, "vOutro_W15", 0.5, ValorDecimal("vOutro_I17a"))
VXN_TOTAL(TvxnNFeGW18_NT003_2012, "vServ_W18", 0.5, VXN_SE(VXN_ISSQN, "vProd_I11"))
VXN_TOTAL(TvxnNFeGW19_NT003_2012, "vBC_W19", 0.5, ValorDecimal("vBC_U02"))
VXN_TOTAL(TvxnNFeGW20_NT003_2012, "vISS_W20", 0.5, ValorDecimal("vISSQN_U04"))
VXN_TOTAL(TvxnNFeGW21_NT003_2012, "vPIS_W21", 0.5, VXN_SE(VXN_ISSQN, "vPIS_Q09"))
VXN_TOTAL(TvxnNFeGW22_NT003_2012, "vCOFINS_W22", 0.5, VXN_SE(VXN_ISSQN, "vCOFINS_S11"))

// The approximate taxes (note 2013.003) and the ICMS of the destination state (note 2015.003).
VXN_TOTAL(TvxnNFeGW16b_NT003_2013, "vTotTrib_W16a", 1.0, ValorDecimal("vTotTrib_M02"))
VXN_TOTAL(TvxnNFeW04c_10_NT003_2015, "vFCPUFDest_W04c", 1.0, ValorDecimal("vFCPUFDest_NA13"))
VXN_TOTAL(TvxnNFeW04e_10_NT003_2015, "vICMSUFDest_W04e", 1.0, ValorDecimal("vICMSUFDest_NA15"))
VXN_TOTAL(TvxnNFeW04g_10_NT003_2015, "vICMSUFRemet_W04g", 1.0, ValorDecimal("vICMSUFRemet_NA17"))

// The same, item by item.
VXN_TOTAL_ITEM(TvxnNFeGW16a, "vTotTrib_W16a", ValorDecimal("vTotTrib_M02"))
VXN_TOTAL_ITEM(TvxnNFeGW22b, "vDeducao_W22b", ValorDecimal("vDeducao_U07"))
VXN_TOTAL_ITEM(TvxnNFeGW22c, "vOutro_W22c", ValorDecimal("vOutro_U08"))
VXN_TOTAL_ITEM(TvxnNFeGW22d, "vDescIncond_W22d", ValorDecimal("vDescIncond_U09"))
VXN_TOTAL_ITEM(TvxnNFeGW22e, "vDescCond_W22e", ValorDecimal("vDescCond_U10"))
VXN_TOTAL_ITEM(TvxnNFeGW22f, "vISSRet_W22f", ValorDecimal("vISSRet_U11"))

#undef VXN_TOTAL
#undef VXN_TOTAL_ITEM
#undef VXN_ISSQN
#undef VXN_SE

namespace {
// vNF of an outgoing document other than an import: the products and what is added to them, less the
// discount and the exempted ICMS. The ICMS-ST of a vehicle sold by an importer (tpOp 2) is not added.
double TotalDaNota(const std::function<double(std::string_view)>& w, bool semST) {
  return w("vProd_W07") + (semST ? 0.0 : w("vST_W06")) + w("vFrete_W08") + w("vSeg_W09") + w("vOutro_W15") +
         w("vII_W11") + w("vIPI_W12") + w("vServ_W18") - w("vDesc_W10");
}
} // namespace

void TvxnNFeGW16_NT003_2012::execute() {
  TvxnNFeRule::execute();
  if (Valor("tpNF_B11") != "1" || ComecaCom(Valor("CFOP_I08"), "3"))
    return;
  const auto w = [&](std::string_view campo) { return ValorDecimal(campo); };
  const double total = TotalDaNota(w, Valor("tpOp_J02") == "2");
  if (!DentroDaTolerancia(total, w("vNF_W16"), 0.5))
    FalharValidacao();
}

void TvxnNFeGW16_NT005_2013::execute() {
  TvxnNFeRule::execute();
  if (Valor("tpNF_B11") != "1" || ComecaCom(Valor("CFOP_I08"), "3"))
    return;
  const auto w = [&](std::string_view campo) { return ValorDecimal(campo); };
  const double deson = w("vICMSDeson_W04a");
  const double total = TotalDaNota(w, Valor("tpOp_J02") == "2") - deson;
  const double vNF = w("vNF_W16");
  // Values in cents: "equals" is equality of cents, free of the binary fractions of the sums.
  if (std::llround(vNF * 100) == std::llround((total + deson) * 100))
    return;
  if (!DentroDaTolerancia(total, vNF, 1.0))
    FalharValidacao();
}

} // namespace vxn
