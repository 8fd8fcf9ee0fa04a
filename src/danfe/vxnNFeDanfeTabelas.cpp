// The layouts of the DANFE print tables: names, fields in order, master-detail links. They are part of
// the contract with the report layouts, which address fields by these names.
#include "danfe/vxnNFeDanfeDados.h"

namespace vxn {

namespace {

const std::vector<std::string_view> kCamposDados = {"CodBarra",
                                                    "CodBarraDadosNFe",
                                                    "NatOper",
                                                    "Serie",
                                                    "DtEmissao",
                                                    "DtSaida",
                                                    "nNF",
                                                    "nTpNF",
                                                    "tpEmis",
                                                    "EmitNome",
                                                    "EmitCNPJ",
                                                    "EmitIE",
                                                    "EmitIEST",
                                                    "EmitLogradouro",
                                                    "EmitEnd",
                                                    "EmitNumero",
                                                    "EmitBairro",
                                                    "EmitMun",
                                                    "EmitUF",
                                                    "EmitCep",
                                                    "EmitIM",
                                                    "EmitFone",
                                                    "EmitPais",
                                                    "EmitFantasia",
                                                    "EmitCRT",
                                                    "LogotipoEmitente",
                                                    "DestNome",
                                                    "DestCNPJ",
                                                    "DestIE",
                                                    "DestIndIE",
                                                    "DestLogradouro",
                                                    "DestEnd",
                                                    "DestNumero",
                                                    "DestBairro",
                                                    "DestMun",
                                                    "DestUF",
                                                    "DestCep",
                                                    "DestFoneFax",
                                                    "DestPais",
                                                    "DestEmail",
                                                    "BaseCalcIcms",
                                                    "ValorIcms",
                                                    "BaseCalcIcmsSubs",
                                                    "ValorIcmsSubs",
                                                    "ValorIcmsDeson",
                                                    "ValorFCP",
                                                    "ValorFCPST",
                                                    "ValorFCPSTRet",
                                                    "ValorTotProd",
                                                    "ValorFrete",
                                                    "ValorSeguro",
                                                    "Desconto",
                                                    "OutrasDesp",
                                                    "ValorIPI",
                                                    "ValorIPIDevol",
                                                    "ValorII",
                                                    "ValorTotNota",
                                                    "BaseCalcISSQN",
                                                    "ValorTotServ",
                                                    "ValorTotISSQN",
                                                    "ValorTotCOFINS",
                                                    "ValorTotPIS",
                                                    "ValorTotTrib",
                                                    "vISSRet",
                                                    "TraModFrete",
                                                    "TraCNPJ",
                                                    "TraNome",
                                                    "TraIE",
                                                    "TraEnd",
                                                    "TraMun",
                                                    "TraUF",
                                                    "TraDescMod",
                                                    "VeiCodigoANTT",
                                                    "VeiPlaca",
                                                    "VeiUF",
                                                    "VolQuantidade",
                                                    "VolEspecie",
                                                    "VolMarca",
                                                    "VolNumeracao",
                                                    "VolPesoBruto",
                                                    "VolPesoLiquido",
                                                    "ContinuaObsContribuinte",
                                                    "ObsContribuinte",
                                                    "nProt",
                                                    "dhRecbto",
                                                    "nProtEpec",
                                                    "TipoProtContingencia",
                                                    "FraseHomologacao",
                                                    "FraseContingencia",
                                                    "DestComplemento",
                                                    "EmitComplemento",
                                                    "IdentCampo",
                                                    "ContCampo",
                                                    "EntCNPJ",
                                                    "EntEnd",
                                                    "EntNumero",
                                                    "EntComplemento",
                                                    "EntBairro",
                                                    "EntMun",
                                                    "EntUF",
                                                    "JustContingencia",
                                                    "dhContingencia",
                                                    "hSaida",
                                                    "indPag",
                                                    "imprimirDuplicata",
                                                    "vICMSUFDest",
                                                    "vFCPUFDest",
                                                    "vICMSUFRemet",
                                                    "TarjaCancelada",
                                                    "vRetPIS",
                                                    "vRetCOFINS",
                                                    "vRetCSLL",
                                                    "vBCIRRF",
                                                    "vIRRF",
                                                    "vBCRetPrev",
                                                    "vRetPrev",
                                                    "vTroco",
                                                    "imprimirLocalRetiradaEntrega",
                                                    "xMsg",
                                                    "ConfigTextoRodapeEsq",
                                                    "ConfigTextoRodapeDir",
                                                    "TarjaDenegada",
                                                    "cNF",
                                                    "TotalItemBCalcIcms",
                                                    "TotalItemBCalcPIS",
                                                    "TotalItemBCalcCOFINS",
                                                    "TotalItemBCalcIcmsST",
                                                    "TotalItemBcalcFCP",
                                                    "TotalItemBcalcFCPST",
                                                    "TotalItemBcalcFCPSTRet",
                                                    "TotalItemVBcEfet",
                                                    "TotalItemVBCSTRet",
                                                    "TotalItemIIvBC"};

const std::vector<std::string_view> kCamposItensInicio = {"nNF",
                                                          "Item",
                                                          "ItemCodigo",
                                                          "ItemEAN",
                                                          "ItemNCM",
                                                          "ItemCEST",
                                                          "ItemDescricao",
                                                          "ItemCST",
                                                          "ItemORIG",
                                                          "ItemCFOP",
                                                          "ItemUnidade",
                                                          "ItemQuantidade",
                                                          "ItemVUnit",
                                                          "ItemUnidadeTributada",
                                                          "ItemQuantidadeTributada",
                                                          "ItemVUnitTributado",
                                                          "ItemVTotal",
                                                          "ItemEANTributada",
                                                          "ItemBCalcIcms",
                                                          "ItemVIcms",
                                                          "ItemVIPI",
                                                          "ItemPDevol",
                                                          "ItemVIPIDevol",
                                                          "ItemAliqIcms",
                                                          "ItemAliqIPI",
                                                          "ItemObs",
                                                          "ItemNLote",
                                                          "ItemQLote",
                                                          "ItemDFab",
                                                          "ItemDVal",
                                                          "ItemVPMC"};

const std::vector<std::string_view> kCamposItensMeio = {"ItemClEnq",
                                                        "ItemCNPJProd",
                                                        "ItemCSelo",
                                                        "ItemQCelo",
                                                        "ItemCEnq",
                                                        "ItemVPIS",
                                                        "ItemBCalcPIS",
                                                        "ItemAliqPIS",
                                                        "ItemCSTPIS",
                                                        "ItemQBCProdPIS",
                                                        "ItemVAliqProdPIS",
                                                        "ItemVCOFINS",
                                                        "ItemBCalcCOFINS",
                                                        "ItemAliqCOFINS",
                                                        "ItemCSTCOFINS",
                                                        "ItemQBCProdCOFINS",
                                                        "ItemVAliqProdCOFINS",
                                                        "ItemBCalcIcmsST",
                                                        "ItemAliqIcmsST",
                                                        "ItemVIcmsST",
                                                        "ItemVDesc",
                                                        "ItemVSeg",
                                                        "ItemVFrete",
                                                        "ItemVOutro",
                                                        "ItemVTotTrib",
                                                        "ItemNFCI",
                                                        "ItemPedido",
                                                        "ItemIIVBC",
                                                        "ItemIIvIOF",
                                                        "ItemIIvDespAdu",
                                                        "ItemIIvII",
                                                        "ItemEX_TIPI",
                                                        "ItemNumeroPed",
                                                        "ItemPercMargemValorAdiICMSST",
                                                        "ItemVIcmsDesonerado",
                                                        "ItemMotivoDesoneracaoICMS"};

const std::vector<std::string_view> kCamposItens60 = {
    "ItemBcalcFCP",      "ItemAliqFCP",        "ItemVFCP",       "ItemPRedBcEfet", "ItemVBcEfet",
    "ItemPImcsEfet",     "ItemVIcmsEfet",      "ItemBcalcFCPST", "ItemAliqFCPST",  "ItemVFCPST",
    "ItemBcalcFCPSTRet", "ItemAliqFCPSTRet",   "ItemVFCPSTRet",  "ItemAliqSuport", "ItemXMotivoIsencao",
    "ItemVBCSTRet",      "ItemVICMSSubstituto"};

const std::vector<std::string_view> kCamposLocal = {"nNF",  "CnpjCpf", "xNome", "xLgr",  "nro",
                                                    "xCpl", "xBairro", "cMun",  "xMun",  "UF",
                                                    "CEP",  "cPais",   "fone",  "email", "IE"};

std::vector<std::string_view> CamposItens(bool vm60) {
  std::vector<std::string_view> campos = kCamposItensInicio;
  if (vm60)
    campos.push_back("ItemCProdANVISA");
  campos.insert(campos.end(), kCamposItensMeio.begin(), kCamposItensMeio.end());
  if (vm60)
    campos.insert(campos.end(), kCamposItens60.begin(), kCamposItens60.end());
  return campos;
}

} // namespace

void TvxnNFeDanfeDados::CriarTabelas() {
  const bool vm60 = versao_ == TVersaoManual::vm60;
  CriarTabela("Dados", kCamposDados, {}, {}, {}, {"ObsContribuinte", "ContinuaObsContribuinte"});
  itens_ = &CriarTabela("DadosItens", CamposItens(vm60), "Dados", "nNF", "nNF", {"ItemObs"});
  volume_ = &CriarTabela(
      "vol",
      {"nNF", "VolQuantidade", "VolEspecie", "VolMarca", "VolNumeracao", "VolPesoBruto", "VolPesoLiquido"},
      "Dados", "nNF", "nNF");
  cobranca_ = &CriarTabela("DadosCobranca",
                           {"nNF", "NumDuplicata", "DtVencimento", "ValorDuplicata", "Handle_Duplicata"},
                           "Dados", "nNF", "nNF");
  fatura_ = &CriarTabela("DadosFatura",
                         {"nNF", "NumeroFatura", "valorOriginalFatura", "ValorDesconto", "ValorLiquido"},
                         "Dados", "nNF", "nNF");
  if (vm60)
    rastro_ = &CriarTabela("DadosLotesRastreabilidade", {"Item", "nLote", "qLote", "dFab", "dVal", "cAgreg"},
                           "DadosItens", "Item", "Item");
  med_ = &CriarTabela("DadosLotesMedicamento", {"Item", "nLote", "qLote", "dFab", "dVal", "vPMC"},
                      "DadosItens", "Item", "Item");
  veic_ = &CriarTabela("DadosVeiculosNovos",
                       {"Item",   "tpOp",   "chassi",  "cCor", "xCor",     "pot",     "pesoL",  "pesoB",
                        "nSerie", "tpComb", "nMotor",  "CMT",  "dist",     "RENAVAM", "anoMod", "anoFab",
                        "tpPint", "tpVeic", "espVeic", "VIN",  "condVeic", "cMod",    "cilin"},
                       "DadosItens", "Item", "Item");
  if (vm60) {
    pagamento_ = &CriarTabela("DadosPagamento",
                              {"nNF", "indPag", "tPag", "xPag", "vPag", "tpIntegra", "CNPJ", "tBand", "cAut"},
                              "Dados", "nNF", "nNF");
    declaracoes_ = &CriarTabela("DadosDeclaracoesImportacao",
                                {"Item", "nDI", "dDI", "xLocDesemb", "UFDesemb", "dDesemb", "tpViaTransp",
                                 "vAFRMM", "tpIntermedio", "CNPJ", "UFTerceiro", "cExportador", "nAdicao",
                                 "nSeqAdic", "cFabricante", "vDescDI", "nDraw"},
                                "DadosItens", "Item", "Item");
  }
  localRetirada_ = &CriarTabela("DadosLocalRetirada", kCamposLocal, "Dados", "nNF", "nNF");
  localEntrega_ = &CriarTabela("DadosLocalEntrega", kCamposLocal, "Dados", "nNF", "nNF");
  obsCont_ = &CriarTabela("DadosObsCont", {"nNF", "xCampo", "xTexto"}, "Dados", "nNF", "nNF");
  refNFe_ = &CriarTabela("DadosNFeReferenciada", {"nNF", "ChaveNFeRef"}, "Dados", "nNF", "nNF");
  refNF1A_ = &CriarTabela(
      "DadosNF1AReferenciada",
      {"nNF", "UFNF1ARef", "AnoMesNF1ARef", "ModeloNF1ARef", "SerieNF1ARef", "NumeroNF1ARef", "CNPJNF1ARef"},
      "Dados", "nNF", "nNF");
  refProdutor_ =
      &CriarTabela("DadosNFProdutorRuralReferenciada",
                   {"nNF", "UFNFProdutorRef", "AnoMesNFProdutorRef", "ModeloNFProdutorRef",
                    "SerieNFProdutorRef", "NumeroNFProdutorRef", "IENFProdutorRef", "CNPJNFProdutorRef"},
                   "Dados", "nNF", "nNF");
  refCupom_ =
      &CriarTabela("DadosCupomFiscalReferenciado",
                   {"nNF", "NumeroECFCupomFiscalRef", "NumeroCOOCupomFiscalRef", "ModeloCupomFiscalRef"},
                   "Dados", "nNF", "nNF");
  refCTe_ = &CriarTabela("DadosCTeReferenciado", {"nNF", "ChaveCTeRef"}, "Dados", "nNF", "nNF");
}

} // namespace vxn
