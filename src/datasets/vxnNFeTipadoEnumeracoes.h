// The enumerations of the typed document model, each declared once with the code every value writes
// into its field of the input dataset (the code of the published layout; "" leaves the field empty).
#pragma once

#include "vxnNFeType.h"

#include <cstddef>
#include <string_view>

namespace vxn {

// clang-format off
// V(value, code), in declaration order.
#define VXN_ENUM_TTipoNFe(V) \
  V(tnEntrada, "0") V(tnSaida, "1")
#define VXN_ENUM_TDestinoOperacao(V) \
  V(doInterna, "1") V(doInterestadual, "2") V(doExterior, "3")
#define VXN_ENUM_TTipoImpressao(V) \
  V(tiSemGeracao, "0") V(tiRetrato, "1") V(tiPaisagem, "2") V(tiSimplificado, "3") V(tiNFCe, "4") \
  V(tiMsgEletronica, "5")
#define VXN_ENUM_TTipoAmbiente(V) \
  V(taProducao, "1") V(taHomologacao, "2")
#define VXN_ENUM_TFinalidadeNFe(V) \
  V(fnNormal, "1") V(fnComplementar, "2") V(fnAjuste, "3") V(fnDevolucao, "4")
#define VXN_ENUM_TConsumidorFinal(V) \
  V(cfNao, "0") V(cfConsumidorFinal, "1")
#define VXN_ENUM_TPresencaComprador(V) \
  V(pcNao, "0") V(pcPresencial, "1") V(pcInternet, "2") V(pcTeleatendimento, "3") \
  V(pcEntregaDomicilio, "4") V(pcPresencialForaEstabelecimento, "5") V(pcOutros, "9")
#define VXN_ENUM_TIndIntermed(V) \
  V(imSemIntermediador, "0") V(imIntermediadorTerceiros, "1")
#define VXN_ENUM_TProcessoEmissao(V) \
  V(peAplicativoContribuinte, "0") V(peAvulsaFisco, "1") V(peAvulsaContribuinte, "2") \
  V(peContribuinteAplicativoFisco, "3")
#define VXN_ENUM_TCRT(V) \
  V(crtSimplesNacional, "1") V(crtSimplesExcessoReceita, "2") V(crtRegimeNormal, "3")
#define VXN_ENUM_TIndIEDest(V) \
  V(inContribuinte, "1") V(inIsento, "2") V(inNaoContribuinte, "9")
#define VXN_ENUM_TIndEscala(V) \
  V(ieRelevante, "S") V(ieNaoRelevante, "N") V(ieNenhum, "")
#define VXN_ENUM_TIndicadorTotal(V) \
  V(itSomaTotalNFe, "1") V(itNaoSomaTotalNFe, "0")
#define VXN_ENUM_TTipoViaTransp(V) \
  V(tvMaritima, "1") V(tvFluvial, "2") V(tvLacustre, "3") V(tvAerea, "4") V(tvPostal, "5") \
  V(tvFerroviaria, "6") V(tvRodoviaria, "7") V(tvConduto, "8") V(tvMeiosProprios, "9") \
  V(tvEntradaSaidaFicta, "10") V(tvCourier, "11") V(tvHandcarry, "12")
#define VXN_ENUM_TTipoIntermedio(V) \
  V(tiContaPropria, "1") V(tiContaOrdem, "2") V(tiEncomenda, "3")
#define VXN_ENUM_TModalidadeFrete(V) \
  V(mfContaEmitente, "0") V(mfContaDestinatario, "1") V(mfContaTerceiros, "2") \
  V(mfProprioRemetente, "3") V(mfProprioDestinatario, "4") V(mfSemFrete, "9")
#define VXN_ENUM_TTipoOperacao(V) \
  V(toVendaConcessionaria, "1") V(toFaturamentoDireto, "2") V(toVendaDireta, "3") V(toOutros, "0")
#define VXN_ENUM_TCondicaoVeiculo(V) \
  V(cvAcabado, "1") V(cvInacabado, "2") V(cvSemiAcabado, "3")
#define VXN_ENUM_TECFModRef(V) \
  V(ECFModRefVazio, "") V(ECFModRef2B, "2B") V(ECFModRef2C, "2C") V(ECFModRef2D, "2D")
#define VXN_ENUM_TTipoArma(V) \
  V(taUsoPermitido, "0") V(taUsoRestrito, "1")
#define VXN_ENUM_TOrigemMercadoria(V) \
  V(omNacional, "0") V(omEstrangeiraImportacaoDireta, "1") V(omEstrangeiraMercadoInterno, "2") \
  V(omNacionalImportacaoSuperior40, "3") V(omNacionalProcessosBasicos, "4") \
  V(omNacionalImportacaoAte40, "5") V(omEstrangeiraImportacaoDiretaSemSimilar, "6") \
  V(omEstrangeiraMercadoInternoSemSimilar, "7") V(omNacionalImportacaoSuperior70, "8")
#define VXN_ENUM_TCstIcms(V) \
  V(cst00, "00") V(cst10, "10") V(cst20, "20") V(cst30, "30") V(cst40, "40") V(cst41, "41") \
  V(cst45, "45") V(cst50, "50") V(cst51, "51") V(cst60, "60") V(cst70, "70") V(cst80, "80") \
  V(cst81, "81") V(cst90, "90") V(cstPart10, "10") V(cstPart90, "90") V(cstRep41, "41") \
  V(cstVazio, "") V(cstICMSOutraUF, "90") V(cstICMSSN, "SN") V(cstRep60, "60")
#define VXN_ENUM_TCSOSNIcms(V) \
  V(csosnVazio, "0") V(csosn101, "101") V(csosn102, "102") V(csosn103, "103") V(csosn201, "201") \
  V(csosn202, "202") V(csosn203, "203") V(csosn300, "300") V(csosn400, "400") V(csosn500, "500") \
  V(csosn900, "900")
#define VXN_ENUM_TDeterminacaoBaseIcms(V) \
  V(dbiMargemValorAgregado, "0") V(dbiPauta, "1") V(dbiPrecoTabelado, "2") V(dbiValorOperacao, "3") \
  V(dbiNenhum, "")
#define VXN_ENUM_TDeterminacaoBaseIcmsST(V) \
  V(dbisPrecoTabelado, "0") V(dbisListaNegativa, "1") V(dbisListaPositiva, "2") \
  V(dbisListaNeutra, "3") V(dbisMargemValorAgregado, "4") V(dbisPauta, "5")
#define VXN_ENUM_TMotivoDesoneracaoICMS(V) \
  V(mdiTaxi, "1") V(mdiDeficienteFisico, "2") V(mdiProdutorAgropecuario, "3") \
  V(mdiFrotistaLocadora, "4") V(mdiDiplomaticoConsular, "5") V(mdiAmazoniaLivreComercio, "6") \
  V(mdiSuframa, "7") V(mdiVendaOrgaoPublico, "8") V(mdiOutros, "9") V(mdiDeficienteCondutor, "10") \
  V(mdiDeficienteNaoCondutor, "11") V(mdiOrgaoFomento, "12") V(mdiOlimpiadaRio2016, "16") \
  V(mdiSolicitadoFisco, "90")
#define VXN_ENUM_TCstIpi(V) \
  V(ipi00, "00") V(ipi01, "01") V(ipi02, "02") V(ipi03, "03") V(ipi04, "04") V(ipi05, "05") \
  V(ipi49, "49") V(ipi50, "50") V(ipi51, "51") V(ipi52, "52") V(ipi53, "53") V(ipi54, "54") \
  V(ipi55, "55") V(ipi99, "99")
// The CSTs of PIS and COFINS share their codes.
#define VXN_CST_PIS_COFINS(V, p) \
  V(p##01, "01") V(p##02, "02") V(p##03, "03") V(p##04, "04") V(p##05, "05") V(p##06, "06") \
  V(p##07, "07") V(p##08, "08") V(p##09, "09") V(p##49, "49") V(p##50, "50") V(p##51, "51") \
  V(p##52, "52") V(p##53, "53") V(p##54, "54") V(p##55, "55") V(p##56, "56") V(p##60, "60") \
  V(p##61, "61") V(p##62, "62") V(p##63, "63") V(p##64, "64") V(p##65, "65") V(p##66, "66") \
  V(p##67, "67") V(p##70, "70") V(p##71, "71") V(p##72, "72") V(p##73, "73") V(p##74, "74") \
  V(p##75, "75") V(p##98, "98") V(p##99, "99")
#define VXN_ENUM_TCstPis(V) VXN_CST_PIS_COFINS(V, pis)
#define VXN_ENUM_TCstCofins(V) VXN_CST_PIS_COFINS(V, cof)
#define VXN_ENUM_TRegTribISSQN(V) \
  V(RTISSMicroempresaMunicipal, "1") V(RTISSEstimativa, "2") V(RTISSSociedadeProfissionais, "3") \
  V(RTISSCooperativa, "4") V(RTISSMEI, "5") V(RTISSMEEPP, "6") V(RTISSNenhum, "0")
#define VXN_ENUM_TIndISS(V) \
  V(isExigivel, "1") V(isNaoIncidencia, "2") V(isIsencao, "3") V(isExportacao, "4") \
  V(isImunidade, "5") V(isExigSuspDecisaoJudicial, "6") V(isExigSuspProcessoAdm, "7")
#define VXN_ENUM_TIndIncentivo(V) \
  V(iiSim, "1") V(iiNao, "2")
#define VXN_ENUM_TFormaPagamento(V) \
  V(fpDinheiro, "01") V(fpCheque, "02") V(fpCartaoCredito, "03") V(fpCartaoDebito, "04") \
  V(fpCreditoLoja, "05") V(fpValeAlimentacao, "10") V(fpValeRefeicao, "11") V(fpValePresente, "12") \
  V(fpValeCombustivel, "13") V(fpDuplicataMercantil, "14") V(fpBoletoBancario, "15") \
  V(fpDepositoBancario, "16") V(fpPagamentoInstantaneoPIX, "17") \
  V(fpTransferenciaBancariaCarteiraDigital, "18") V(fpProgramaFidelidadeCashbackCreditoVirtual, "19") \
  V(fpSemPagamento, "90") V(fpOutro, "99")
#define VXN_ENUM_TTpIntegra(V) \
  V(tiNaoInformado, "") V(tiPagIntegrado, "1") V(tiPagNaoIntegrado, "2")
#define VXN_ENUM_TBandeiraCartao(V) \
  V(bcVisa, "01") V(bcMastercard, "02") V(bcAmericanExpress, "03") V(bcSorocred, "04") \
  V(bcDinersClub, "05") V(bcElo, "06") V(bcHipercard, "07") V(bcAura, "08") V(bcCabal, "09") \
  V(bcAlelo, "10") V(bcBanesCard, "11") V(bcCalCard, "12") V(bcCredz, "13") V(bcDiscover, "14") \
  V(bcGoodCard, "15") V(bcGreenCard, "16") V(bcHiper, "17") V(bcJcb, "18") V(bcMais, "19") \
  V(bcMaxVan, "20") V(bcPolicard, "21") V(bcRedeCompras, "22") V(bcSodexo, "23") V(bcValeCard, "24") \
  V(bcVerocheque, "25") V(bcVR, "26") V(bcTicket, "27") V(bcOutros, "99")
#define VXN_ENUM_TIndicadorPagamento(V) \
  V(ipVista, "0") V(ipPrazo, "1") V(ipOutras, "2") V(ipNenhum, "")
#define VXN_ENUM_TIndicadorProcesso(V) \
  V(ipSEFAZ, "0") V(ipJusticaFederal, "1") V(ipJusticaEstadual, "2") V(ipSecexRFB, "3") \
  V(ipOutros, "9")
// The codes of the emission type declared with the shared vocabulary (vxnNFeType.h).
#define VXN_ENUM_TTipoEmissao(V) \
  V(teNormal, "1") V(teContingencia, "2") V(teSCAN, "3") V(teDPEC, "4") V(teFSDA, "5") V(teSVCAN, "6") \
  V(teSVCRS, "7") V(teSVCSP, "8") V(teOffLine, "9")
// E(type): the enumerations this header declares.
#define VXN_ENUMERACOES_TIPADAS(E) \
  E(TTipoNFe) E(TDestinoOperacao) E(TTipoImpressao) E(TTipoAmbiente) E(TFinalidadeNFe) \
  E(TConsumidorFinal) E(TPresencaComprador) E(TIndIntermed) E(TProcessoEmissao) E(TCRT) E(TIndIEDest) \
  E(TIndEscala) E(TIndicadorTotal) E(TTipoViaTransp) E(TTipoIntermedio) E(TModalidadeFrete) \
  E(TTipoOperacao) E(TCondicaoVeiculo) E(TECFModRef) E(TTipoArma) E(TOrigemMercadoria) E(TCstIcms) \
  E(TCSOSNIcms) E(TDeterminacaoBaseIcms) E(TDeterminacaoBaseIcmsST) E(TMotivoDesoneracaoICMS) \
  E(TCstIpi) E(TCstPis) E(TCstCofins) E(TRegTribISSQN) E(TIndISS) E(TIndIncentivo) E(TFormaPagamento) \
  E(TTpIntegra) E(TBandeiraCartao) E(TIndicadorPagamento) E(TIndicadorProcesso)
// clang-format on

#define VXN_ENUM_DECLARA_VALOR(valor, codigo) valor,
#define VXN_ENUM_DECLARA(Tipo)                                                                               \
  enum class Tipo { VXN_ENUM_##Tipo(VXN_ENUM_DECLARA_VALOR) };                                               \
  using enum Tipo;
VXN_ENUMERACOES_TIPADAS(VXN_ENUM_DECLARA)
#undef VXN_ENUM_DECLARA

// The name and the codes of an enumeration, by ordinal.
template <class E> struct TvxnCodigosEnum;

#define VXN_ENUM_CODIGO(valor, codigo) codigo,
#define VXN_ENUM_VALOR(valor, codigo) valor,
#define VXN_ENUM_CODIGOS(Tipo)                                                                               \
  template <> struct TvxnCodigosEnum<Tipo> {                                                                 \
    static constexpr std::string_view kNome = #Tipo;                                                         \
    static constexpr std::string_view kCodigos[] = {VXN_ENUM_##Tipo(VXN_ENUM_CODIGO)};                       \
    static constexpr Tipo kValores[] = {VXN_ENUM_##Tipo(VXN_ENUM_VALOR)};                                    \
  };
VXN_ENUMERACOES_TIPADAS(VXN_ENUM_CODIGOS)
VXN_ENUM_CODIGOS(TTipoEmissao)
#undef VXN_ENUM_CODIGOS
#undef VXN_ENUM_CODIGO
#undef VXN_ENUM_VALOR

// The code a value writes; nullptr for a value outside the enumeration's declared values.
template <class E> constexpr const std::string_view* CodigoEnum(E valor) {
  using Codigos = TvxnCodigosEnum<E>;
  const auto ordinal = static_cast<std::size_t>(valor);
  return ordinal < std::size(Codigos::kCodigos) ? &Codigos::kCodigos[ordinal] : nullptr;
}

// The codes are indexed by ordinal: a value of the table must stand at its own position (this holds the
// codes of TTipoEmissao to the declaration order of the shared vocabulary).
template <class E> constexpr bool CodigosPorOrdinal() {
  for (std::size_t i = 0; i < std::size(TvxnCodigosEnum<E>::kValores); ++i)
    if (static_cast<std::size_t>(TvxnCodigosEnum<E>::kValores[i]) != i)
      return false;
  return true;
}
static_assert(CodigosPorOrdinal<TTipoEmissao>());

} // namespace vxn
