// The ICMS group of an item in the 4.00 layout: the group of the tax situation code (CST), replaced by
// the Simples Nacional group of CSOSN when one applies.
#include "vxnNFeVersionDataSets.h"

#include <algorithm>
#include <iterator>

namespace vxn {

namespace {

const TvxnListaCampos kICMS00{
    "N", {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pICMS_N16", "vICMS_N17", "pFCP_N17b", "vFCP_N17c"}};
const TvxnListaCampos kICMS10{"N", {"orig_N11",    "CST_N12",     "modBC_N13",         "vBC_N15",
                                    "pICMS_N16",   "vICMS_N17",   "vBCFCP_N17a",       "pFCP_N17b",
                                    "vFCP_N17c",   "modBCST_N18", "pMVAST_N19",        "pRedBCST_N20",
                                    "vBCST_N21",   "pICMSST_N22", "vICMSST_N23",       "vBCFCPST_N23a",
                                    "pFCPST_N23b", "vFCPST_N23d", "vICMSSTDeson_N33a", "motDesICMSST_N33b"}};
const TvxnListaCampos kICMS20{"N",
                              {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16",
                               "vICMS_N17", "vBCFCP_N17a", "pFCP_N17b", "vFCP_N17c", "vICMSDeson_N28a",
                               "motDesICMS_N28"}};
const TvxnListaCampos kICMS30{"N",
                              {"orig_N11", "CST_N12", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                               "vBCST_N21", "pICMSST_N22", "vICMSST_N23", "vBCFCPST_N23a", "pFCPST_N23b",
                               "vFCPST_N23d", "vICMSDeson_N28a", "motDesICMS_N28"}};
const TvxnListaCampos kICMS40{"N", {"orig_N11", "CST_N12", "vICMS_N17", "vICMSDeson_N28a", "motDesICMS_N28"}};
const TvxnListaCampos kICMSST{"N",
                              {"orig_N11", "CST_N12", "vBCSTRet_N26", "pST_N26a", "vICMSSubstituto_N26b",
                               "vICMSSTRet_N27", "vBCFCPSTRet_N27a", "pFCPSTRet_N27b", "vFCPSTRet_N27d",
                               "vBCSTDest_N31", "vICMSSTDest_N32", "pRedBCEfet_N34", "vBCEfet_N35",
                               "pICMSEfet_N36", "vICMSEfet_N37"}};
// The fuel form names the two destination fields in lower case; the lookup ignores case.
const TvxnListaCampos kICMSSTComb{"N",
                                  {"orig_N11", "CST_N12", "vBCSTRet_N26", "pST_N26a", "vICMSSubstituto_N26b",
                                   "vICMSSTRet_N27", "vBCFCPSTRet_N27a", "pFCPSTRet_N27b", "vFCPSTRet_N27d",
                                   "vBCSTDest_n31", "vICMSSTDest_n32", "pRedBCEfet_N34", "vBCEfet_N35",
                                   "pICMSEfet_N36", "vICMSEfet_N37"}};
const TvxnListaCampos kICMS51{"N",
                              {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16",
                               "vICMSOp_N16a", "pDif_N16b", "vICMSDif_N16c", "vICMS_N17", "vBCFCP_N17a",
                               "pFCP_N17b", "vFCP_N17c", "pFCPDif_N17d", "vFCPDif_N17e", "vFCPEfet_N17f"}};
const TvxnListaCampos kICMS60{"N",
                              {"orig_N11", "CST_N12", "vBCSTRet_N26", "pST_N26a", "vICMSSubstituto_N26b",
                               "vICMSSTRet_N27", "vBCFCPST_N23a", "vBCFCPSTRet_N27a", "pFCPSTRet_N27b",
                               "vFCPSTRet_N27d", "pRedBCEfet_N34", "vBCEfet_N35", "pICMSEfet_N36",
                               "vICMSEfet_N37"}};
const TvxnListaCampos kICMS70{
    "N", {"orig_N11",       "CST_N12",           "modBC_N13",        "pRedBC_N14",  "vBC_N15",
          "pICMS_N16",      "vICMS_N17",         "vBCFCP_N17a",      "pFCP_N17b",   "vFCP_N17c",
          "modBCST_N18",    "pMVAST_N19",        "pRedBCST_N20",     "vBCST_N21",   "pICMSST_N22",
          "vICMSST_N23",    "vBCFCPST_N23a",     "pFCPST_N23b",      "vFCPST_N23d", "vICMSDeson_N28a",
          "motDesICMS_N28", "vICMSSTDeson_N33a", "motDesICMSST_N33b"}};
const TvxnListaCampos kICMS90{
    "N", {"orig_N11",       "CST_N12",           "modBC_N13",        "vBC_N15",     "pRedBC_N14",
          "pICMS_N16",      "vICMS_N17",         "vBCFCP_N17a",      "pFCP_N17b",   "vFCP_N17c",
          "modBCST_N18",    "pMVAST_N19",        "pRedBCST_N20",     "vBCST_N21",   "pICMSST_N22",
          "vICMSST_N23",    "vBCFCPST_N23a",     "pFCPST_N23b",      "vFCPST_N23d", "vICMSDeson_N28a",
          "motDesICMS_N28", "vICMSSTDeson_N33a", "motDesICMSST_N33b"}};
const TvxnListaCampos kICMSPart{"N",
                                {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16",
                                 "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                 "pICMSST_N22", "vICMSST_N23", "pBCOp_N25", "UFST_N24"}};

const TvxnListaCampos kICMSSN101{"N", {"orig_N11", "CSOSN_N12a", "pCredSN_N29", "vCredICMSSN_N30"}};
const TvxnListaCampos kICMSSN102{"N", {"orig_N11", "CSOSN_N12a"}};
const TvxnListaCampos kICMSSN201{"N",
                                 {"orig_N11", "CSOSN_N12a", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                                  "vBCST_N21", "pICMSST_N22", "vICMSST_N23", "vBCFCPST_N23a", "pFCPST_N23b",
                                  "vFCPST_N23d", "pCredSN_N29", "vCredICMSSN_N30"}};
const TvxnListaCampos kICMSSN202{"N",
                                 {"orig_N11", "CSOSN_N12a", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                                  "vBCST_N21", "pICMSST_N22", "vICMSST_N23", "vBCFCPST_N23a", "pFCPST_N23b",
                                  "vFCPST_N23d"}};
const TvxnListaCampos kICMSSN500{"N",
                                 {"orig_N11", "CSOSN_N12a", "vBCSTRet_N26", "pST_N26a",
                                  "vICMSSubstituto_N26b", "vICMSSTRet_N27", "vBCFCPSTRet_N27a",
                                  "pFCPSTRet_N27b", "vFCPSTRet_N27d", "pRedBCEfet_N34", "vBCEfet_N35",
                                  "pICMSEfet_N36", "vICMSEfet_N37"}};
const TvxnListaCampos kICMSSN900{"N",
                                 {"orig_N11", "CSOSN_N12a", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16",
                                  "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                  "pICMSST_N22", "vICMSST_N23", "vBCFCPST_N23a", "pFCPST_N23b", "vFCPST_N23d",
                                  "pCredSN_N29", "vCredICMSSN_N30"}};

struct TGrupoICMS {
  std::string_view tag;
  const TvxnListaCampos* campos = nullptr;
};

} // namespace

namespace {

const TvxnDS_pl008a::TTabelaICMS kTabela400{&kICMS00,    &kICMS10,    &kICMS20,    &kICMS30,     &kICMS40,
                                            &kICMSST,    &kICMS51,    &kICMS60,    &kICMSSTComb, &kICMS70,
                                            &kICMS90,    &kICMSPart,  &kICMSSN101, &kICMSSN102,  &kICMSSN201,
                                            &kICMSSN202, &kICMSSN500, &kICMSSN900};

} // namespace

std::string TvxnDS_pl009::GrupoICMSSN() {
  return GrupoICMSSNDe(kTabela400);
}

std::string TvxnDS_pl009::ConvPartN() {
  std::string grupo = GrupoICMSSN();
  if (grupo.empty())
    grupo = GrupoICMSDe(kTabela400);
  if (grupo.empty())
    return {};
  return "<ICMS>" + grupo + "</ICMS>";
}

} // namespace vxn

// ---------------------------------------------------------------- the current package (pl_009p)

namespace vxn {

namespace {

// The groups whose fields the current package changed: the deduction flag of the exempted ICMS
// (indDeduzDeson), the benefit code of a reduced base (cBenefRBC), ICMS60 without vBCFCPST, the FCP of
// ICMSPart, and the single-phase fuel groups (CST 02, 15, 53, 61).
const TvxnListaCampos kICMS02p{"N",
                               {"orig_N11", "CST_N12", "qBCMono_N37a", "adRemICMS_N37b", "vICMSMono_N37c"}};
const TvxnListaCampos kICMS15p{"N",
                               {"orig_N11", "CST_N12", "qBCMono_N37a", "adRemICMS_N37b", "vICMSMono_N37c",
                                "qBCMonoReten_N37d", "adRemICMSReten_N37e", "vICMSMonoReten_N37f",
                                "pRedAdRem_N37g", "motRedAdRem_N37h"}};
const TvxnListaCampos kICMS20p{"N",
                               {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16",
                                "vICMS_N17", "vBCFCP_N17a", "pFCP_N17b", "vFCP_N17c", "vICMSDeson_N28a",
                                "motDesICMS_N28", "indDeduzDeson_N28b"}};
const TvxnListaCampos kICMS30p{"N",
                               {"orig_N11", "CST_N12", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                                "vBCST_N21", "pICMSST_N22", "vICMSST_N23", "vBCFCPST_N23a", "pFCPST_N23b",
                                "vFCPST_N23d", "vICMSDeson_N28a", "motDesICMS_N28", "indDeduzDeson_N28b"}};
const TvxnListaCampos kICMS40p{
    "N", {"orig_N11", "CST_N12", "vICMSDeson_N28a", "motDesICMS_N28", "indDeduzDeson_N28b"}};
const TvxnListaCampos kICMS51p{"N",
                               {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "cBenefRBC_N14a", "vBC_N15",
                                "pICMS_N16", "vICMSOp_N16a", "pDif_N16b", "vICMSDif_N16c", "vICMS_N17",
                                "vBCFCP_N17a", "pFCP_N17b", "vFCP_N17c", "pFCPDif_N17d", "vFCPDif_N17e",
                                "vFCPEfet_N17f"}};
const TvxnListaCampos kICMS53p{"N",
                               {"orig_N11", "CST_N12", "qBCMono_N37a", "adRemICMS_N37b", "vICMSMonoOp_N37i",
                                "pDif_N16b", "vICMSMonoDif_N37j", "vICMSMono_N37c", "qBCMonoDif_N37k",
                                "adRemICMSDif_N37l"}};
const TvxnListaCampos kICMS60p{"N",
                               {"orig_N11", "CST_N12", "vBCSTRet_N26", "pST_N26a", "vICMSSubstituto_N26b",
                                "vICMSSTRet_N27", "vBCFCPSTRet_N27a", "pFCPSTRet_N27b", "vFCPSTRet_N27d",
                                "pRedBCEfet_N34", "vBCEfet_N35", "pICMSEfet_N36", "vICMSEfet_N37"}};
const TvxnListaCampos kICMS61p{
    "N", {"orig_N11", "CST_N12", "qBCMonoRet_N37m", "adRemICMSRet_N37n", "vICMSMonoRet_N37o"}};
const TvxnListaCampos kICMS70p{"N", {"orig_N11",           "CST_N12",           "modBC_N13",
                                     "pRedBC_N14",         "vBC_N15",           "pICMS_N16",
                                     "vICMS_N17",          "vBCFCP_N17a",       "pFCP_N17b",
                                     "vFCP_N17c",          "modBCST_N18",       "pMVAST_N19",
                                     "pRedBCST_N20",       "vBCST_N21",         "pICMSST_N22",
                                     "vICMSST_N23",        "vBCFCPST_N23a",     "pFCPST_N23b",
                                     "vFCPST_N23d",        "vICMSDeson_N28a",   "motDesICMS_N28",
                                     "indDeduzDeson_N28b", "vICMSSTDeson_N33a", "motDesICMSST_N33b"}};
const TvxnListaCampos kICMS90p{"N", {"orig_N11",          "CST_N12",
                                     "modBC_N13",         "vBC_N15",
                                     "pRedBC_N14",        "pICMS_N16",
                                     "vICMS_N17",         "vBCFCP_N17a",
                                     "pFCP_N17b",         "vFCP_N17c",
                                     "modBCST_N18",       "pMVAST_N19",
                                     "pRedBCST_N20",      "vBCST_N21",
                                     "pICMSST_N22",       "vICMSST_N23",
                                     "vBCFCPST_N23a",     "pFCPST_N23b",
                                     "vFCPST_N23d",       "vICMSDeson_N28a",
                                     "motDesICMS_N28",    "indDeduzDeson_N28b",
                                     "vICMSSTDeson_N33a", "motDesICMSST_N33b"}};
const TvxnListaCampos kICMSPartp{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16",
                                  "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                  "pICMSST_N22", "vICMSST_N23", "vBCFCPST_N23a", "pFCPST_N23b", "vFCPST_N23d",
                                  "pBCOp_N25", "UFST_N24"}};
// ICMSPart of the reform package: the exempted ICMS after UFST.
const TvxnListaCampos kICMSPart010{
    "N",
    {"orig_N11",        "CST_N12",        "modBC_N13",         "vBC_N15",      "pRedBC_N14", "pICMS_N16",
     "vICMS_N17",       "modBCST_N18",    "pMVAST_N19",        "pRedBCST_N20", "vBCST_N21",  "pICMSST_N22",
     "vICMSST_N23",     "vBCFCPST_N23a",  "pFCPST_N23b",       "vFCPST_N23d",  "pBCOp_N25",  "UFST_N24",
     "vICMSDeson_N28a", "motDesICMS_N28", "indDeduzDeson_N28b"}};

} // namespace

std::string TvxnDS_pl009p::GrupoICMS400p(bool reforma) {
  const std::string_view cst = Campo("CST_N12").Value();
  const bool repasse = !Campo("vBCSTDest_N31").Value().empty() || !Campo("vICMSSTDest_N32").Value().empty();
  const bool partilha = !Campo("UFST_N24").Value().empty();
  const TGrupoICMS part{"ICMSPart", reforma ? &kICMSPart010 : &kICMSPartp};
  TGrupoICMS grupo;
  if (cst == "00")
    grupo = {"ICMS00", &kICMS00};
  else if (cst == "02")
    grupo = {"ICMS02", &kICMS02p};
  else if (cst == "10")
    grupo = partilha ? part : TGrupoICMS{"ICMS10", &kICMS10};
  else if (cst == "15")
    grupo = {"ICMS15", &kICMS15p};
  else if (cst == "20")
    grupo = reforma && partilha ? part : TGrupoICMS{"ICMS20", &kICMS20p};
  else if (cst == "30")
    grupo = {"ICMS30", &kICMS30p};
  else if (cst == "40" || cst == "50" || (cst == "41" && !repasse))
    grupo = {"ICMS40", &kICMS40p};
  else if (cst == "41")
    grupo = {"ICMSST", &kICMSST};
  else if (cst == "51")
    grupo = {"ICMS51", &kICMS51p};
  else if (cst == "53")
    grupo = {"ICMS53", &kICMS53p};
  else if (cst == "60" && !repasse && !ProdutoCombustivelICMSST(Campo("cProdANP_LA02").Value()))
    grupo = {"ICMS60", &kICMS60p};
  else if (cst == "60")
    grupo = {"ICMSST", &kICMSSTComb};
  else if (cst == "61")
    grupo = {"ICMS61", &kICMS61p};
  else if (cst == "70")
    grupo = {"ICMS70", &kICMS70p};
  else if (cst == "90")
    grupo = partilha ? part : TGrupoICMS{"ICMS90", &kICMS90p};
  if (!grupo.campos)
    return {};
  std::string campos;
  AppendFields(campos, *grupo.campos);
  std::string out;
  AppendGrupo(out, grupo.tag, campos);
  return out;
}

std::string TvxnDS_pl009p::ConvPartN() {
  std::string grupo = GrupoICMSSN();
  if (grupo.empty())
    grupo = GrupoICMS400p();
  if (grupo.empty())
    return {};
  return "<ICMS>" + grupo + "</ICMS>";
}

} // namespace vxn
