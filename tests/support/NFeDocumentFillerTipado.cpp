#include "NFeDocumentFillerTipado.h"

#include <chrono>
#include <string>

namespace vxn::test {

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

void FillItem(TDetCollectionItem& item, int n) {
  TProd& prod = item.GetProd();
  prod.SetnItem(n);
  prod.SetcProd("PROD-" + std::to_string(n));
  prod.SetcEAN("SEM GTIN");
  prod.SetxProd("Parafuso sextavado M8 & porca (aço inox)");
  prod.SetNCM("73181500");
  prod.SetCFOP("5102");
  prod.SetuCom("UN");
  prod.SetqCom(10);
  prod.SetvUnCom(1.5);
  prod.SetvProd(15);
  prod.SetcEANTrib("SEM GTIN");
  prod.SetuTrib("UN");
  prod.SetqTrib(10);
  prod.SetvUnTrib(1.5);
  prod.SetIndTot(itSomaTotalNFe);
  prod.SetxPed("PED-1");

  TImposto& imposto = item.GetImposto();
  imposto.SetvTotTrib(2.1);
  TICMS& icms = imposto.GetICMS();
  icms.Setorig(omNacional);
  icms.SetCST(cst00);
  icms.SetmodBC(dbiValorOperacao);
  icms.SetvBC(15);
  icms.SetpICMS(18);
  icms.SetvICMS(2.7);
  TPIS& pis = imposto.GetPIS();
  pis.SetCST(pis01);
  pis.SetvBC(15);
  pis.SetpPIS(1.65);
  pis.SetvPIS(0.25);
  TCOFINS& cofins = imposto.GetCOFINS();
  cofins.SetCST(cof01);
  cofins.SetvBC(15);
  cofins.SetpCOFINS(7.6);
  cofins.SetvCOFINS(1.14);
  item.SetinfAdProd("Lote conforme pedido");
}

} // namespace

void FillDocumentTipado(NotaFiscal& nota, int nNF, int items) {
  TNFe& nfe = nota.GetNFe();
  nfe.GetInfNFe().SetVersao(4);

  TIde& ide = nfe.GetIde();
  ide.SetcUF(35);
  ide.SetcNF(12345678);
  ide.SetnatOp("Venda de mercadoria");
  ide.Setmodelo(55);
  ide.Setserie(1);
  ide.SetnNF(nNF);
  ide.SetdhEmi(local_days{2026y / December / 5} + 10h);
  ide.SettpNF(tnSaida);
  ide.SetidDest(doInterna);
  ide.SetcMunFG(3550308);
  ide.SettpImp(tiRetrato);
  ide.SettpEmis(teNormal);
  ide.SettpAmb(taHomologacao);
  ide.SetfinNFe(fnNormal);
  ide.SetindFinal(cfNao);
  ide.SetindPres(pcPresencial);
  ide.SetprocEmi(peAplicativoContribuinte);
  ide.SetverProc("bench 1.0");

  TEmit& emit = nfe.GetEmit();
  emit.SetCNPJCPF("11222333000181");
  emit.SetxNome("Quorvant Industria & Comercio Ltda");
  TenderEmit& enderEmit = emit.GetenderEmit();
  enderEmit.SetxLgr("Rua das Flores");
  enderEmit.Setnro("100");
  enderEmit.SetxBairro("Centro");
  enderEmit.SetcMun(3550308);
  enderEmit.SetxMun("São Paulo");
  enderEmit.SetUF("SP");
  enderEmit.SetCEP("01001000");
  emit.SetIE("111111111111");
  emit.SetCRT(crtRegimeNormal);

  TDest& dest = nfe.GetDest();
  dest.SetCNPJCPF("99888777000166");
  dest.SetxNome("NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL");
  TenderDest& enderDest = dest.GetEnderDest();
  enderDest.SetxLgr("Avenida Paulista");
  enderDest.Setnro("1000");
  enderDest.SetxBairro("Bela Vista");
  enderDest.SetcMun(3550308);
  enderDest.SetxMun("São Paulo");
  enderDest.SetUF("SP");
  dest.SetindIEDest(inNaoContribuinte);

  for (int i = 1; i <= items; ++i)
    FillItem(nfe.GetDet().New(), i);

  TICMSTot& tot = nfe.GetTotal().GetICMSTot();
  tot.SetvBC(150);
  tot.SetvICMS(27);
  tot.SetvICMSDeson(0);
  tot.SetvFCP(0);
  tot.SetvBCST(0);
  tot.SetvST(0);
  tot.SetvFCPST(0);
  tot.SetvFCPSTRet(0);
  tot.SetvProd(150);
  tot.SetvFrete(0);
  tot.SetvSeg(0);
  tot.SetvDesc(0);
  tot.SetvII(0);
  tot.SetvIPI(0);
  tot.SetvIPIDevol(0);
  tot.SetvPIS(2.5);
  tot.SetvCOFINS(11.4);
  tot.SetvOutro(0);
  tot.SetvNF(150);
  nfe.GetTransp().SetmodFrete(mfSemFrete);

  TFat& fat = nfe.GetCobr().GetFat();
  fat.SetnFat("1");
  fat.SetvOrig(150);
  fat.SetvLiq(150);
  TDupCollectionItem& dup = nfe.GetCobr().GetDup().New();
  dup.SetnDup("001");
  dup.SetdVenc(2027y / January / 5);
  dup.SetvDup(150);

  TpagCollectionItem& pag = nfe.Getpag().New();
  pag.SettPag(fpBoletoBancario);
  pag.SetvPag(150);
  nfe.GetInfAdic().SetinfCpl("Documento emitido em ambiente de testes");
}

} // namespace vxn::test
