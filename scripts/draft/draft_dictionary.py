"""Drafts data/Templates/vm60/Conversor/NFeDataSets*.xml from the field lists below, the official 4.00
schema (sizes, enumerations, required flags) and the REC layout (rec positions). The output was
reviewed and is committed as data; this script is not part of the build and nothing runs it."""
import os
import re
import sys
import xml.sax.saxutils as su

import xsdinfo

# The shared folder sits beside the repository.
SHARED = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'shared')
SCHEMAS = os.path.join(SHARED, 'schemas', 'PL_009_V4') + os.sep
REC = os.path.join(SHARED, 'reference', 'rec-layout-4.00.txt')

# part: (group paths under infNFe ('' = infNFe itself), master part, sub-groups owned by other parts, fields)
# A field is "name" or "name@hint" (hint: a text the schema path must contain).
PARTS = [
    ('A', [''], None, [], ['versao_A02', 'Id_A03']),
    ('B', ['ide'], None, ['NFref'], ['cUF_B02', 'cNF_B03', 'natOp_B04', 'mod_B06', 'serie_B07', 'nNF_B08',
        'dhEmi_B09', 'dhSaiEnt_B10', 'tpNF_B11', 'idDest_B11a', 'cMunFG_B12', 'tpImp_B21', 'tpEmis_B22',
        'cDV_B23', 'tpAmb_B24', 'finNFe_B25', 'indFinal_B25a', 'indPres_B25b', 'indIntermed_B25c',
        'procEmi_B26', 'verProc_B27', 'dhCont_B28', 'xJust_B29']),
    ('NREF', ['ide/NFref'], 'B', [], ['refNFe_BA02', 'cUF_BA04@refNF/', 'AAMM_BA05@refNF/', 'CNPJ_BA06@refNF/',
        'mod_BA07@refNF/', 'serie_BA08@refNF/', 'nNF_BA09@refNF/', 'cUF_BA11@refNFP', 'AAMM_BA12@refNFP',
        'CNPJ_BA13@refNFP', 'CPF_BA14@refNFP', 'IE_BA15@refNFP', 'mod_BA16@refNFP', 'serie_BA17@refNFP',
        'nNF_BA18@refNFP', 'refCTe_BA19', 'mod_BA21@refECF', 'nECF_BA22', 'nCOO_BA23']),
    ('C', ['emit'], None, [], ['CNPJ_C02', 'CPF_C02a', 'xNome_C03', 'xFant_C04', 'xLgr_C06', 'nro_C07',
        'xCpl_C08', 'xBairro_C09', 'cMun_C10', 'xMun_C11', 'UF_C12', 'CEP_C13', 'cPais_C14', 'xPais_C15',
        'fone_C16', 'IE_C17', 'IEST_C18', 'IM_C19', 'CNAE_C20', 'CRT_C21']),
    ('D', ['avulsa'], None, [], ['CNPJ_D02', 'xOrgao_D03', 'matr_D04', 'xAgente_D05', 'fone_D06', 'UF_D07',
        'nDAR_D08', 'dEmi_D09', 'vDAR_D10', 'repEmi_D11', 'dPag_D12']),
    ('E', ['dest'], None, [], ['CNPJ_E02', 'CPF_E03', 'idEstrangeiro_E03a', 'xNome_E04', 'xLgr_E06', 'nro_E07',
        'xCpl_E08', 'xBairro_E09', 'cMun_E10', 'xMun_E11', 'UF_E12', 'CEP_E13', 'cPais_E14', 'xPais_E15',
        'fone_E16', 'indIEDest_E16a', 'IE_E17', 'ISUF_E18', 'IM_E18a', 'email_E19']),
    ('F', ['retirada'], None, [], ['CNPJ_F02', 'CPF_F02a', 'xNome_F02b', 'xLgr_F03', 'nro_F04', 'xCpl_F05',
        'xBairro_F06', 'cMun_F07', 'xMun_F08', 'UF_F09', 'CEP_F10', 'cPais_F11', 'xPais_F12', 'fone_F13',
        'email_F14', 'IE_F15']),
    ('G', ['entrega'], None, [], ['CNPJ_G02', 'CPF_G02a', 'xNome_G02b', 'xLgr_G03', 'nro_G04', 'xCpl_G05',
        'xBairro_G06', 'cMun_G07', 'xMun_G08', 'UF_G09', 'CEP_G10', 'cPais_G11', 'xPais_G12', 'fone_G13',
        'email_G14', 'IE_G15']),
    ('AUTXML', ['autXML'], 'A', [], ['CNPJ_GA02', 'CPF_GA03']),
    ('H', ['det'], None, ['prod', 'imposto', 'impostoDevol', 'infAdProd', 'obsItem'], ['nItem_H02']),
    ('I', ['det/prod'], 'H', ['DI', 'detExport', 'rastro', 'veicProd', 'med', 'arma', 'comb', 'NVE', 'nRECOPI'],
     ['cProd_I02', 'cEAN_I03', 'cBarra_I03a', 'xProd_I04', 'NCM_I05', 'CEST_I05c', 'indEscala_I05d',
      'CNPJFab_I05e', 'cBenef_I05f', 'EXTIPI_I06', 'CFOP_I08', 'uCom_I09', 'qCom_I10', 'vUnCom_I10a',
      'vProd_I11', 'cEANTrib_I12', 'cBarraTrib_I12a', 'uTrib_I13', 'qTrib_I14', 'vUnTrib_I14a', 'vFrete_I15',
      'vSeg_I16', 'vDesc_I17', 'vOutro_I17a', 'indTot_I17b', 'xPed_I60', 'nItemPed_I61', 'nFCI_I70']),
    ('I80', ['det/prod/rastro'], 'H', [], ['nLote_I81', 'qLote_I82', 'dFab_I83', 'dVal_I84', 'cAgreg_I85']),
    ('NVE', ['det/prod'], 'H', ['DI', 'detExport', 'rastro', 'veicProd', 'med', 'arma', 'comb'], ['NVE_I05a']),
    ('J', ['det/prod/veicProd'], 'H', [], ['tpOp_J02', 'chassi_J03', 'cCor_J04', 'xCor_J05', 'pot_J06',
        'cilin_J07', 'pesoL_J08', 'pesoB_J09', 'nSerie_J10', 'tpComb_J11', 'nMotor_J12', 'CMT_J13', 'dist_J14',
        'anoMod_J16', 'anoFab_J17', 'tpPint_J18', 'tpVeic_J19', 'espVeic_J20', 'VIN_J21', 'condVeic_J22',
        'cMod_J23', 'cCorDENATRAN_J24', 'lota_J25', 'tpRest_J26']),
    ('K', ['det/prod/med'], 'H', [], ['cProdANVISA_K01a', 'xMotivoIsencao_K01b', 'vPMC_K06']),
    ('L', ['det/prod/arma'], 'H', [], ['tpArma_L02', 'nSerie_L03', 'nCano_L04', 'descr_L05']),
    ('M', ['det/imposto'], 'H', ['ICMS', 'IPI', 'II', 'PIS', 'PISST', 'COFINS', 'COFINSST', 'ISSQN', 'ICMSUFDest',
                                 'IS', 'IBSCBS'], ['vTotTrib_M02']),
    ('N', ['det/imposto/ICMS'], 'H', [], ['orig_N11', 'CST_N12', 'CSOSN_N12a', 'modBC_N13', 'pRedBC_N14',
        'vBC_N15', 'pICMS_N16', 'vICMSOp_N16a', 'pDif_N16b', 'vICMSDif_N16c', 'vICMS_N17', 'vBCFCP_N17a',
        'pFCP_N17b', 'vFCP_N17c', 'pFCPDif_N17d', 'vFCPDif_N17e', 'vFCPEfet_N17f', 'modBCST_N18', 'pMVAST_N19',
        'pRedBCST_N20', 'vBCST_N21', 'pICMSST_N22', 'vICMSST_N23', 'vBCFCPST_N23a', 'pFCPST_N23b',
        'vFCPST_N23d', 'UFST_N24', 'pBCOp_N25', 'vBCSTRet_N26', 'pST_N26a', 'vICMSSubstituto_N26b',
        'vICMSSTRet_N27', 'vBCFCPSTRet_N27a', 'pFCPSTRet_N27b', 'vFCPSTRet_N27d', 'motDesICMS_N28',
        'vICMSDeson_N28a', 'indDeduzDeson_N28b', 'pCredSN_N29', 'vCredICMSSN_N30', 'vBCSTDest_N31', 'vICMSSTDest_N32',
        'vICMSSTDeson_N33a', 'motDesICMSST_N33b', 'pRedBCEfet_N34', 'vBCEfet_N35', 'pICMSEfet_N36',
        'vICMSEfet_N37']),
    ('NA', ['det/imposto/ICMSUFDest'], 'H', [], ['vBCUFDest_NA03', 'vBCFCPUFDest_NA04', 'pFCPUFDest_NA05',
        'pICMSUFDest_NA07', 'pICMSInter_NA09', 'pICMSInterPart_NA11', 'vFCPUFDest_NA13', 'vICMSUFDest_NA15',
        'vICMSUFRemet_NA17']),
    ('O', ['det/imposto/IPI'], 'H', [], ['CNPJProd_O03', 'cSelo_O04', 'qSelo_O05', 'cEnq_O06', 'CST_O09',
        'vBC_O10', 'qUnid_O11', 'vUnid_O12', 'pIPI_O13', 'vIPI_O14']),
    ('P', ['det/imposto/II'], 'H', [], ['vBC_P02', 'vDespAdu_P03', 'vII_P04', 'vIOF_P05']),
    ('Q', ['det/imposto/PIS'], 'H', [], ['CST_Q06', 'vBC_Q07', 'pPIS_Q08', 'vPIS_Q09', 'qBCProd_Q10',
        'vAliqProd_Q11']),
    ('R', ['det/imposto/PISST'], 'H', [], ['vBC_R02', 'pPIS_R03', 'qBCProd_R04', 'vAliqProd_R05', 'vPIS_R06',
        'indSomaPISST_R07']),
    ('S', ['det/imposto/COFINS'], 'H', [], ['CST_S06', 'vBC_S07', 'pCOFINS_S08', 'qBCProd_S09',
        'vAliqProd_S10', 'vCOFINS_S11']),
    ('T', ['det/imposto/COFINSST'], 'H', [], ['vBC_T02', 'pCOFINS_T03', 'qBCProd_T04', 'vAliqProd_T05',
        'vCOFINS_T06', 'indSomaCOFINSST_T07']),
    ('U', ['det/imposto/ISSQN'], 'H', [], ['vBC_U02', 'vAliq_U03', 'vISSQN_U04', 'cMunFG_U05', 'cListServ_U06',
        'vDeducao_U07', 'vOutro_U08', 'vDescIncond_U09', 'vDescCond_U10', 'vISSRet_U11', 'indISS_U12',
        'cServico_U13', 'cMun_U14', 'cPais_U15', 'nProcesso_U16', 'indIncentivo_U17']),
    ('UB', ['det/impostoDevol'], 'H', [], ['pDevol_UA02', 'vIPIDevol_UA04']),
    ('V', ['det'], 'H', ['prod', 'imposto', 'impostoDevol', 'obsItem'], ['infAdProd_V01']),
    ('DI', ['det/prod/DI'], 'H', ['adi'], ['nDI_I19', 'dDI_I20', 'xLocDesemb_I21', 'UFDesemb_I22', 'dDesemb_I23',
        'tpViaTransp_I23a', 'vAFRMM_I23b', 'tpIntermedio_I23c', 'CNPJ_I23d', 'UFTerceiro_I23e',
        'cExportador_I24']),
    ('ADI', ['det/prod/DI/adi'], 'DI', [], ['nAdicao_I26', 'nSeqAdic_I27', 'cFabricante_I28', 'vDescDI_I29',
        'nDraw_I29a']),
    ('DETEXPORT', ['det/prod/detExport'], 'H', ['exportInd'], ['nDraw_I51']),
    ('EXPORTIND', ['det/prod/detExport/exportInd'], 'DETEXPORT', [], ['nRE_I53', 'chNFe_I54', 'qExport_I55']),
    ('L1', ['det/prod/comb'], 'H', [], ['cProdANP_LA02', 'descANP_LA03', 'pGLP_LA03a', 'pGNn_LA03b',
        'pGNi_LA03c', 'vPart_LA03d', 'CODIF_LA04', 'qTemp_LA05', 'UFCons_LA06', 'qBCProd_LA08',
        'vAliqProd_LA09', 'vCIDE_LA10', 'nBico_LA12', 'nBomba_LA13', 'nTanque_LA14', 'vEncIni_LA15',
        'vEncFin_LA16']),
    ('L2', ['det/prod'], 'H', ['DI', 'detExport', 'rastro', 'veicProd', 'med', 'arma', 'comb'], ['nRECOPI_LB01']),
    ('X', ['transp'], None, ['reboque', 'vol'], ['modFrete_X02', 'CNPJ_X04', 'CPF_X05', 'xNome_X06', 'IE_X07',
        'xEnder_X08', 'xMun_X09', 'UF_X10@transporta', 'vServ_X12', 'vBCRet_X13', 'pICMSRet_X14',
        'vICMSRet_X15', 'CFOP_X16', 'cMunFG_X17', 'placa_X19', 'UF_X20@veicTransp', 'RNTC_X21', 'vagao_X25a',
        'balsa_X25b']),
    ('W', ['total'], None, [], ['vBC_W03@ICMSTot', 'vICMS_W04', 'vICMSDeson_W04a', 'vFCPUFDest_W04c',
        'vICMSUFDest_W04e', 'vICMSUFRemet_W04g', 'vFCP_W04h', 'vBCST_W05', 'vST_W06', 'vFCPST_W06a',
        'vFCPSTRet_W06b', 'vProd_W07', 'vFrete_W08', 'vSeg_W09', 'vDesc_W10', 'vII_W11', 'vIPI_W12',
        'vIPIDevol_W12a', 'vPIS_W13@ICMSTot', 'vCOFINS_W14@ICMSTot', 'vOutro_W15@ICMSTot', 'vNF_W16',
        'vTotTrib_W16a', 'vServ_W18', 'vBC_W19@ISSQNtot', 'vISS_W20', 'vPIS_W21@ISSQNtot',
        'vCOFINS_W22@ISSQNtot', 'dCompet_W22a', 'vDeducao_W22b', 'vOutro_W22c@ISSQNtot', 'vDescIncond_W22d',
        'vDescCond_W22e', 'vISSRet_W22f', 'cRegTrib_W22g', 'vRetPIS_W24', 'vRetCOFINS_W25', 'vRetCSLL_W26',
        'vBCIRRF_W27', 'vIRRF_W28', 'vBCRetPrev_W29', 'vRetPrev_W30']),
    ('Y', ['cobr/fat'], None, [], ['nFat_Y03', 'vOrig_Y04', 'vDesc_Y05', 'vLiq_Y06']),
    ('YA01', ['pag'], None, ['detPag'], ['vTroco_YA09']),
    ('YA', ['pag/detPag'], 'YA01', [], ['indPag_YA01b', 'tPag_YA02', 'xPag_YA02a', 'vPag_YA03',
        'tpIntegra_YA04a', 'CNPJ_YA05', 'tBand_YA06', 'cAut_YA07']),
    ('YB', ['infIntermed'], None, [], ['CNPJ_YB02', 'idCadIntTran_YB03']),
    ('Z', ['infAdic', 'exporta', 'compra'], None, ['obsCont', 'obsFisco', 'procRef'], ['infAdFisco_Z02',
        'infCpl_Z03', 'UFSaidaPais_ZA02', 'xLocExporta_ZA03', 'xLocDespacho_ZA04', 'xNEmp_ZB02', 'xPed_ZB03',
        'xCont_ZB04']),
    ('ZD', ['infRespTec'], None, [], ['CNPJ_ZD02', 'xContato_ZD04', 'email_ZD05', 'fone_ZD06', 'idCSRT_ZD08',
        'hashCSRT_ZD09']),
    ('REBOQUE', ['transp/reboque'], 'X', [], ['placa_X23', 'UF_X24', 'RNTC_X25']),
    ('VOL', ['transp/vol'], 'X', ['lacres'], ['qVol_X27', 'esp_X28', 'marca_X29', 'nVol_X30', 'pesoL_X31',
        'pesoB_X32']),
    ('LACRE', ['transp/vol/lacres'], 'VOL', [], ['nLacre_X34']),
    ('PROCREF', ['infAdic/procRef'], 'Z', [], ['nProc_Z11', 'indProc_Z12']),
    ('OBSCONT', ['infAdic/obsCont'], 'Z', [], ['xCampo_Z05', 'xTexto_Z06']),
    ('MANAGER', [], None, [], []),
    ('DUP', ['cobr/dup'], 'Y', [], ['nDup_Y08', 'dVenc_Y09', 'vDup_Y10']),
    ('OBSFISCO', ['infAdic/obsFisco'], 'Z', [], ['xCampo_Z08', 'xTexto_Z09']),
    ('CANA', ['cana'], None, ['forDia', 'deduc'], ['safra_ZC02', 'ref_ZC03', 'qTotMes_ZC07', 'qTotAnt_ZC08',
        'qTotGer_ZC09', 'vFor_ZC13', 'vTotDed_ZC14', 'vLiqFor_ZC15']),
    ('FORDIA', ['cana/forDia'], 'CANA', [], ['dia_ZC05', 'qtde_ZC06']),
    ('DEDUC', ['cana/deduc'], 'CANA', [], ['xDed_ZC11', 'vDed_ZC12']),
]

# Parts that may declare required fields: those whose group is mandatory whenever a document or item
# exists, and the repeated groups reached by name only (their record exists only when the group does).
# Every other part gets a record appended with each document or item, group present or not.
REQUIRED_PARTS = {'A', 'B', 'C', 'H', 'I', 'W', 'X', 'NREF', 'DUP', 'OBSFISCO', 'CANA', 'FORDIA', 'DEDUC'}
# Filled by the system itself when the document is stored, so never required from the host.
NOT_REQUIRED = {'Id_A03', 'cDV_B23', 'verProc_B27'}
# Required only in the export dictionary, where every document carries the export group.
EXPORT_REQUIRED = {'UFSaidaPais_ZA02', 'xLocExporta_ZA03'}

# REC group -> part.
REC_PART = {'A': 'A', 'B': 'B', 'BA02': 'NREF', 'BA03': 'NREF', 'BA10': 'NREF', 'BA13': 'NREF', 'BA14': 'NREF',
            'B19': 'NREF', 'BA20': 'NREF', 'C': 'C', 'C02': 'C', 'C02a': 'C', 'C05': 'C', 'D': 'D', 'E': 'E',
            'E02': 'E', 'E03': 'E', 'E03a': 'E', 'E05': 'E', 'F': 'F', 'F02': 'F', 'F02a': 'F', 'G': 'G',
            'G02': 'G', 'G02a': 'G', 'GA02': 'AUTXML', 'GA03': 'AUTXML', 'H': 'H', 'I': 'I', 'I05A': 'NVE',
            'I05C': 'I', 'I18': 'DI', 'I25': 'ADI', 'I50': 'DETEXPORT', 'I52': 'EXPORTIND', 'I80': 'I80',
            'JA': 'J', 'K': 'K', 'L': 'L', 'LA': 'L1', 'LA07': 'L1', 'LA11': 'L1', 'LB': 'L2', 'M': 'M',
            'NA': 'NA', 'O': 'O', 'O07': 'O', 'O08': 'O', 'O10': 'O', 'O11': 'O', 'P': 'P', 'R': 'R',
            'R02': 'R', 'R04': 'R', 'T': 'T', 'T02': 'T', 'T04': 'T', 'U': 'U', 'UA': 'UB', 'UA03': 'UB',
            'X': 'X', 'X03': 'X', 'X04': 'X', 'X05': 'X', 'X11': 'X', 'X18': 'X', 'X22': 'REBOQUE',
            'X25a': 'X', 'X25b': 'X', 'X26': 'VOL', 'X33': 'LACRE', 'Y02': 'Y', 'Y07': 'DUP', 'YA': 'YA01',
            'YA01': 'YA', 'YA04': 'YA', 'YB': 'YB', 'Z': 'Z', 'Z04': 'OBSCONT', 'Z07': 'OBSFISCO',
            'Z10': 'PROCREF', 'ZA': 'Z', 'ZB': 'Z', 'ZC': 'CANA', 'ZC04': 'FORDIA', 'ZC10': 'DEDUC', 'ZD': 'ZD'}
for g in ('N02', 'N03', 'N04', 'N05', 'N06', 'N07', 'N08', 'N09', 'N10', 'N10a', 'N10b', 'N10c', 'N10d', 'N10e',
          'N10f', 'N10g', 'N10h'):
    REC_PART[g] = 'N'
for g in ('Q02', 'Q03', 'Q04', 'Q05', 'Q07', 'Q10'):
    REC_PART[g] = 'Q'
for g in ('S02', 'S03', 'S04', 'S05', 'S07', 'S09'):
    REC_PART[g] = 'S'
for g in ('W02', 'W04c', 'W04e', 'W04g', 'W17', 'W23'):
    REC_PART[g] = 'W'
# (group, tag) -> field, where the tag is not the field's tag or the field sits in another part.
REC_OVERRIDE = {('H', 'item'): 'nItem_H02', ('H', 'infAdProd'): 'infAdProd_V01', ('I05A', 'NVE'): 'NVE_I05a',
                ('LB', 'nRECOPI'): 'nRECOPI_LB01', ('ZD', 'CSRT'): 'hashCSRT_ZD09',
                ('X22', 'placa'): 'placa_X23', ('X22', 'UF'): 'UF_X24', ('X22', 'RNTC'): 'RNTC_X25'}


def id_key(fid):
    m = re.match(r'([A-Z]+)(\d*)([a-z]?)(\d*)', fid)
    return (m.group(1), int(m.group(2) or 0), m.group(3), int(m.group(4) or 0))


def rec_entries():
    """field name -> list of 'group=position'."""
    names = {}
    for part, _, _, _, fields in PARTS:
        for f in fields:
            n = f.split('@')[0]
            names.setdefault(part, []).append(n)
    out = {}
    for line in open(REC, encoding='utf-8'):
        line = line.strip()
        if not line or line.startswith('#'):
            continue
        cols = line.split('|')
        group, tags = cols[0], [c for c in cols[1:] if c != '']
        part = REC_PART.get(group)
        if part is None:
            continue
        for pos, tag in enumerate(tags, start=2):
            name = REC_OVERRIDE.get((group, tag))
            if name is None:
                cands = [n for n in names.get(part, []) if n.split('_')[0] == tag]
                if len(cands) > 1:  # the field with the first id at or after the group's own id
                    after = [c for c in cands if id_key(c.split('_', 1)[1]) >= id_key(group)]
                    cands = sorted(after or cands, key=lambda c: id_key(c.split('_', 1)[1]))[:1]
                if not cands:
                    print(f'rec: no field for {group} {tag} (position {pos})', file=sys.stderr)
                    continue
                name = cands[0]
            out.setdefault(name, []).append(f'{group}={pos}')
    return out


def main(export):
    S = xsdinfo.Schema([SCHEMAS + 'tiposBasico_v4.00.xsd', SCHEMAS + 'leiauteNFe_v4.00.xsd'])
    inf = S.find_group(S.complex['TNFe'], ['infNFe'])
    recs = rec_entries()
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<NFeDataSets>']
    for part, groups, master, exclude, fields in PARTS:
        cands_by_tag = {}
        for g in groups:
            ct = S.find_group(inf, g.split('/')) if g else inf
            for tag, lst in S.descendants(ct, '/' + g if g else '').items():
                for c in lst:
                    if any('/' + e in c[0][len('/' + g):] for e in exclude):
                        continue
                    if g == '' and c[0].count('/') > 1:
                        continue  # attributes of infNFe itself only
                    cands_by_tag.setdefault(tag, []).append(c)
        out.append(f'  <{part}>')
        out.append('    <campos>')
        out.append('      <campo nome="handle" tamanho="10"/>')
        if master:
            out.append('      <campo nome="handleMaster" tamanho="10"/>')
        for spec in fields:
            name, _, hint = spec.partition('@')
            tag = name.split('_')[0]
            cands = [c for c in cands_by_tag.get(tag, []) if not hint or hint in c[0]]
            if not cands:
                print(f'{part}: {name} not in the schema', file=sys.stderr)
                continue
            if len(cands) > 1:
                depth = min(c[0].count('/') for c in cands)
                shallow = [c for c in cands if c[0].count('/') == depth]
                if len(shallow) == 1:
                    cands = shallow
            sizes = {c[1] for c in cands}
            if len(sizes) > 1:
                print(f'{part}: {name} sizes {sizes} at {[c[0] for c in cands]}', file=sys.stderr)
            size = max(s for s in sizes if s is not None)
            enums = []
            if all(c[2] for c in cands):
                for c in cands:
                    enums += [e for e in c[2] if e not in enums]
            isattr = all(c[5] for c in cands)
            required = all(c[3] for c in cands) and name not in NOT_REQUIRED and part in REQUIRED_PARTS
            if export and name in EXPORT_REQUIRED:
                required = True
            free = any(c[4] for c in cands) and not enums
            attrs = [f'nome="{name}"', f'tamanho="{size}"']
            if free:
                attrs.append('escape="s"')
            if required:
                attrs.append('requerido="s"')
            attrs.append('visible="s"')
            if not isattr:
                attrs.append('tpnode="elemento"')
            if enums:
                attrs.append('enum=' + su.quoteattr(','.join(enums)))
            if name in recs:
                attrs.append('rec="' + ','.join(recs[name]) + '"')
            out.append('      <campo ' + ' '.join(attrs) + '/>')
        out.append('    </campos>')
        if master:
            out.append(f'    <ligacao mastersource="{master}" masterfield="handle" keyfield="handleMaster"/>')
        else:
            out.append('    <ligacao/>')
        out.append(f'  </{part}>')
    out.append('</NFeDataSets>')
    return '\n'.join(out) + '\n'


if __name__ == '__main__':
    sys.stdout.write(main(len(sys.argv) > 1 and sys.argv[1] == 'exportacao'))
