// One version dataset per schema package. Each derives from the one before it, so that a newer layout
// overrides only what changed; the classes that change nothing exist so that every TVersaoEsquema
// value has its class.
#pragma once

#include "vxnNFeCustomDataSet.h"
#include "vxnNFeType.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vxn {

#define VXN_VERSION_DATASET(Name, Parent)                                                                    \
  class Name : public Parent {};

VXN_VERSION_DATASET(TvxnDS_pl005a, TvxnNFeCustomDataSet)
VXN_VERSION_DATASET(TvxnDS_pl005b, TvxnDS_pl005a)
// ICMS60 with the ST charged earlier (vBCSTRet, vICMSSTRet).
class TvxnDS_pl005c : public TvxnDS_pl005b {
public:
  std::string ConvPartN() override;
};

VXN_VERSION_DATASET(TvxnDS_pl005d, TvxnDS_pl005c)
// PIS and COFINS not taxed with CST 05.
class TvxnDS_pl005f : public TvxnDS_pl005d {
public:
  std::string ConvPartQ() override;
  std::string ConvPartS() override;
};

// Layout 2.00: issue and exit dates (dEmi, dSaiEnt, hSaiEnt), the tax regime of the issuer (CRT), the
// Simples Nacional ICMS groups, the recipient's e-mail, the item's other expenses and totalling flag, the
// purchase order of the item. The issuer, transport, billing, references and additional information keep
// this form up to 4.00.
class TvxnDS_pl006e : public TvxnDS_pl005d {
public:
  std::string ConvPartA() override;
  std::string ConvPartB() override;
  std::string ConvPartC() override;
  std::string ConvPartE() override;
  std::string ConvPartF() override;
  std::string ConvPartG() override;
  std::string ConvPartI() override;
  std::string ConvPartL1() override;
  std::string ConvPartN() override;
  std::string ConvPartQ() override;
  std::string ConvPartS() override;
  std::string ConvPartX() override;
  std::string ConvPartZ() override;
  std::string ConvPartRef() override;
  std::string ConvPartZCCana();

protected:
  // The fields of prod after DI (the order and the FCI number from pl_006s).
  virtual const TvxnListaCampos& CamposPedido();
};

VXN_VERSION_DATASET(TvxnDS_pl006f, TvxnDS_pl006e)
VXN_VERSION_DATASET(TvxnDS_pl006g, TvxnDS_pl006f)
VXN_VERSION_DATASET(TvxnDS_pl006i, TvxnDS_pl006g)
VXN_VERSION_DATASET(TvxnDS_pl006j, TvxnDS_pl006i)
VXN_VERSION_DATASET(TvxnDS_pl006m, TvxnDS_pl006j)
VXN_VERSION_DATASET(TvxnDS_pl006n, TvxnDS_pl006m)
VXN_VERSION_DATASET(TvxnDS_pl006p, TvxnDS_pl006n)
VXN_VERSION_DATASET(TvxnDS_pl006q, TvxnDS_pl006p)
// The approximate total of taxes of the item (vTotTrib) and of the document.
class TvxnDS_pl006r : public TvxnDS_pl006q {
public:
  std::string ConvPartM() override;
  std::string ConvPartW() override;
};

// The FCI number of an imported item's content (nFCI).
class TvxnDS_pl006s : public TvxnDS_pl006r {
protected:
  const TvxnListaCampos& CamposPedido() override;
};

VXN_VERSION_DATASET(TvxnDS_pl006t, TvxnDS_pl006s)
VXN_VERSION_DATASET(TvxnDS_pl006u, TvxnDS_pl006t)
VXN_VERSION_DATASET(TvxnDS_pl006v, TvxnDS_pl006u)

// Layout 3.10: adds AUTXML to the document parts and NVE, UB, DETEXPORT, EXPORTIND, L2 to the item parts;
// issue date and time with offset (dhEmi), the destination indicator, the final consumer and presence
// indicators, and the means of payment (pag).
//
// The builders here write the groups in the form of the 3.10 schema; 4.00 overrides those whose form
// changed and reuses the helpers below.
class TvxnDS_pl008a : public TvxnDS_pl006s {
public:
  void AddDataSetsListaItemNFe() override;
  void AddDataSetsListaNFE() override;
  std::string ConverterAuto() override;
  // Computes the access key, stores Id_A03, the zero-filled cNF_B03 and cDV_B23, and opens infNFe.
  std::string ConvPartA() override;
  std::string ConvPartB() override;
  // The content of ide: its fields in schema order, then the references.
  virtual void AppendCamposIde(std::string& out);
  std::string ConvPartE() override;
  std::string ConvPartF() override;
  std::string ConvPartG() override;
  std::string ConvPartItens() override;
  std::string ConvPartI() override;
  std::string ConvPartL1() override;
  // The ICMS group chosen by CST_N12, or the Simples Nacional group chosen by CSOSN_N12a.
  std::string ConvPartN() override;
  std::string ConvPartW() override;
  std::string ConvExporta() override;
  std::string ConvPartL2() override;
  virtual std::string ConvPartUB();
  // The ICMS of the destination state (ICMSUFDest): none before pl_008g.
  virtual std::string convPartNA();
  // One pag group per record of part YA (the means of payment of layout 3.10).
  virtual std::string ConvPag();
  std::string ConvPartNVE();

protected:
  // prod with the given fields between NCM and DI (they differ per package).
  std::string ConvProd(const TvxnListaCampos& meio);
  // total with the given ICMSTot fields and the ISSQNtot of 3.10 and 4.00.
  std::string ConvTotal(const TvxnListaCampos& icmsTot);
};

VXN_VERSION_DATASET(TvxnDS_pl008b, TvxnDS_pl008a)
VXN_VERSION_DATASET(TvxnDS_pl008c, TvxnDS_pl008b)
VXN_VERSION_DATASET(TvxnDS_pl008d, TvxnDS_pl008c)
VXN_VERSION_DATASET(TvxnDS_pl008e, TvxnDS_pl008d)
VXN_VERSION_DATASET(TvxnDS_pl008f, TvxnDS_pl008e)

// NA (ICMS for the destination state) follows N among the item parts; the CEST of the product and the
// destination-state totals.
class TvxnDS_pl008g : public TvxnDS_pl008f {
public:
  void AddDataSetsListaItemNFe() override;
  std::string ConvPartI() override;
  std::string ConvPartW() override;
  std::string convPartNA() override;
};

VXN_VERSION_DATASET(TvxnDS_pl008h, TvxnDS_pl008g)
VXN_VERSION_DATASET(TvxnDS_pl008i, TvxnDS_pl008h)
VXN_VERSION_DATASET(TvxnDS_pl008i1, TvxnDS_pl008i)
VXN_VERSION_DATASET(TvxnDS_pl008i2, TvxnDS_pl008i1)

// Layout 4.00: payment (YA01, YA), intermediary (YB), technical contact (ZD) and batches (I80).
//
// The builders below write the groups in the form of the newest 4.00 package (pl_009g); the fields
// that package added are optional, so a document that leaves them empty gets the pl_009 form.
class TvxnDS_pl009 : public TvxnDS_pl008i2 {
public:
  void AddDataSetsListaItemNFe() override;
  void AddDataSetsListaNFE() override;
  std::string ConverterAuto() override;
  void AppendCamposIde(std::string& out) override;
  std::string ConvPartF() override;
  std::string ConvPartG() override;
  std::string ConvPartI() override;
  std::string ConvPartK() override;
  std::string ConvPartL1() override;
  std::string ConvPartN() override;
  std::string ConvPartO() override;
  std::string ConvPartR() override;
  std::string ConvPartT() override;
  std::string ConvPartW() override;
  std::string convPartNA() override;
  virtual std::string ConvPartI80();
  virtual std::string ConvPartYA01();
  virtual std::string ConvPartYA();
  virtual std::string ConvPartYB();
  virtual std::string ConvPartZD();

protected:
  // The Simples Nacional group of CSOSN_N12a, or "" when the code selects none.
  std::string GrupoICMSSN();
};

VXN_VERSION_DATASET(TvxnDS_pl009g, TvxnDS_pl009)

// The current 4.00 package (PL_009p): every group and field of nfe_v4.00.xsd as published today, in
// schema order. Beside what pl_009g writes: the single-phase fuel ICMS groups (CST 02, 15, 53, 61) and
// totals, indDeduzDeson and cBenefRBC, the presumed credit (GCRED), the fiscal-product and packing
// groups, up to 500 weapons per item, the biodiesel share and origins of a fuel (ORIGCOMB), the item's
// observations (VA), the payment's date, payer and terminal, the signed reference, the act type of a
// process, the request of a fiscal note (ZF), the CPF of an import declaration, and an NFC-e (model 65)
// without recipient.
class TvxnDS_pl009p : public TvxnDS_pl009g {
public:
  void AddDataSetsListaItemNFe() override;
  void AddDataSetsListaNFE() override;
  std::string ConverterAuto() override;
  std::string ConvPartE() override;
  std::string ConvPartRef() override;
  std::string ConvPartItens() override;
  std::string ConvPartI() override;
  std::string ConvPartL() override;
  std::string ConvPartL1() override;
  std::string ConvPartN() override;
  std::string ConvPartW() override;
  std::string ConvPartYA() override;
  virtual std::string ConvPartGCred();
  virtual std::string ConvPartVA();
  virtual std::string ConvPartZF();
  // The tax reform's groups, each at its place in the schema: IS and IBSCBS at the end of imposto, the
  // item's total and referenced DF-e at the end of det, ISTot, IBSCBSTot and vNFTot at the end of total.
  // This package has none of them.
  virtual std::string ConvTributosReforma();
  virtual std::string ConvPartVB();
  virtual std::string ConvTotaisReforma();
  // The elements of prod the reform package added: tpCredPresIBSZFM after gCred, indBemMovelUsado after
  // indTot. This package has neither.
  virtual std::string ConvProdCredPresZFM();
  virtual std::string ConvProdBemMovelUsado();

protected:
  // The ICMS group of a regime other than the Simples Nacional. `reforma`: ICMSPart as the reform
  // package has it (CST 20 too, and the exempted ICMS after UFST).
  std::string GrupoICMS400p(bool reforma = false);
};

// The tax reform package (PL_010): beside every group of pl_009p, the selective tax (IS) and the IBS and
// CBS (IBSCBS) of each item with every group of their schema (the state's and the municipality's IBS, the
// CBS, deferral, refunds, reduced rates, the regular taxation, government purchases, the single-phase
// fuels, credit transfers and adjustments, credit reversal, presumed credits), the item's total and
// referenced DF-e, the totals ISTot, IBSCBSTot and vNFTot, and in ide the expected delivery date, the
// municipality of the IBS, the debit and credit note types, the government purchase and the advance
// payments (PAGANTEC).
class TvxnDS_pl010 : public TvxnDS_pl009p {
public:
  void AddDataSetsListaItemNFe() override;
  void AddDataSetsListaNFE() override;
  void AppendCamposIde(std::string& out) override;
  std::string ConvTributosReforma() override;
  std::string ConvPartVB() override;
  std::string ConvTotaisReforma() override;
  std::string ConvProdCredPresZFM() override;
  std::string ConvProdBemMovelUsado() override;
  std::string ConvPartN() override;

  // An element of a schema group: a leaf names the field that holds its value, a group its elements.
  struct TvxnNoXml {
    std::string_view tag;
    std::string_view campo;
    std::vector<TvxnNoXml> filhos;
    TvxnNoXml(std::string_view t, std::string_view c) : tag(t), campo(c) {}
    TvxnNoXml(std::string_view t, std::vector<TvxnNoXml> f) : tag(t), filhos(std::move(f)) {}
  };

private:
  // The elements in schema order from the current record of the part: a leaf when its field holds a
  // value, a group when any of its elements is written.
  void AppendArvore(std::string& out, const TXmlDataSetNFe& part, const std::vector<TvxnNoXml>& nos);
};

#undef VXN_VERSION_DATASET

// Whether an ANP product code is one of the fuels whose ICMS charged earlier by substitution is written
// in the ICMSST group (CST 60, from 4.00).
bool ProdutoCombustivelICMSST(std::string_view cProdANP);

// A new version dataset of the class that belongs to the schema package.
std::unique_ptr<TvxnNFeCustomDataSet> CreateVersionDataSet(TVersaoEsquema versao);

} // namespace vxn
