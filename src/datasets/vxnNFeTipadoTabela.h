// The typed document model declared once: every class with its properties, the field each property
// writes and how its value becomes text, and the objects and lists it owns. vxnNFeDataSetsTipado.h
// turns these tables into classes.
//
// Entries of a class table:
//   P(kind, Property, field)       a value: Texto, Inteiro, Data, DataHora, a decimal (Dec2: 2 decimals,
//                                  Dec2a4: 2 to 4, ...) or an enumeration, which writes its code
//   C(Property, fieldCNPJ, fieldCPF) a CNPJ or CPF: 11 characters go to the CPF field, others to the CNPJ
//   O(Class, Property)             an owned object
//   L(ListClass, Property)         an owned list
#pragma once

// clang-format off

#define VXN_TIPADO_TInfNFe(P, C, O, L) \
  P(Texto, ID, id_A03) \
  P(Dec2, Versao, versao_A02)

#define VXN_TIPADO_TRefNF(P, C, O, L) \
  P(Inteiro, cUF, cUF_BA04) \
  P(Texto, AAMM, AAMM_BA05) \
  P(Texto, CNPJ, CNPJ_BA06) \
  P(Texto, mod, mod_BA07) \
  P(Inteiro, serie, serie_BA08) \
  P(Inteiro, nNF, nNF_BA09)

#define VXN_TIPADO_TRefNFP(P, C, O, L) \
  P(Inteiro, cUF, cUF_BA11) \
  P(Texto, AAMM, AAMM_BA12) \
  C(CNPJCPF, CNPJ_BA13, CPF_BA14) \
  P(Texto, IE, IE_BA15) \
  P(Texto, mod, mod_BA16) \
  P(Inteiro, serie, serie_BA17) \
  P(Inteiro, nNF, nNF_BA18)

#define VXN_TIPADO_TRefECF(P, C, O, L) \
  P(TECFModRef, mod, mod_BA21) \
  P(Inteiro, nECF, nECF_BA22) \
  P(Inteiro, nCOO, nCOO_BA23)

#define VXN_TIPADO_TNFrefCollectionItem(P, C, O, L) \
  P(Texto, refNFe, refNFe_BA02) \
  P(Texto, refCTe, refCTe_BA19) \
  O(TRefNF, RefNF) \
  O(TRefNFP, RefNFP) \
  O(TRefECF, RefECF)

#define VXN_TIPADO_TIde(P, C, O, L) \
  P(Inteiro, cUF, cUF_B02) \
  P(Inteiro, cNF, cNF_B03) \
  P(Texto, natOp, natOp_B04) \
  P(Inteiro, modelo, mod_B06) \
  P(Inteiro, serie, serie_B07) \
  P(Inteiro, nNF, nNF_B08) \
  P(DataHora, dhEmi, dhEmi_B09) \
  P(DataHora, dhSaiEnt, dhSaiEnt_B10) \
  P(TTipoNFe, tpNF, tpNF_B11) \
  P(TDestinoOperacao, idDest, idDest_B11a) \
  P(Inteiro, cMunFG, cMunFG_B12) \
  P(TTipoImpressao, tpImp, tpImp_B21) \
  P(TTipoEmissao, tpEmis, tpEmis_B22) \
  P(Inteiro, cDV, cDV_B23) \
  P(TTipoAmbiente, tpAmb, tpAmb_B24) \
  P(TFinalidadeNFe, finNFe, finNFe_B25) \
  P(TConsumidorFinal, indFinal, indFinal_B25a) \
  P(TPresencaComprador, indPres, indPres_B25b) \
  P(TIndIntermed, indIntermed, indIntermed_B25c) \
  P(TProcessoEmissao, procEmi, procEmi_B26) \
  P(Texto, verProc, verProc_B27) \
  P(DataHora, dhCont, dhCont_B28) \
  P(Texto, xJust, xJust_B29) \
  L(TNFrefCollection, NFref)

#define VXN_TIPADO_TenderEmit(P, C, O, L) \
  P(Texto, xLgr, xLgr_C06) \
  P(Texto, nro, nro_C07) \
  P(Texto, xCpl, xCpl_C08) \
  P(Texto, xBairro, xBairro_C09) \
  P(Inteiro, cMun, cMun_C10) \
  P(Texto, xMun, xMun_C11) \
  P(Texto, UF, UF_C12) \
  P(Texto, CEP, CEP_C13) \
  P(Inteiro, cPais, cPais_C14) \
  P(Texto, xPais, xPais_C15) \
  P(Texto, fone, fone_C16)

#define VXN_TIPADO_TEmit(P, C, O, L) \
  C(CNPJCPF, CNPJ_C02, CPF_C02a) \
  P(Texto, xNome, xNome_C03) \
  P(Texto, xFant, xFant_C04) \
  P(Texto, IE, IE_C17) \
  P(Texto, IEST, IEST_C18) \
  P(Texto, IM, IM_C19) \
  P(Texto, CNAE, CNAE_C20) \
  P(TCRT, CRT, CRT_C21) \
  O(TenderEmit, enderEmit)

#define VXN_TIPADO_TAvulsa(P, C, O, L) \
  P(Texto, CNPJ, CNPJ_D02) \
  P(Texto, xOrgao, xOrgao_D03) \
  P(Texto, matr, matr_D04) \
  P(Texto, xAgente, xAgente_D05) \
  P(Texto, fone, fone_D06) \
  P(Texto, UF, UF_D07) \
  P(Texto, nDAR, nDAR_D08) \
  P(Data, dEmi, dEmi_D09) \
  P(Dec2, vDAR, vDAR_D10) \
  P(Texto, repEmi, repEmi_D11) \
  P(Data, dPag, dPag_D12)

#define VXN_TIPADO_TenderDest(P, C, O, L) \
  P(Texto, xLgr, xLgr_E06) \
  P(Texto, nro, nro_E07) \
  P(Texto, xCpl, xCpl_E08) \
  P(Texto, xBairro, xBairro_E09) \
  P(Inteiro, cMun, cMun_E10) \
  P(Texto, xMun, xMun_E11) \
  P(Texto, UF, UF_E12) \
  P(Texto, CEP, CEP_E13) \
  P(Inteiro, cPais, cPais_E14) \
  P(Texto, xPais, xPais_E15) \
  P(Texto, fone, fone_E16)

#define VXN_TIPADO_TDest(P, C, O, L) \
  C(CNPJCPF, CNPJ_E02, CPF_E03) \
  P(Texto, idEstrangeiro, idEstrangeiro_E03a) \
  P(Texto, xNome, xNome_E04) \
  P(TIndIEDest, indIEDest, indIEDest_E16a) \
  P(Texto, IE, IE_E17) \
  P(Texto, ISUF, ISUF_E18) \
  P(Texto, IM, IM_E18a) \
  P(Texto, email, email_E19) \
  O(TenderDest, EnderDest)

#define VXN_TIPADO_TRetirada(P, C, O, L) \
  C(CNPJCPF, CNPJ_F02, CPF_F02a) \
  P(Texto, xNome, xNome_F02b) \
  P(Texto, xLgr, xLgr_F03) \
  P(Texto, nro, nro_F04) \
  P(Texto, xCpl, xCpl_F05) \
  P(Texto, xBairro, xBairro_F06) \
  P(Inteiro, cMun, cMun_F07) \
  P(Texto, xMun, xMun_F08) \
  P(Texto, UF, UF_F09) \
  P(Texto, CEP, CEP_F10) \
  P(Inteiro, cPais, cPais_F11) \
  P(Texto, xPais, xPais_F12) \
  P(Texto, fone, fone_F13) \
  P(Texto, email, email_F14) \
  P(Texto, IE, IE_F15)

#define VXN_TIPADO_TEntrega(P, C, O, L) \
  C(CNPJCPF, CNPJ_G02, CPF_G02a) \
  P(Texto, xNome, xNome_G02b) \
  P(Texto, xLgr, xLgr_G03) \
  P(Texto, nro, nro_G04) \
  P(Texto, xCpl, xCpl_G05) \
  P(Texto, xBairro, xBairro_G06) \
  P(Inteiro, cMun, cMun_G07) \
  P(Texto, xMun, xMun_G08) \
  P(Texto, UF, UF_G09) \
  P(Texto, CEP, CEP_G10) \
  P(Inteiro, cPais, cPais_G11) \
  P(Texto, xPais, xPais_G12) \
  P(Texto, fone, fone_G13) \
  P(Texto, email, email_G14) \
  P(Texto, IE, IE_G15)

#define VXN_TIPADO_TautXMLCollectionItem(P, C, O, L) \
  C(CNPJCPF, CNPJ_GA02, CPF_GA03)

#define VXN_TIPADO_TCIDE(P, C, O, L) \
  P(Dec0a4, qBCProd, qBCProd_LA08) \
  P(Dec4, vAliqProd, vAliqProd_LA09) \
  P(Dec2, vCIDE, vCIDE_LA10)

#define VXN_TIPADO_Tencerrante(P, C, O, L) \
  P(Inteiro, nBico, nBico_LA12) \
  P(Inteiro, nBomba, nBomba_LA13) \
  P(Inteiro, nTanque, nTanque_LA14) \
  P(Dec3, vEncIni, vEncIni_LA15) \
  P(Dec3, vEncFin, vEncFin_LA16)

#define VXN_TIPADO_TComb(P, C, O, L) \
  P(Texto, cProdANP, cProdANP_LA02) \
  P(Texto, descANP, descANP_LA03) \
  P(Dec4, pGLP, pGLP_LA03a) \
  P(Dec4, pGNn, pGNn_LA03b) \
  P(Dec4, pGNi, pGNi_LA03c) \
  P(Dec2, vPart, vPart_LA03d) \
  P(Texto, CODIF, CODIF_LA04) \
  P(Dec4, qTemp, qTemp_LA05) \
  P(Texto, UFcons, UFCons_LA06) \
  O(TCIDE, CIDE) \
  O(Tencerrante, encerrante)

#define VXN_TIPADO_TveicProd(P, C, O, L) \
  P(TTipoOperacao, tpOP, tpOp_J02) \
  P(Texto, chassi, chassi_J03) \
  P(Texto, cCor, cCor_J04) \
  P(Texto, xCor, xCor_J05) \
  P(Texto, pot, pot_J06) \
  P(Texto, Cilin, cilin_J07) \
  P(Texto, pesoL, pesoL_J08) \
  P(Texto, pesoB, pesoB_J09) \
  P(Texto, nSerie, nSerie_J10) \
  P(Texto, tpComb, tpComb_J11) \
  P(Texto, nMotor, nMotor_J12) \
  P(Texto, CMT, CMT_J13) \
  P(Texto, dist, dist_J14) \
  P(Inteiro, anoMod, anoMod_J16) \
  P(Inteiro, anoFab, anoFab_J17) \
  P(Texto, tpPint, tpPint_J18) \
  P(Texto, tpVeic, tpVeic_J19) \
  P(Texto, espVeic, espVeic_J20) \
  P(Texto, VIN, VIN_J21) \
  P(TCondicaoVeiculo, condVeic, condVeic_J22) \
  P(Texto, cMod, cMod_J23) \
  P(Texto, cCorDENATRAN, cCorDENATRAN_J24) \
  P(Texto, lota, lota_J25) \
  P(Texto, tpRest, tpRest_J26)

#define VXN_TIPADO_TAdiCollectionItem(P, C, O, L) \
  P(Inteiro, nAdicao, nAdicao_I26) \
  P(Inteiro, nSeqAdic, nSeqAdic_I27) \
  P(Texto, cFabricante, cFabricante_I28) \
  P(Dec2, vDescDI, vDescDI_I29) \
  P(Texto, nDraw, nDraw_I29a)

#define VXN_TIPADO_TDICollectionItem(P, C, O, L) \
  P(Texto, nDi, nDI_I19) \
  P(Data, dDi, dDI_I20) \
  P(Texto, xLocDesemb, xLocDesemb_I21) \
  P(Texto, UFDesemb, UFDesemb_I22) \
  P(Data, dDesemb, dDesemb_I23) \
  P(TTipoViaTransp, tpViaTransp, tpViaTransp_I23a) \
  P(Dec2, vAFRMM, vAFRMM_I23b) \
  P(TTipoIntermedio, tpIntermedio, tpIntermedio_I23c) \
  P(Texto, CNPJ, CNPJ_I23d) \
  P(Texto, UFTerceiro, UFTerceiro_I23e) \
  P(Texto, cExportador, cExportador_I24) \
  L(TAdiCollection, adi)

#define VXN_TIPADO_TRastroCollectionItem(P, C, O, L) \
  P(Texto, nLote, nLote_I81) \
  P(Dec3, qLote, qLote_I82) \
  P(Data, dFab, dFab_I83) \
  P(Data, dVal, dVal_I84) \
  P(Texto, cAgreg, cAgreg_I85)

#define VXN_TIPADO_TdetExportCollectionItem(P, C, O, L) \
  P(Texto, nDraw, nDraw_I51) \
  P(Texto, nRE, nRE_I53) \
  P(Texto, chNFe, chNFe_I54) \
  P(Dec4, qExport, qExport_I55)

#define VXN_TIPADO_TmedCollectionItem(P, C, O, L) \
  P(Texto, cProdANVISA, cProdANVISA_K01a) \
  P(Texto, xMotivoIsencao, xMotivoIsencao_K01b) \
  P(Texto, nLote, nLote_I81) \
  P(Dec3, qLote, qLote_I82) \
  P(Data, dFab, dFab_I83) \
  P(Data, dVal, dVal_I84) \
  P(Dec2, vPMC, vPMC_K06)

#define VXN_TIPADO_TNVECollectionItem(P, C, O, L) \
  P(Texto, Nve, NVE_I05a)

#define VXN_TIPADO_TarmaCollectionItem(P, C, O, L) \
  P(TTipoArma, tpArma, tpArma_L02) \
  P(Texto, nSerie, nSerie_L03) \
  P(Texto, nCano, nCano_L04) \
  P(Texto, descr, descr_L05)

#define VXN_TIPADO_TProd(P, C, O, L) \
  P(Inteiro, nItem, nItem_H02) \
  P(Texto, cProd, cProd_I02) \
  P(Texto, cEAN, cEAN_I03) \
  P(Texto, xProd, xProd_I04) \
  P(Texto, NCM, NCM_I05) \
  P(Texto, CEST, CEST_I05c) \
  P(TIndEscala, indEscala, indEscala_I05d) \
  P(Texto, CNPJFab, CNPJFab_I05e) \
  P(Texto, cBenef, cBenef_I05f) \
  P(Texto, EXTIPI, EXTIPI_I06) \
  P(Texto, CFOP, CFOP_I08) \
  P(Texto, uCom, uCom_I09) \
  P(Dec0a4, qCom, qCom_I10) \
  P(Dec0a10, vUnCom, vUnCom_I10a) \
  P(Dec2, vProd, vProd_I11) \
  P(Texto, cEANTrib, cEANTrib_I12) \
  P(Texto, uTrib, uTrib_I13) \
  P(Dec0a4, qTrib, qTrib_I14) \
  P(Dec0a10, vUnTrib, vUnTrib_I14a) \
  P(Dec2, vFrete, vFrete_I15) \
  P(Dec2, vSeg, vSeg_I16) \
  P(Dec2, vDesc, vDesc_I17) \
  P(Dec2, vOutro, vOutro_I17a) \
  P(TIndicadorTotal, IndTot, indTot_I17b) \
  P(Texto, xPed, xPed_I60) \
  P(Texto, nItemPed, nItemPed_I61) \
  P(Texto, nFCI, nFCI_I70) \
  P(Texto, nRECOPI, nRECOPI_LB01) \
  O(TComb, comb) \
  O(TveicProd, veicProd) \
  L(TDICollection, DI) \
  L(TRastroCollection, rastro) \
  L(TdetExportCollection, detExport) \
  L(TmedCollection, med) \
  L(TNVECollection, NVE) \
  L(TarmaCollection, arma)

#define VXN_TIPADO_TICMS(P, C, O, L) \
  P(TOrigemMercadoria, orig, orig_N11) \
  P(TCstIcms, CST, CST_N12) \
  P(TCSOSNIcms, CSOSN, CSOSN_N12a) \
  P(TDeterminacaoBaseIcms, modBC, modBC_N13) \
  P(Dec2a4, pRedBC, pRedBC_N14) \
  P(Dec2, vBC, vBC_N15) \
  P(Dec2a4, pICMS, pICMS_N16) \
  P(Dec2, vICMS, vICMS_N17) \
  P(TDeterminacaoBaseIcmsST, modBCST, modBCST_N18) \
  P(Dec2a4, pMVAST, pMVAST_N19) \
  P(Dec2a4, pRedBCST, pRedBCST_N20) \
  P(Dec2, vBCST, vBCST_N21) \
  P(Dec2a4, pICMSST, pICMSST_N22) \
  P(Dec2, vICMSST, vICMSST_N23) \
  P(Texto, UFST, UFST_N24) \
  P(Dec2a4, pBCOp, pBCOp_N25) \
  P(Dec2, vBCSTRet, vBCSTRet_N26) \
  P(Dec2, vICMSSTRet, vICMSSTRet_N27) \
  P(TMotivoDesoneracaoICMS, motDesICMS, motDesICMS_N28) \
  P(Dec2a4, pCredSN, pCredSN_N29) \
  P(Dec2, vCredICMSSN, vCredICMSSN_N30) \
  P(Dec2, vBCSTDest, vBCSTDest_N31) \
  P(Dec2, vICMSSTDest, vICMSSTDest_N32) \
  P(Dec2, vICMSDeson, vICMSDeson_N28a) \
  P(Dec2, vICMSOp, vICMSOp_N16a) \
  P(Dec2a4, pDif, pDif_N16b) \
  P(Dec2, vICMSDif, vICMSDif_N16c) \
  P(Dec2, vBCFCP, vBCFCP_N17a) \
  P(Dec2a4, pFCP, pFCP_N17b) \
  P(Dec2, vFCP, vFCP_N17c) \
  P(Dec2, vBCFCPST, vBCFCPST_N23a) \
  P(Dec2a4, pFCPST, pFCPST_N23b) \
  P(Dec2, vFCPST, vFCPST_N23d) \
  P(Dec2, vBCFCPSTRet, vBCFCPSTRet_N27a) \
  P(Dec2a4, pFCPSTRet, pFCPSTRet_N27b) \
  P(Dec2, vFCPSTRet, vFCPSTRet_N27d) \
  P(Dec2a4, pST, pST_N26a) \
  P(Dec2a4, pRedBCEfet, pRedBCEfet_N34) \
  P(Dec2, vBCEfet, vBCEfet_N35) \
  P(Dec2a4, pICMSEfet, pICMSEfet_N36) \
  P(Dec2, vICMSEfet, vICMSEfet_N37) \
  P(Dec2, vICMSSubstituto, vICMSSubstituto_N26b)

#define VXN_TIPADO_TIPI(P, C, O, L) \
  P(Texto, CNPJProd, CNPJProd_O03) \
  P(Texto, cSelo, cSelo_O04) \
  P(Inteiro, qSelo, qSelo_O05) \
  P(Texto, cEnq, cEnq_O06) \
  P(TCstIpi, CST, CST_O09) \
  P(Dec2, vBC, vBC_O10) \
  P(Dec0a4, qUnid, qUnid_O11) \
  P(Dec0a4, vUnid, vUnid_O12) \
  P(Dec2a4, pIPI, pIPI_O13) \
  P(Dec2, vIPI, vIPI_O14)

#define VXN_TIPADO_TII(P, C, O, L) \
  P(Dec2, vBc, vBC_P02) \
  P(Dec2, vDespAdu, vDespAdu_P03) \
  P(Dec2, vII, vII_P04) \
  P(Dec2, vIOF, vIOF_P05)

#define VXN_TIPADO_TPIS(P, C, O, L) \
  P(TCstPis, CST, CST_Q06) \
  P(Dec2, vBC, vBC_Q07) \
  P(Dec2a4, pPIS, pPIS_Q08) \
  P(Dec2, vPIS, vPIS_Q09) \
  P(Dec0a4, qBCProd, qBCProd_Q10) \
  P(Dec0a4, vAliqProd, vAliqProd_Q11)

#define VXN_TIPADO_TPISST(P, C, O, L) \
  P(Dec2, vBc, vBC_R02) \
  P(Dec2a4, pPis, pPIS_R03) \
  P(Dec0a4, qBCProd, qBCProd_R04) \
  P(Dec0a4, vAliqProd, vAliqProd_R05) \
  P(Dec2, vPIS, vPIS_R06)

#define VXN_TIPADO_TCOFINS(P, C, O, L) \
  P(TCstCofins, CST, CST_S06) \
  P(Dec2, vBC, vBC_S07) \
  P(Dec2a4, pCOFINS, pCOFINS_S08) \
  P(Dec0a4, qBCProd, qBCProd_S09) \
  P(Dec0a4, vAliqProd, vAliqProd_S10) \
  P(Dec2, vCOFINS, vCOFINS_S11)

#define VXN_TIPADO_TCOFINSST(P, C, O, L) \
  P(Dec2, vBC, vBC_T02) \
  P(Dec2a4, pCOFINS, pCOFINS_T03) \
  P(Dec0a4, qBCProd, qBCProd_T04) \
  P(Dec0a4, vAliqProd, vAliqProd_T05) \
  P(Dec2, vCOFINS, vCOFINS_T06)

#define VXN_TIPADO_TISSQN(P, C, O, L) \
  P(Dec2, vBC, vBC_U02) \
  P(Dec2a4, vAliq, vAliq_U03) \
  P(Dec2, vISSQN, vISSQN_U04) \
  P(Inteiro, cMunFG, cMunFG_U05) \
  P(Texto, cListServ, cListServ_U06) \
  P(Dec2, vDeducao, vDeducao_U07) \
  P(Dec2, vOutro, vOutro_U08) \
  P(Dec2, vDescIncond, vDescIncond_U09) \
  P(Dec2, vDescCond, vDescCond_U10) \
  P(Dec2, vISSRet, vISSRet_U11) \
  P(TIndISS, indISS, indISS_U12) \
  P(Texto, cServico, cServico_U13) \
  P(Inteiro, cMun, cMun_U14) \
  P(Inteiro, cPais, cPais_U15) \
  P(Texto, nProcesso, nProcesso_U16) \
  P(TIndIncentivo, indIncentivo, indIncentivo_U17)

#define VXN_TIPADO_TICMSUFDest(P, C, O, L) \
  P(Dec2, vBCUFDest, vBCUFDest_NA03) \
  P(Dec2, vBCFCPUFDest, vBCFCPUFDest_NA04) \
  P(Dec2a4, pFCPUFDest, pFCPUFDest_NA05) \
  P(Dec2a4, pICMSUFDest, pICMSUFDest_NA07) \
  P(Dec2, pICMSInter, pICMSInter_NA09) \
  P(Dec2a4, pICMSInterPart, pICMSInterPart_NA11) \
  P(Dec2, vFCPUFDest, vFCPUFDest_NA13) \
  P(Dec2, vICMSUFDest, vICMSUFDest_NA15) \
  P(Dec2, vICMSUFRemet, vICMSUFRemet_NA17)

#define VXN_TIPADO_TImposto(P, C, O, L) \
  P(Dec2, vTotTrib, vTotTrib_M02) \
  O(TICMS, ICMS) \
  O(TIPI, IPI) \
  O(TII, II) \
  O(TPIS, PIS) \
  O(TPISST, PISST) \
  O(TCOFINS, COFINS) \
  O(TCOFINSST, COFINSST) \
  O(TISSQN, ISSQN) \
  O(TICMSUFDest, ICMSUFDest)

#define VXN_TIPADO_TDetCollectionItem(P, C, O, L) \
  P(Dec2, pDevol, pDevol_UA02) \
  P(Dec2, vIPIDevol, vIPIDevol_UA04) \
  P(Texto, infAdProd, infAdProd_V01) \
  O(TProd, Prod) \
  O(TImposto, Imposto)

#define VXN_TIPADO_TICMSTot(P, C, O, L) \
  P(Dec2, vBC, vBC_W03) \
  P(Dec2, vICMS, vICMS_W04) \
  P(Dec2, vICMSDeson, vICMSDeson_W04a) \
  P(Dec2, vFCPUFDest, vFCPUFDest_W04c) \
  P(Dec2, vICMSUFDest, vICMSUFDest_W04e) \
  P(Dec2, vICMSUFRemet, vICMSUFRemet_W04g) \
  P(Dec2, vFCP, vFCP_W04h) \
  P(Dec2, vBCST, vBCST_W05) \
  P(Dec2, vST, vST_W06) \
  P(Dec2, vFCPST, vFCPST_W06a) \
  P(Dec2, vFCPSTRet, vFCPSTRet_W06b) \
  P(Dec2, vProd, vProd_W07) \
  P(Dec2, vFrete, vFrete_W08) \
  P(Dec2, vSeg, vSeg_W09) \
  P(Dec2, vDesc, vDesc_W10) \
  P(Dec2, vII, vII_W11) \
  P(Dec2, vIPI, vIPI_W12) \
  P(Dec2, vIPIDevol, vIPIDevol_W12a) \
  P(Dec2, vPIS, vPIS_W13) \
  P(Dec2, vCOFINS, vCOFINS_W14) \
  P(Dec2, vOutro, vOutro_W15) \
  P(Dec2, vNF, vNF_W16) \
  P(Dec2, vTotTrib, vTotTrib_W16a)

#define VXN_TIPADO_TISSQNtot(P, C, O, L) \
  P(Dec2, vServ, vServ_W18) \
  P(Dec2, vBC, vBC_W19) \
  P(Dec2, vISS, vISS_W20) \
  P(Dec2, vPIS, vPIS_W21) \
  P(Dec2, vCOFINS, vCOFINS_W22) \
  P(Data, dCompet, dCompet_W22a) \
  P(Dec2, vDeducao, vDeducao_W22b) \
  P(Dec2, vOutro, vOutro_W22c) \
  P(Dec2, vDescIncond, vDescIncond_W22d) \
  P(Dec2, vDescCond, vDescCond_W22e) \
  P(Dec2, vISSRet, vISSRet_W22f) \
  P(TRegTribISSQN, cRegTrib, cRegTrib_W22g)

#define VXN_TIPADO_TretTrib(P, C, O, L) \
  P(Dec2, vRetPIS, vRetPIS_W24) \
  P(Dec2, vRetCOFINS, vRetCOFINS_W25) \
  P(Dec2, vRetCSLL, vRetCSLL_W26) \
  P(Dec2, vBCIRRF, vBCIRRF_W27) \
  P(Dec2, vIRRF, vIRRF_W28) \
  P(Dec2, vBCRetPrev, vBCRetPrev_W29) \
  P(Dec2, vRetPrev, vRetPrev_W30)

#define VXN_TIPADO_TTotal(P, C, O, L) \
  O(TICMSTot, ICMSTot) \
  O(TISSQNtot, ISSQNtot) \
  O(TretTrib, retTrib)

#define VXN_TIPADO_TTransporta(P, C, O, L) \
  C(CNPJCPF, CNPJ_X04, CPF_X05) \
  P(Texto, xNome, xNome_X06) \
  P(Texto, IE, IE_X07) \
  P(Texto, xEnder, xEnder_X08) \
  P(Texto, xMun, xMun_X09) \
  P(Texto, UF, UF_X10)

#define VXN_TIPADO_TretTransp(P, C, O, L) \
  P(Dec2, vServ, vServ_X12) \
  P(Dec2, vBCRet, vBCRet_X13) \
  P(Dec2a4, pICMSRet, pICMSRet_X14) \
  P(Dec2, vICMSRet, vICMSRet_X15) \
  P(Texto, CFOP, CFOP_X16) \
  P(Inteiro, cMunFG, cMunFG_X17)

#define VXN_TIPADO_TveicTransp(P, C, O, L) \
  P(Texto, placa, placa_X19) \
  P(Texto, UF, UF_X20) \
  P(Texto, RNTC, RNTC_X21)

#define VXN_TIPADO_TreboqueCollectionItem(P, C, O, L) \
  P(Texto, placa, placa_X23) \
  P(Texto, UF, UF_X24) \
  P(Texto, RNTC, RNTC_X25)

#define VXN_TIPADO_TLacresCollectionItem(P, C, O, L) \
  P(Texto, nLacre, nLacre_X34)

#define VXN_TIPADO_TVolCollectionItem(P, C, O, L) \
  P(Inteiro, qVol, qVol_X27) \
  P(Texto, esp, esp_X28) \
  P(Texto, marca, marca_X29) \
  P(Texto, nVol, nVol_X30) \
  P(Dec3, pesoL, pesoL_X31) \
  P(Dec3, pesoB, pesoB_X32) \
  L(TLacresCollection, Lacres)

#define VXN_TIPADO_TTransp(P, C, O, L) \
  P(TModalidadeFrete, modFrete, modFrete_X02) \
  P(Texto, vagao, vagao_X25a) \
  P(Texto, balsa, balsa_X25b) \
  O(TTransporta, Transporta) \
  O(TretTransp, retTransp) \
  O(TveicTransp, veicTransp) \
  L(TreboqueCollection, Reboque) \
  L(TVolCollection, Vol)

#define VXN_TIPADO_TFat(P, C, O, L) \
  P(Texto, nFat, nFat_Y03) \
  P(Dec2, vOrig, vOrig_Y04) \
  P(Dec2, vDesc, vDesc_Y05) \
  P(Dec2, vLiq, vLiq_Y06)

#define VXN_TIPADO_TDupCollectionItem(P, C, O, L) \
  P(Texto, nDup, nDup_Y08) \
  P(Data, dVenc, dVenc_Y09) \
  P(Dec2, vDup, vDup_Y10)

#define VXN_TIPADO_TCobr(P, C, O, L) \
  O(TFat, Fat) \
  L(TDupCollection, Dup)

#define VXN_TIPADO_TpagCollectionItem(P, C, O, L) \
  P(TIndicadorPagamento, indPag, indPag_YA01b) \
  P(TFormaPagamento, tPag, tPag_YA02) \
  P(Texto, xPag, xPag_YA02a) \
  P(Dec2, vPag, vPag_YA03) \
  P(TTpIntegra, tpIntegra, tpIntegra_YA04a) \
  P(Texto, CNPJ, CNPJ_YA05) \
  P(TBandeiraCartao, tBand, tBand_YA06) \
  P(Texto, cAut, cAut_YA07)

#define VXN_TIPADO_TobsContCollectionItem(P, C, O, L) \
  P(Texto, xCampo, xCampo_Z05) \
  P(Texto, xTexto, xTexto_Z06)

#define VXN_TIPADO_TobsFiscoCollectionItem(P, C, O, L) \
  P(Texto, xCampo, xCampo_Z08) \
  P(Texto, xTexto, xTexto_Z09)

#define VXN_TIPADO_TprocRefCollectionItem(P, C, O, L) \
  P(Texto, nProc, nProc_Z11) \
  P(TIndicadorProcesso, indProc, indProc_Z12)

#define VXN_TIPADO_TInfAdic(P, C, O, L) \
  P(Texto, infAdFisco, infAdFisco_Z02) \
  P(Texto, infCpl, infCpl_Z03) \
  L(TobsContCollection, obsCont) \
  L(TobsFiscoCollection, obsFisco) \
  L(TprocRefCollection, procRef)

#define VXN_TIPADO_TExporta(P, C, O, L) \
  P(Texto, UFSaidaPais, UFSaidaPais_ZA02) \
  P(Texto, xLocExporta, xLocExporta_ZA03) \
  P(Texto, xLocDespacho, xLocDespacho_ZA04)

#define VXN_TIPADO_TCompra(P, C, O, L) \
  P(Texto, xNEmp, xNEmp_ZB02) \
  P(Texto, xPed, xPed_ZB03) \
  P(Texto, xCont, xCont_ZB04)

#define VXN_TIPADO_TForDiaCollectionItem(P, C, O, L) \
  P(Inteiro, dia, dia_ZC05) \
  P(Dec10, qtde, qtde_ZC06)

#define VXN_TIPADO_TDeducCollectionItem(P, C, O, L) \
  P(Texto, xDed, xDed_ZC11) \
  P(Dec2, vDed, vDed_ZC12)

#define VXN_TIPADO_TCana(P, C, O, L) \
  P(Texto, safra, safra_ZC02) \
  P(Texto, ref, ref_ZC03) \
  P(Dec10, qTotMes, qTotMes_ZC07) \
  P(Dec10, qTotAnt, qTotAnt_ZC08) \
  P(Dec10, qTotGer, qTotGer_ZC09) \
  P(Dec2, vFor, vFor_ZC13) \
  P(Dec2, vTotDed, vTotDed_ZC14) \
  P(Dec2, vLiqFor, vLiqFor_ZC15) \
  L(TForDiaCollection, fordia) \
  L(TDeducCollection, deduc)

// The NFC-e's supplementary group: the dataset has no fields for it yet.
#define VXN_TIPADO_TinfNFeSupl(P, C, O, L)

#define VXN_TIPADO_TinfRespTec(P, C, O, L) \
  P(Texto, CNPJ, CNPJ_ZD02) \
  P(Texto, xContato, xContato_ZD04) \
  P(Texto, email, email_ZD05) \
  P(Texto, fone, fone_ZD06) \
  P(Texto, idCSRT, idCSRT_ZD08) \
  P(Texto, hashCSRT, hashCSRT_ZD09)

#define VXN_TIPADO_TinfIntermed(P, C, O, L) \
  P(Texto, CNPJ, CNPJ_YB02) \
  P(Texto, idCadIntTran, idCadIntTran_YB03)

#define VXN_TIPADO_TNFe(P, C, O, L) \
  O(TInfNFe, InfNFe) \
  O(TIde, Ide) \
  O(TEmit, Emit) \
  O(TAvulsa, Avulsa) \
  O(TDest, Dest) \
  O(TRetirada, Retirada) \
  O(TEntrega, Entrega) \
  L(TautXMLCollection, autXML) \
  L(TDetCollection, Det) \
  O(TTotal, Total) \
  O(TTransp, Transp) \
  O(TCobr, Cobr) \
  L(TpagCollection, pag) \
  O(TInfAdic, InfAdic) \
  O(TExporta, Exporta) \
  O(TCompra, Compra) \
  O(TCana, Cana) \
  O(TinfNFeSupl, infNFeSupl) \
  O(TinfRespTec, infRespTec) \
  O(TinfIntermed, infIntermed)

// Lists with properties of their own; the others have none.
#define VXN_TIPADO_TpagCollection(P, C, O, L) \
  P(Dec2, vTroco, vTroco_YA09)
#define VXN_SEM_PROPRIEDADES(P, C, O, L)

// Every class, each after the classes it owns:
//   OBJETO(Class, group opened on the first write or nullptr, extra members...)
//   LISTA(ListClass, ItemClass, table of the list's own properties, how New opens the item's group)
#define VXN_CLASSES_TIPADAS(OBJETO, LISTA) \
  OBJETO(TInfNFe, nullptr) \
  OBJETO(TRefNF, nullptr) \
  OBJETO(TRefNFP, nullptr) \
  OBJETO(TRefECF, nullptr) \
  OBJETO(TNFrefCollectionItem, nullptr) \
  LISTA(TNFrefCollection, TNFrefCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("NREF")) \
  OBJETO(TIde, nullptr) \
  OBJETO(TenderEmit, nullptr) \
  OBJETO(TEmit, nullptr) \
  OBJETO(TAvulsa, nullptr) \
  OBJETO(TenderDest, nullptr) \
  OBJETO(TDest, nullptr) \
  OBJETO(TRetirada, nullptr) \
  OBJETO(TEntrega, nullptr) \
  OBJETO(TautXMLCollectionItem, nullptr) \
  LISTA(TautXMLCollection, TautXMLCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("autXML")) \
  OBJETO(TCIDE, nullptr) \
  OBJETO(Tencerrante, nullptr) \
  OBJETO(TComb, nullptr) \
  OBJETO(TveicProd, nullptr, std::string getCombDescricao() const;) \
  OBJETO(TAdiCollectionItem, nullptr) \
  LISTA(TAdiCollection, TAdiCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("ADI")) \
  OBJETO(TDICollectionItem, nullptr) \
  LISTA(TDICollection, TDICollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("DI")) \
  OBJETO(TRastroCollectionItem, nullptr) \
  LISTA(TRastroCollection, TRastroCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("I80")) \
  OBJETO(TdetExportCollectionItem, nullptr) \
  LISTA(TdetExportCollection, TdetExportCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("DETEXPORT", "EXPORTIND")) \
  OBJETO(TmedCollectionItem, nullptr) \
  LISTA(TmedCollection, TmedCollectionItem, VXN_SEM_PROPRIEDADES, SemGrupo()) \
  OBJETO(TNVECollectionItem, nullptr) \
  LISTA(TNVECollection, TNVECollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("NVE")) \
  OBJETO(TarmaCollectionItem, nullptr) \
  LISTA(TarmaCollection, TarmaCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("L")) \
  OBJETO(TProd, nullptr) \
  OBJETO(TICMS, nullptr) \
  OBJETO(TIPI, nullptr) \
  OBJETO(TII, nullptr) \
  OBJETO(TPIS, nullptr) \
  OBJETO(TPISST, nullptr) \
  OBJETO(TCOFINS, nullptr) \
  OBJETO(TCOFINSST, nullptr) \
  OBJETO(TISSQN, nullptr) \
  OBJETO(TICMSUFDest, nullptr) \
  OBJETO(TImposto, nullptr) \
  OBJETO(TDetCollectionItem, nullptr) \
  LISTA(TDetCollection, TDetCollectionItem, VXN_SEM_PROPRIEDADES, AbreItem()) \
  OBJETO(TICMSTot, nullptr) \
  OBJETO(TISSQNtot, nullptr) \
  OBJETO(TretTrib, nullptr) \
  OBJETO(TTotal, nullptr) \
  OBJETO(TTransporta, nullptr) \
  OBJETO(TretTransp, nullptr) \
  OBJETO(TveicTransp, nullptr) \
  OBJETO(TreboqueCollectionItem, nullptr) \
  LISTA(TreboqueCollection, TreboqueCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("REBOQUE")) \
  OBJETO(TLacresCollectionItem, nullptr) \
  LISTA(TLacresCollection, TLacresCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("LACRE")) \
  OBJETO(TVolCollectionItem, nullptr) \
  LISTA(TVolCollection, TVolCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("VOL")) \
  OBJETO(TTransp, nullptr) \
  OBJETO(TFat, nullptr) \
  OBJETO(TDupCollectionItem, nullptr) \
  LISTA(TDupCollection, TDupCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("DUP")) \
  OBJETO(TCobr, nullptr) \
  OBJETO(TpagCollectionItem, nullptr) \
  LISTA(TpagCollection, TpagCollectionItem, VXN_TIPADO_TpagCollection, AbrePartes("YA")) \
  OBJETO(TobsContCollectionItem, nullptr) \
  LISTA(TobsContCollection, TobsContCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("OBSCONT")) \
  OBJETO(TobsFiscoCollectionItem, nullptr) \
  LISTA(TobsFiscoCollection, TobsFiscoCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("OBSFISCO")) \
  OBJETO(TprocRefCollectionItem, nullptr) \
  LISTA(TprocRefCollection, TprocRefCollectionItem, VXN_SEM_PROPRIEDADES, SemGrupo()) \
  OBJETO(TInfAdic, nullptr) \
  OBJETO(TExporta, nullptr) \
  OBJETO(TCompra, nullptr) \
  OBJETO(TForDiaCollectionItem, nullptr) \
  LISTA(TForDiaCollection, TForDiaCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("FORDIA")) \
  OBJETO(TDeducCollectionItem, nullptr) \
  LISTA(TDeducCollection, TDeducCollectionItem, VXN_SEM_PROPRIEDADES, AbrePartes("DEDUC")) \
  OBJETO(TCana, "CANA") \
  OBJETO(TinfNFeSupl, nullptr) \
  OBJETO(TinfRespTec, nullptr) \
  OBJETO(TinfIntermed, nullptr) \
  OBJETO(TNFe, nullptr)

// clang-format on
