// Issues an NF-e built through the typed document model: the sale of examples/venda-sp-mg-comandos.txt
// (three items sold from São Paulo to Belo Horizonte), filled through typed objects instead of field
// names, signed, sent in a synchronous lot and answered by the tax authority the configuration names.
//
//   emitir-tipado CONFIG.ini   sends it and prints the key, the status and the protocol
//   emitir-tipado --xml        prints the document's XML without sending it
//
// With the local server: sefaz-sim --port 0 --write-config DIR, then emitir-tipado DIR/nfeConfig.ini.
#include "datasets/vxnNFeDataSetsTipado.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "xml/vxnNFeUtils.h"

#include <chrono>
#include <iostream>
#include <string>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

struct Produto {
  int nItem;
  const char* cProd;
  const char* xProd;
  const char* NCM;
  const char* CFOP;
  const char* unidade;
  double quantidade, valorUnitario, valor, totTrib, icms, pIPI, ipi, pis, cofins;
  const char* infAdProd;
};

// One item: product, taxes (ICMS 12 %, IPI, PIS and COFINS at the non-cumulative rates) and notes.
void PreencherItem(vxn::TDetCollectionItem& item, const Produto& p) {
  vxn::TProd& prod = item.GetProd();
  prod.SetnItem(p.nItem);
  prod.SetcProd(p.cProd);
  prod.SetcEAN("SEM GTIN");
  prod.SetxProd(p.xProd);
  prod.SetNCM(p.NCM);
  prod.SetCFOP(p.CFOP);
  prod.SetuCom(p.unidade);
  prod.SetqCom(p.quantidade);
  prod.SetvUnCom(p.valorUnitario);
  prod.SetvProd(p.valor);
  prod.SetcEANTrib("SEM GTIN");
  prod.SetuTrib(p.unidade);
  prod.SetqTrib(p.quantidade);
  prod.SetvUnTrib(p.valorUnitario);
  prod.SetIndTot(vxn::itSomaTotalNFe);
  prod.SetxPed("PC-88231");
  prod.SetnItemPed(std::to_string(p.nItem));

  vxn::TImposto& imposto = item.GetImposto();
  imposto.SetvTotTrib(p.totTrib);
  vxn::TICMS& icms = imposto.GetICMS();
  icms.Setorig(vxn::omNacional);
  icms.SetCST(vxn::cst00);
  icms.SetmodBC(vxn::dbiValorOperacao);
  icms.SetvBC(p.valor);
  icms.SetpICMS(12);
  icms.SetvICMS(p.icms);
  vxn::TIPI& ipi = imposto.GetIPI();
  ipi.SetcEnq("999");
  ipi.SetCST(vxn::ipi50);
  ipi.SetvBC(p.valor);
  ipi.SetpIPI(p.pIPI);
  ipi.SetvIPI(p.ipi);
  vxn::TPIS& pis = imposto.GetPIS();
  pis.SetCST(vxn::pis01);
  pis.SetvBC(p.valor);
  pis.SetpPIS(1.65);
  pis.SetvPIS(p.pis);
  vxn::TCOFINS& cofins = imposto.GetCOFINS();
  cofins.SetCST(vxn::cof01);
  cofins.SetvBC(p.valor);
  cofins.SetpCOFINS(7.6);
  cofins.SetvCOFINS(p.cofins);
  if (*p.infAdProd)
    item.SetinfAdProd(p.infAdProd);
}

void PreencherVenda(vxn::TNFe& nfe) {
  nfe.GetInfNFe().SetVersao(4.00);

  vxn::TIde& ide = nfe.GetIde();
  ide.SetcUF(35);
  ide.SetcNF(73015582);
  ide.SetnatOp("Venda de produção do estabelecimento");
  ide.Setmodelo(55);
  ide.Setserie(1);
  ide.SetnNF(1001);
  ide.SetdhEmi(local_days{2026y / December / 5} + 10h + 30min);
  ide.SetdhSaiEnt(local_days{2026y / December / 5} + 14h);
  ide.SettpNF(vxn::tnSaida);
  ide.SetidDest(vxn::doInterestadual);
  ide.SetcMunFG(3550308);
  ide.SettpImp(vxn::tiRetrato);
  ide.SettpEmis(vxn::teNormal);
  ide.SettpAmb(vxn::taHomologacao);
  ide.SetfinNFe(vxn::fnNormal);
  ide.SetindFinal(vxn::cfNao);
  ide.SetindPres(vxn::pcOutros);
  ide.SetindIntermed(vxn::imSemIntermediador);
  ide.SetprocEmi(vxn::peAplicativoContribuinte);
  ide.SetverProc("Quorvant NFe 0.1");

  // The issuer is the company of the development certificate (CNPJ 11222333000181).
  vxn::TEmit& emit = nfe.GetEmit();
  emit.SetCNPJCPF("11222333000181");
  emit.SetxNome("EMPRESA DE TESTE LTDA");
  emit.SetxFant("Motores Teste");
  vxn::TenderEmit& enderEmit = emit.GetenderEmit();
  enderEmit.SetxLgr("Rua Vergueiro");
  enderEmit.Setnro("1500");
  enderEmit.SetxCpl("Galpão 3");
  enderEmit.SetxBairro("Vila Mariana");
  enderEmit.SetcMun(3550308);
  enderEmit.SetxMun("São Paulo");
  enderEmit.SetUF("SP");
  enderEmit.SetCEP("04101000");
  enderEmit.SetxPais("Brasil");
  enderEmit.Setfone("1133334444");
  emit.SetIE("111222333444");
  emit.SetCRT(vxn::crtRegimeNormal);

  vxn::TDest& dest = nfe.GetDest();
  dest.SetCNPJCPF("17444555000125");
  dest.SetxNome("NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL");
  vxn::TenderDest& enderDest = dest.GetEnderDest();
  enderDest.SetxLgr("Avenida Amazonas");
  enderDest.Setnro("3200");
  enderDest.SetxBairro("Prado");
  enderDest.SetcMun(3106200);
  enderDest.SetxMun("Belo Horizonte");
  enderDest.SetUF("MG");
  enderDest.SetCEP("30411000");
  enderDest.SetxPais("Brasil");
  enderDest.Setfone("3132225555");
  dest.SetindIEDest(vxn::inContribuinte);
  dest.SetIE("0623079040081");
  dest.Setemail("compras@comercialmineira.com.br");

  const Produto produtos[] = {
      {1, "MT-2CV-4P", "Motor elétrico trifásico 2 CV 4 polos", "85015210", "6101", "UN", 2, 1250, 2500,
       656.25, 300, 5, 125, 41.25, 190, "Garantia de 12 meses contra defeitos de fabricação"},
      {2, "INV-3CV-220", "Inversor de frequência 3 CV 220 V", "85044040", "6101", "UN", 2, 980, 1960, 514.5,
       235.2, 5, 98, 32.34, 148.96, "Acompanha manual & certificado de calibração"},
      {3, "CB-FLEX-4MM", "Cabo flexível 4 mm² 750 V rolo 100 m", "85444200", "6102", "RL", 5, 389.9, 1949.5,
       609.22, 233.94, 10, 194.95, 32.17, 148.16, ""}};
  for (const Produto& p : produtos)
    PreencherItem(nfe.GetDet().New(), p);

  vxn::TICMSTot& tot = nfe.GetTotal().GetICMSTot();
  tot.SetvBC(6409.5);
  tot.SetvICMS(769.14);
  tot.SetvICMSDeson(0);
  tot.SetvFCP(0);
  tot.SetvBCST(0);
  tot.SetvST(0);
  tot.SetvFCPST(0);
  tot.SetvFCPSTRet(0);
  tot.SetvProd(6409.5);
  tot.SetvFrete(0);
  tot.SetvSeg(0);
  tot.SetvDesc(0);
  tot.SetvII(0);
  tot.SetvIPI(417.95);
  tot.SetvIPIDevol(0);
  tot.SetvPIS(105.76);
  tot.SetvCOFINS(487.12);
  tot.SetvOutro(0);
  tot.SetvNF(6827.45);
  tot.SetvTotTrib(1779.97);

  vxn::TTransp& transp = nfe.GetTransp();
  transp.SetmodFrete(vxn::mfContaEmitente);
  vxn::TTransporta& transporta = transp.GetTransporta();
  transporta.SetCNPJCPF("33555777000171");
  transporta.SetxNome("Transportadora Rodovia Sul Ltda");
  transporta.SetIE("112233445566");
  transporta.SetxEnder("Rodovia Anhanguera km 18");
  transporta.SetxMun("Osasco");
  transporta.SetUF("SP");
  vxn::TVolCollectionItem& vol = transp.GetVol().New();
  vol.SetqVol(7);
  vol.Setesp("CAIXA");
  vol.Setmarca("MOTORES TESTE");
  vol.SetnVol("1 a 7");
  vol.SetpesoL(186.5);
  vol.SetpesoB(201.3);

  vxn::TFat& fat = nfe.GetCobr().GetFat();
  fat.SetnFat("1001");
  fat.SetvOrig(6827.45);
  fat.SetvDesc(0);
  fat.SetvLiq(6827.45);
  vxn::TDupCollectionItem& dup1 = nfe.GetCobr().GetDup().New();
  dup1.SetnDup("001");
  dup1.SetdVenc(2027y / January / 4);
  dup1.SetvDup(3413.73);
  vxn::TDupCollectionItem& dup2 = nfe.GetCobr().GetDup().New();
  dup2.SetnDup("002");
  dup2.SetdVenc(2027y / February / 3);
  dup2.SetvDup(3413.72);

  vxn::TpagCollectionItem& pag = nfe.Getpag().New();
  pag.SetindPag(vxn::ipPrazo);
  pag.SettPag(vxn::fpBoletoBancario);
  pag.SetvPag(6827.45);

  nfe.GetInfAdic().SetinfCpl(
      "Pedido PC-88231 de 01/12/2026. Frete por conta do remetente (CIF). Duplicatas em "
      "boleto bancário.");

  vxn::TinfRespTec& resp = nfe.GetinfRespTec();
  resp.SetCNPJ("44555666000181");
  resp.SetxContato("Equipe Quorvant NFe");
  resp.Setemail("suporte@quorvant.com.br");
  resp.Setfone("1140028922");
}

} // namespace

int main(int argc, char** argv) {
  const std::string arg = argc == 2 ? argv[1] : "";
  if (arg.empty()) {
    std::cerr << "usage: emitir-tipado CONFIG.ini | emitir-tipado --xml\n";
    return 2;
  }
  try {
    vxn::TvxnNFeDataSetsTipado tipado;
    tipado.SetVersaoEsquema(vxn::pl_009g);
    tipado.SetXmlDicionario(vxn::ProgramDirectory() + "Templates/vm60/Conversor/NFeDataSets.xml");
    vxn::NotaFiscal& nota = tipado.GetNotasFiscais().Add();
    PreencherVenda(nota.GetNFe());
    const std::string xml = nota.GerarXML();
    if (arg == "--xml") {
      std::cout << xml;
      return 0;
    }

    vxn::TvxnNFe nfe;
    nfe.LoadConfig(arg);
    const std::string resposta = nfe.EnviarNFSincrono("1", nfe.AssinarNota(xml), false);
    const std::string protocolo = vxn::GetValueTag("infProt", resposta);
    std::cout << "key: " << vxn::GetValueTag("chNFe", protocolo) << "\n"
              << "status: " << vxn::GetValueTag("cStat", protocolo) << " "
              << vxn::GetValueTag("xMotivo", protocolo) << "\n"
              << "protocol: " << vxn::GetValueTag("nProt", protocolo) << std::endl;
    return vxn::GetValueTag("cStat", protocolo) == "100" ? 0 : 1;
  } catch (const vxn::EvxnException& e) {
    std::cerr << e.ClassName() << ": " << e.Message() << "\n";
    return 1;
  }
}
