// A document that opens every list and uses every enumeration of the typed document model, filled
// through its objects: its XML must be byte for byte that of the same document in command text
// (tests/data/nfe-tipado-listas-comandos.txt) converted by the component, valid against the official
// schema once signed, and the same again when the whole tree is copied into another NotaFiscal by Assign.
#include "support/DevPki.h"
#include "support/NFeDocumentFiller.h"
#include "support/SignedNFeDocument.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"

#include "datasets/vxnNFeDataSetsTipado.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace vxn {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

void PreencherIde(TNFe& nfe) {
  nfe.GetInfNFe().SetVersao(4);
  TIde& ide = nfe.GetIde();
  ide.SetcUF(35);
  ide.SetcNF(5551234);
  ide.SetnatOp("Venda, importação & serviços");
  ide.Setmodelo(55);
  ide.Setserie(2);
  ide.SetnNF(4242);
  ide.SetdhEmi(local_days{2026y / December / 7} + 9h + 15min);
  ide.SetdhSaiEnt(local_days{2026y / December / 7} + 16h + 45min + 30s);
  ide.SettpNF(tnSaida);
  ide.SetidDest(doInterestadual);
  ide.SetcMunFG(3550308);
  ide.SettpImp(tiPaisagem);
  ide.SettpEmis(teSVCAN);
  ide.SettpAmb(taHomologacao);
  ide.SetfinNFe(fnNormal);
  ide.SetindFinal(cfConsumidorFinal);
  ide.SetindPres(pcInternet);
  ide.SetindIntermed(imIntermediadorTerceiros);
  ide.SetprocEmi(peAplicativoContribuinte);
  ide.SetverProc("Quorvant tipado 1.0");
  ide.SetdhCont(local_days{2026y / December / 7} + 8h);
  ide.SetxJust("Teste de contingência com justificativa longa");

  ide.GetNFref().New().SetrefNFe("35261111222333000181550010000012341000012344");
  TRefNF& nf = ide.GetNFref().New().GetRefNF();
  nf.SetcUF(35);
  nf.SetAAMM("2611");
  nf.SetCNPJ("11222333000181");
  nf.Setmod("01");
  nf.Setserie(1);
  nf.SetnNF(10);
  TRefNFP& nfp = ide.GetNFref().New().GetRefNFP();
  nfp.SetcUF(31);
  nfp.SetAAMM("2610");
  nfp.SetCNPJCPF("12345678909");
  nfp.SetIE("ISENTO");
  nfp.Setmod("04");
  nfp.Setserie(0);
  nfp.SetnNF(77);
  ide.GetNFref().New().SetrefCTe("35261111222333000181570010000000011000000016");
  TRefECF& ecf = ide.GetNFref().New().GetRefECF();
  ecf.Setmod(ECFModRef2D);
  ecf.SetnECF(5);
  ecf.SetnCOO(123);
}

void PreencherParticipantes(TNFe& nfe) {
  TEmit& emit = nfe.GetEmit();
  emit.SetCNPJCPF("11222333000181");
  emit.SetxNome("EMPRESA DE TESTE LTDA");
  emit.SetxFant("TESTE TIPADO");
  TenderEmit& ender = emit.GetenderEmit();
  ender.SetxLgr("Rua Vergueiro");
  ender.Setnro("1500");
  ender.SetxCpl("Galpão 3");
  ender.SetxBairro("Vila Mariana");
  ender.SetcMun(3550308);
  ender.SetxMun("São Paulo");
  ender.SetUF("SP");
  ender.SetCEP("04101000");
  ender.Setfone("1133334444");
  emit.SetIE("111222333444");
  emit.SetIEST("123456789012");
  emit.SetIM("12345");
  emit.SetCNAE("2710401");
  emit.SetCRT(crtRegimeNormal);

  TAvulsa& avulsa = nfe.GetAvulsa();
  avulsa.SetCNPJ("46377222000129");
  avulsa.SetxOrgao("Secretaria da Fazenda");
  avulsa.Setmatr("998877");
  avulsa.SetxAgente("Agente Fiscal");
  avulsa.Setfone("1132431000");
  avulsa.SetUF("SP");
  avulsa.SetnDAR("DAR-2026-0001");
  avulsa.SetdEmi(2026y / December / 6);
  avulsa.SetvDAR(150.75);
  avulsa.SetrepEmi("Posto Fiscal Central");
  avulsa.SetdPag(2026y / December / 7);

  TDest& dest = nfe.GetDest();
  dest.SetCNPJCPF("12345678909");
  dest.SetxNome("NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL");
  TenderDest& enderDest = dest.GetEnderDest();
  enderDest.SetxLgr("Avenida Amazonas");
  enderDest.Setnro("3200");
  enderDest.SetxCpl("Sala 4");
  enderDest.SetxBairro("Prado");
  enderDest.SetcMun(3106200);
  enderDest.SetxMun("Belo Horizonte");
  enderDest.SetUF("MG");
  enderDest.SetCEP("30411000");
  enderDest.Setfone("3132225555");
  dest.SetindIEDest(inNaoContribuinte);
  dest.SetISUF("123456789");
  dest.SetIM("7788");
  dest.Setemail("cliente@example.com.br");

  TRetirada& ret = nfe.GetRetirada();
  ret.SetCNPJCPF("33555777000171");
  ret.SetxNome("Deposito Central");
  ret.SetxLgr("Rua do Porto");
  ret.Setnro("50");
  ret.SetxCpl("Armazém 2");
  ret.SetxBairro("Cais");
  ret.SetcMun(3548500);
  ret.SetxMun("Santos");
  ret.SetUF("SP");
  ret.SetCEP("11010000");
  ret.SetcPais(1058);
  ret.SetxPais("BRASIL");
  ret.Setfone("1332221111");
  ret.Setemail("deposito@example.com.br");
  ret.SetIE("633123456111");
  TEntrega& ent = nfe.GetEntrega();
  ent.SetCNPJCPF("98765432100");
  ent.SetxNome("Recebedor Final");
  ent.SetxLgr("Rua da Bahia");
  ent.Setnro("10");
  ent.SetxCpl("Apto 301");
  ent.SetxBairro("Centro");
  ent.SetcMun(3106200);
  ent.SetxMun("Belo Horizonte");
  ent.SetUF("MG");
  ent.SetCEP("30160010");
  ent.SetcPais(1058);
  ent.SetxPais("BRASIL");
  ent.Setfone("31999990000");
  ent.Setemail("recebedor@example.com.br");
  ent.SetIE("ISENTO");
  nfe.GetautXML().New().SetCNPJCPF("44555666000181");
  nfe.GetautXML().New().SetCNPJCPF("11144477735");
}

// The product fields every item fills: code, description, NCM, CFOP, unit, quantity and price.
TProd& Produto(TDetCollectionItem& item, int n, const char* cProd, const char* xProd, const char* ncm,
               const char* cfop, const char* unidade, double quantidade, double unitario, double valor) {
  TProd& prod = item.GetProd();
  prod.SetnItem(n);
  prod.SetcProd(cProd);
  prod.SetcEAN("SEM GTIN");
  prod.SetxProd(xProd);
  prod.SetNCM(ncm);
  prod.SetCFOP(cfop);
  prod.SetuCom(unidade);
  prod.SetqCom(quantidade);
  prod.SetvUnCom(unitario);
  prod.SetvProd(valor);
  prod.SetcEANTrib("SEM GTIN");
  prod.SetuTrib(unidade);
  prod.SetqTrib(quantidade);
  prod.SetvUnTrib(unitario);
  prod.SetIndTot(itSomaTotalNFe);
  return prod;
}

void PisCofins(TImposto& imposto, TCstPis pis, TCstCofins cofins) {
  imposto.GetPIS().SetCST(pis);
  imposto.GetCOFINS().SetCST(cofins);
}

void PisCofinsAliquota(TImposto& imposto, double base, double vPIS, double vCOFINS) {
  PisCofins(imposto, pis01, cof01);
  imposto.GetPIS().SetvBC(base);
  imposto.GetPIS().SetpPIS(1.65);
  imposto.GetPIS().SetvPIS(vPIS);
  imposto.GetCOFINS().SetvBC(base);
  imposto.GetCOFINS().SetpCOFINS(7.6);
  imposto.GetCOFINS().SetvCOFINS(vCOFINS);
}

void ItemImportado(TDetCollectionItem& item) {
  TProd& prod = Produto(item, 1, "IMP-001", "Rolamento importado \"premium\" & selado", "84821010", "6102",
                        "UN", 12.5, 32.1234567891, 401.54);
  prod.SetCEST("0100100");
  prod.SetindEscala(ieRelevante);
  prod.SetcBenef("SP070001");
  prod.SetEXTIPI("01");
  prod.SetvFrete(10);
  prod.SetvSeg(2.5);
  prod.SetvDesc(1.25);
  prod.SetvOutro(0.75);
  prod.SetxPed("PED-77");
  prod.SetnItemPed("1");
  prod.SetnFCI("12232531-74B2-4FDD-87A6-CF0AD3E55386");
  prod.GetNVE().New().SetNve("AA0001");
  prod.GetNVE().New().SetNve("AB0002");
  TDICollectionItem& di = prod.GetDI().New();
  di.SetnDi("2612345678");
  di.SetdDi(2026y / November / 20);
  di.SetxLocDesemb("Porto de Santos");
  di.SetUFDesemb("SP");
  di.SetdDesemb(2026y / November / 25);
  di.SettpViaTransp(tvMaritima);
  di.SetvAFRMM(35.4);
  di.SettpIntermedio(tiContaOrdem);
  di.SetCNPJ("22333444000181");
  di.SetUFTerceiro("RJ");
  di.SetcExportador("EXP-9");
  TAdiCollectionItem& adi1 = di.Getadi().New();
  adi1.SetnAdicao(1);
  adi1.SetnSeqAdic(1);
  adi1.SetcFabricante("FAB-1");
  adi1.SetvDescDI(3.2);
  adi1.SetnDraw("20269999990");
  TAdiCollectionItem& adi2 = di.Getadi().New();
  adi2.SetnAdicao(1);
  adi2.SetnSeqAdic(2);
  adi2.SetcFabricante("FAB-2");
  TRastroCollectionItem& lote1 = prod.Getrastro().New();
  lote1.SetnLote("L-2026-01");
  lote1.SetqLote(5);
  lote1.SetdFab(2026y / October / 1);
  lote1.SetdVal(2028y / October / 1);
  lote1.SetcAgreg("7891000100103");
  TRastroCollectionItem& lote2 = prod.Getrastro().New();
  lote2.SetnLote("L-2026-02");
  lote2.SetqLote(7.5);
  lote2.SetdFab(2026y / October / 15);
  lote2.SetdVal(2028y / October / 15);
  TdetExportCollectionItem& exp = prod.GetdetExport().New();
  exp.SetnDraw("20261234567");
  exp.SetnRE("261234567890");
  exp.SetchNFe("35261111222333000181550010000012341000012344");
  exp.SetqExport(12.5);

  TImposto& imposto = item.GetImposto();
  imposto.SetvTotTrib(120.46);
  TICMS& icms = imposto.GetICMS();
  icms.Setorig(omEstrangeiraImportacaoDireta);
  icms.SetCST(cst10);
  icms.SetmodBC(dbiValorOperacao);
  icms.SetvBC(401.54);
  icms.SetpICMS(12);
  icms.SetvICMS(48.18);
  icms.SetvBCFCP(401.54);
  icms.SetpFCP(2);
  icms.SetvFCP(8.03);
  icms.SetmodBCST(dbisMargemValorAgregado);
  icms.SetpMVAST(40);
  icms.SetpRedBCST(10);
  icms.SetvBCST(505.94);
  icms.SetpICMSST(18);
  icms.SetvICMSST(42.89);
  icms.SetvBCFCPST(505.94);
  icms.SetpFCPST(2);
  icms.SetvFCPST(2.09);
  TIPI& ipi = imposto.GetIPI();
  ipi.SetcEnq("999");
  ipi.SetCNPJProd("22333444000181");
  ipi.SetcSelo("SELO-1");
  ipi.SetqSelo(10);
  ipi.SetCST(ipi50);
  ipi.SetvBC(401.54);
  ipi.SetpIPI(5);
  ipi.SetvIPI(20.08);
  TII& ii = imposto.GetII();
  ii.SetvBc(380);
  ii.SetvDespAdu(12);
  ii.SetvII(38);
  ii.SetvIOF(1.52);
  PisCofinsAliquota(imposto, 401.54, 6.63, 30.52);
  imposto.GetPISST().SetvBc(401.54);
  imposto.GetPISST().SetpPis(0.65);
  imposto.GetPISST().SetvPIS(2.61);
  imposto.GetCOFINSST().SetvBC(401.54);
  imposto.GetCOFINSST().SetpCOFINS(3);
  imposto.GetCOFINSST().SetvCOFINS(12.05);
  TICMSUFDest& uf = imposto.GetICMSUFDest();
  uf.SetvBCUFDest(401.54);
  uf.SetvBCFCPUFDest(401.54);
  uf.SetpFCPUFDest(2);
  uf.SetpICMSUFDest(18);
  uf.SetpICMSInter(12);
  uf.SetpICMSInterPart(100);
  uf.SetvFCPUFDest(8.03);
  uf.SetvICMSUFDest(24.09);
  uf.SetvICMSUFRemet(0);
  item.SetpDevol(10);
  item.SetvIPIDevol(2.01);
  item.SetinfAdProd("Produto importado por conta e ordem");
}

void ItemVeiculo(TDetCollectionItem& item) {
  Produto(item, 2, "VEIC-1", "Automóvel 0 km", "87032310", "6102", "UN", 1, 85000, 85000);
  TveicProd& v = item.GetProd().GetveicProd();
  v.SettpOP(toVendaConcessionaria);
  v.Setchassi("9BWZZZ377VT004251");
  v.SetcCor("0001");
  v.SetxCor("PRATA");
  v.Setpot("0110");
  v.SetCilin("1598");
  v.SetpesoL("1100");
  v.SetpesoB("1250");
  v.SetnSerie("123456789");
  v.SettpComb("16");
  v.SetnMotor("MOT1234567");
  v.SetCMT("1700");
  v.Setdist("2500");
  v.SetanoMod(2027);
  v.SetanoFab(2026);
  v.SettpPint("M");
  v.SettpVeic("06");
  v.SetespVeic("1");
  v.SetVIN("N");
  v.SetcondVeic(cvAcabado);
  v.SetcMod("123456");
  v.SetcCorDENATRAN("10");
  v.Setlota("5");
  v.SettpRest("0");
  TICMS& icms = item.GetImposto().GetICMS();
  icms.Setorig(omNacional);
  icms.SetCST(cst40);
  icms.SetvICMSDeson(1500);
  icms.SetmotDesICMS(mdiSuframa);
  item.GetImposto().GetIPI().SetcEnq("999");
  item.GetImposto().GetIPI().SetCST(ipi53);
  PisCofins(item.GetImposto(), pis07, cof07);
}

void ItemMedicamento(TDetCollectionItem& item) {
  Produto(item, 3, "MED-1", "Medicamento genérico 500 mg", "30049099", "6102", "CX", 3, 19.9, 59.7);
  TmedCollectionItem& med = item.GetProd().Getmed().New();
  med.SetcProdANVISA("1234567890123");
  med.SetvPMC(24.9);
  TImposto& imposto = item.GetImposto();
  imposto.GetICMS().Setorig(omNacional);
  imposto.GetICMS().SetCSOSN(csosn101);
  imposto.GetICMS().SetpCredSN(1.25);
  imposto.GetICMS().SetvCredICMSSN(0.75);
  PisCofins(imposto, pis49, cof99);
  imposto.GetPIS().SetqBCProd(3);
  imposto.GetPIS().SetvAliqProd(0.1234);
  imposto.GetPIS().SetvPIS(0.37);
  imposto.GetCOFINS().SetvBC(59.7);
  imposto.GetCOFINS().SetpCOFINS(3);
  imposto.GetCOFINS().SetvCOFINS(1.79);
}

void ItemArma(TDetCollectionItem& item) {
  Produto(item, 4, "ARMA-1", "Pistola de uso restrito", "93020000", "6102", "UN", 1, 4200, 4200);
  TarmaCollectionItem& arma = item.GetProd().Getarma().New();
  arma.SettpArma(taUsoRestrito);
  arma.SetnSerie("ARM123456");
  arma.SetnCano("CAN123456");
  arma.Setdescr("Pistola calibre 9 mm");
  TICMS& icms = item.GetImposto().GetICMS();
  icms.Setorig(omNacional);
  icms.SetCST(cst60);
  icms.SetvBCSTRet(4000);
  icms.SetpST(18);
  icms.SetvICMSSubstituto(300);
  icms.SetvICMSSTRet(420);
  icms.SetvBCFCPSTRet(4000);
  icms.SetpFCPSTRet(2);
  icms.SetvFCPSTRet(80);
  icms.SetpRedBCEfet(0);
  icms.SetvBCEfet(4200);
  icms.SetpICMSEfet(18);
  icms.SetvICMSEfet(756);
  TIPI& ipi = item.GetImposto().GetIPI();
  ipi.SetcEnq("999");
  ipi.SetCST(ipi99);
  ipi.SetvBC(4200);
  ipi.SetpIPI(0);
  ipi.SetvIPI(0);
  PisCofins(item.GetImposto(), pis04, cof04);
}

void ItemCombustivel(TDetCollectionItem& item) {
  Produto(item, 5, "COMB-1", "Óleo diesel S10", "27101921", "6102", "L", 1000, 5.879, 5879);
  TComb& comb = item.GetProd().Getcomb();
  comb.SetcProdANP("820101034");
  comb.SetdescANP("OLEO DIESEL B S10 - COMUM");
  comb.SetpGLP(0);
  comb.SetpGNn(0);
  comb.SetpGNi(0);
  comb.SetvPart(0);
  comb.SetCODIF("123456789");
  comb.SetqTemp(1000);
  comb.SetUFcons("SP");
  comb.GetCIDE().SetqBCProd(1000);
  comb.GetCIDE().SetvAliqProd(0.05);
  comb.GetCIDE().SetvCIDE(50);
  comb.Getencerrante().SetnBico(1);
  comb.Getencerrante().SetnBomba(2);
  comb.Getencerrante().SetnTanque(3);
  comb.Getencerrante().SetvEncIni(1500);
  comb.Getencerrante().SetvEncFin(2500);
  TICMS& icms = item.GetImposto().GetICMS();
  icms.Setorig(omNacional);
  icms.SetCST(cst51);
  icms.SetmodBC(dbiValorOperacao);
  icms.SetpRedBC(10);
  icms.SetvBC(5291.1);
  icms.SetpICMS(12);
  icms.SetvICMSOp(634.93);
  icms.SetpDif(100);
  icms.SetvICMSDif(634.93);
  icms.SetvICMS(0);
  PisCofinsAliquota(item.GetImposto(), 5879, 97, 446.8);
}

void ItemServico(TDetCollectionItem& item) {
  Produto(item, 6, "SERV-1", "Instalação e manutenção", "00", "6933", "H", 8, 150, 1200)
      .SetnRECOPI("20261207123456789012");
  TISSQN& iss = item.GetImposto().GetISSQN();
  iss.SetvBC(1200);
  iss.SetvAliq(5);
  iss.SetvISSQN(60);
  iss.SetcMunFG(3550308);
  iss.SetcListServ("14.01");
  iss.SetvDeducao(10);
  iss.SetvOutro(5);
  iss.SetvDescIncond(2);
  iss.SetvDescCond(1);
  iss.SetvISSRet(3);
  iss.SetindISS(isExigivel);
  iss.SetcServico("1401");
  iss.SetcMun(3550308);
  iss.SetcPais(1058);
  iss.SetnProcesso("PROC-1");
  iss.SetindIncentivo(iiNao);
  PisCofinsAliquota(item.GetImposto(), 1200, 19.8, 91.2);
}

void PreencherTotais(TTotal& total) {
  TICMSTot& t = total.GetICMSTot();
  t.SetvBC(10692.64);
  t.SetvICMS(48.18);
  t.SetvICMSDeson(1500);
  t.SetvFCPUFDest(8.03);
  t.SetvICMSUFDest(24.09);
  t.SetvICMSUFRemet(0);
  t.SetvFCP(8.03);
  t.SetvBCST(505.94);
  t.SetvST(42.89);
  t.SetvFCPST(2.09);
  t.SetvFCPSTRet(80);
  t.SetvProd(95540.24);
  t.SetvFrete(10);
  t.SetvSeg(2.5);
  t.SetvDesc(1.25);
  t.SetvII(38);
  t.SetvIPI(20.08);
  t.SetvIPIDevol(2.01);
  t.SetvPIS(103.99);
  t.SetvCOFINS(478.52);
  t.SetvOutro(0.75);
  t.SetvNF(95655.24);
  t.SetvTotTrib(120.46);
  TISSQNtot& iss = total.GetISSQNtot();
  iss.SetvServ(1200);
  iss.SetvBC(1200);
  iss.SetvISS(60);
  iss.SetvPIS(19.8);
  iss.SetvCOFINS(91.2);
  iss.SetdCompet(2026y / December / 7);
  iss.SetvDeducao(10);
  iss.SetvOutro(5);
  iss.SetvDescIncond(2);
  iss.SetvDescCond(1);
  iss.SetvISSRet(3);
  iss.SetcRegTrib(RTISSMEEPP);
  TretTrib& ret = total.GetretTrib();
  ret.SetvRetPIS(1);
  ret.SetvRetCOFINS(2);
  ret.SetvRetCSLL(3);
  ret.SetvBCIRRF(100);
  ret.SetvIRRF(1.5);
  ret.SetvBCRetPrev(200);
  ret.SetvRetPrev(22);
}

void PreencherTransporte(TTransp& transp) {
  transp.SetmodFrete(mfContaTerceiros);
  TTransporta& t = transp.GetTransporta();
  t.SetCNPJCPF("33555777000171");
  t.SetxNome("Transportadora Rodovia Sul Ltda");
  t.SetIE("112233445566");
  t.SetxEnder("Rodovia Anhanguera km 18");
  t.SetxMun("Osasco");
  t.SetUF("SP");
  TretTransp& ret = transp.GetretTransp();
  ret.SetvServ(300);
  ret.SetvBCRet(300);
  ret.SetpICMSRet(12);
  ret.SetvICMSRet(36);
  ret.SetCFOP("5352");
  ret.SetcMunFG(3534401);
  transp.GetveicTransp().Setplaca("ABC1D23");
  transp.GetveicTransp().SetUF("SP");
  transp.GetveicTransp().SetRNTC("12345678");
  TreboqueCollectionItem& r1 = transp.GetReboque().New();
  r1.Setplaca("REB1A11");
  r1.SetUF("SP");
  r1.SetRNTC("87654321");
  TreboqueCollectionItem& r2 = transp.GetReboque().New();
  r2.Setplaca("REB2B22");
  r2.SetUF("PR");
  TVolCollectionItem& v1 = transp.GetVol().New();
  v1.SetqVol(7);
  v1.Setesp("CAIXA");
  v1.Setmarca("TESTE");
  v1.SetnVol("1 a 7");
  v1.SetpesoL(186.5);
  v1.SetpesoB(201.3);
  v1.GetLacres().New().SetnLacre("LAC-001");
  v1.GetLacres().New().SetnLacre("LAC-002");
  TVolCollectionItem& v2 = transp.GetVol().New();
  v2.SetqVol(1);
  v2.Setesp("TAMBOR");
  v2.SetpesoL(850);
  v2.SetpesoB(870.25);
  v2.GetLacres().New().SetnLacre("LAC-003");
}

void PreencherCobrancaEPagamento(TNFe& nfe) {
  TFat& fat = nfe.GetCobr().GetFat();
  fat.SetnFat("4242");
  fat.SetvOrig(95655.24);
  fat.SetvDesc(0);
  fat.SetvLiq(95655.24);
  const year_month_day vencimentos[] = {2027y / January / 6, 2027y / February / 5, 2027y / March / 7};
  for (int i = 0; i < 3; ++i) {
    TDupCollectionItem& dup = nfe.GetCobr().GetDup().New();
    dup.SetnDup("00" + std::to_string(i + 1));
    dup.SetdVenc(vencimentos[i]);
    dup.SetvDup(31885.08);
  }
  TpagCollectionItem& cartao = nfe.Getpag().New();
  cartao.SetindPag(ipVista);
  cartao.SettPag(fpCartaoCredito);
  cartao.SetvPag(95000);
  cartao.SettpIntegra(tiPagIntegrado);
  cartao.SetCNPJ("01425787000104");
  cartao.SettBand(bcMastercard);
  cartao.SetcAut("AUT123");
  TpagCollectionItem& dinheiro = nfe.Getpag().New();
  dinheiro.SettPag(fpDinheiro);
  dinheiro.SetvPag(700);
  nfe.Getpag().SetvTroco(44.76);
  nfe.GetinfIntermed().SetCNPJ("55666777000191");
  nfe.GetinfIntermed().SetidCadIntTran("loja-parceira");
}

void PreencherInformacoes(TNFe& nfe) {
  TInfAdic& inf = nfe.GetInfAdic();
  inf.SetinfAdFisco("Regime especial 123/2026");
  inf.SetinfCpl("Documento de teste com todas as listas & enumerações");
  const char* obs[][2] = {{"Pedido", "PED-77"}, {"Vendedor", "Ana"}};
  for (const auto& [campo, texto] : obs) {
    TobsContCollectionItem& o = inf.GetobsCont().New();
    o.SetxCampo(campo);
    o.SetxTexto(texto);
  }
  inf.GetobsFisco().New().SetxCampo("Regime");
  inf.GetobsFisco().Items(0).SetxTexto("Especial");
  TprocRefCollectionItem& proc = inf.GetprocRef().New();
  proc.SetnProc("0001234-56.2026.4.03.6100");
  proc.SetindProc(ipJusticaFederal);
  nfe.GetExporta().SetUFSaidaPais("SP");
  nfe.GetExporta().SetxLocExporta("Porto de Santos");
  nfe.GetExporta().SetxLocDespacho("Recinto Alfandegado");
  nfe.GetCompra().SetxNEmp("NE-2026-1");
  nfe.GetCompra().SetxPed("PED-77");
  nfe.GetCompra().SetxCont("CT-9");

  TCana& cana = nfe.GetCana();
  cana.Setsafra("2026/2027");
  cana.Setref("12/2026");
  const double quantidades[] = {10.5, 12.25};
  for (int dia = 1; dia <= 2; ++dia) {
    TForDiaCollectionItem& f = cana.Getfordia().New();
    f.Setdia(dia);
    f.Setqtde(quantidades[dia - 1]);
  }
  cana.SetqTotMes(22.75);
  cana.SetqTotAnt(100);
  cana.SetqTotGer(122.75);
  TDeducCollectionItem& deduc = cana.Getdeduc().New();
  deduc.SetxDed("Taxa de transporte");
  deduc.SetvDed(15);
  cana.SetvFor(2000);
  cana.SetvTotDed(15);
  cana.SetvLiqFor(1985);
  TinfRespTec& resp = nfe.GetinfRespTec();
  resp.SetCNPJ("44555666000181");
  resp.SetxContato("Equipe Quorvant NFe");
  resp.Setemail("suporte@quorvant.com.br");
  resp.Setfone("1140028922");
}

void PreencherDocumento(TNFe& nfe) {
  PreencherIde(nfe);
  PreencherParticipantes(nfe);
  for (auto item : {ItemImportado, ItemVeiculo, ItemMedicamento, ItemArma, ItemCombustivel, ItemServico})
    item(nfe.GetDet().New());
  PreencherTotais(nfe.GetTotal());
  PreencherTransporte(nfe.GetTransp());
  PreencherCobrancaEPagamento(nfe);
  PreencherInformacoes(nfe);
}

class TipadoDocumentoTest : public ::testing::Test {
protected:
  void SetUp() override {
    tipado_.SetVersaoEsquema(pl_009g);
    tipado_.SetXmlDicionario(test::ShippedDictionary());
    tipado_.SetFusoHorario("-02:00");
    tipado_.SetDiretorioLogErro(dir_.Path());
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  test::TempDir dir_;
  TvxnNFeDataSetsTipado tipado_;
};

TEST_F(TipadoDocumentoTest, EveryListAndEnumerationGivesTheXmlOfTheCommandTextAndValidatesSigned) {
  NotaFiscal& nota = tipado_.GetNotasFiscais().Add();
  PreencherDocumento(nota.GetNFe());
  const std::string xml = nota.GerarXML();

  TvxnNFe nfe;
  nfe.SetDiretorioLogErro(dir_.Path());
  const std::string esperado =
      nfe.ConverterLoteParaXml(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-tipado-listas-comandos.txt",
                               lkTXTDataSet, pl_009g, false);
  ASSERT_FALSE(esperado.empty());
  EXPECT_EQ(xml, esperado);

  const test::DevPki& pki = test::SharedPki();
  const std::string infNFe = xml.substr(0, xml.find("\r\n"));
  EXPECT_EQ(test::XmlSchemaErrors(test::SignedInfNFe(infNFe, pki.ValidClientFile(), "1234"),
                                  test::FindSchema("nfe_v4.00.xsd")),
            "");
}

// Assign writes every value again through the setters, opening each list's groups as New does.
TEST_F(TipadoDocumentoTest, AssignCopiesTheWholeTreeIntoAnotherDocument) {
  NotaFiscal& origem = tipado_.GetNotasFiscais().Add();
  PreencherDocumento(origem.GetNFe());
  NotaFiscal& copia = tipado_.GetNotasFiscais().Add();
  copia.GetNFe().Assign(origem.GetNFe());
  EXPECT_EQ(copia.GerarXML(), origem.GerarXML());
  EXPECT_EQ(copia.GetNFe().GetDet().Count(), 6);
  EXPECT_EQ(copia.GetNFe().GetTransp().GetVol().Items(0).GetLacres().Items(1).GetnLacre(), "LAC-002");
}

} // namespace
} // namespace vxn
