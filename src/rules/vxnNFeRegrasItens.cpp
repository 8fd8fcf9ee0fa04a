// The rules of the items: product, CFOP, import and export groups, fuel, ICMS, ICMS of the destination
// state, IPI, PIS, COFINS and ISSQN.
#include "vxnNFeRegras.h"

#include "vxnNFeRegrasApoio.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <cmath>

namespace vxn {

using namespace regras;

namespace {

// Note 2015.003 took effect on these dates.
constexpr std::string_view kInicioNT2015_003 = "2016-01-01T00:01:00-03:00";
constexpr std::string_view kInicioNT2015_003_ICMS = "2016-07-01T00:01:00-03:00";

bool Saida(std::string_view tpNF) {
  return tpNF == "1";
}

// The fuel products of the ANP whose sale to a non-taxpayer of another state has no ICMS of the
// destination state.
bool ProdutoANPSemPartilha(std::string_view cProdANP) {
  static constexpr std::string_view kCodigos[] = {
      "820101001", "820101010", "810102001", "810102004", "810102002", "810102003", "810101002", "810101001",
      "810101003", "220101003", "220101004", "220101002", "220101001", "220101005", "220101006"};
  for (std::string_view c : kCodigos)
    if (SameText(c, cProdANP))
      return true;
  return false;
}

} // namespace

bool TvxnNFeGI01::ExpressaoDeValidacao() {
  return Ocorrencias("DI") <= 100;
}

bool TvxnNFeGI18::ExpressaoDeValidacao() {
  return Ocorrencias("ADI") <= 100;
}

bool TvxnNFeGY01::ExpressaoDeValidacao() {
  return Ocorrencias("DUP") <= 120;
}

bool TvxnNFeGI03::ExpressaoDeValidacao() {
  return ValidaEAN(Valor("cEAN_I03"));
}

bool TvxnNFeGI12::ExpressaoDeValidacao() {
  return ValidaEAN(Valor("cEANTrib_I12"));
}

bool TvxnNFeGI08::ExpressaoDeValidacao() {
  return !(Saida(Valor("tpNF_B11")) && ComecaCom(Valor("CFOP_I08"), "123"));
}

bool TvxnNFeGI08_1::ExpressaoDeValidacao() {
  return !(Valor("tpNF_B11") == "0" && ComecaCom(Valor("CFOP_I08"), "567"));
}

bool TvxnNFeGI08_2::ExpressaoDeValidacao() {
  return !(ComecaCom(Valor("CFOP_I08"), "37") && Valor("UF_E12") != "EX");
}

// A recipient with a state registration of another state cannot receive under a state CFOP.
bool TvxnNFeGI08_3::ExpressaoDeValidacao() {
  const std::string ie = Valor("IE_E17");
  const bool contribuinte = !ie.empty() && ie != "ISENTO";
  return !(ComecaCom(Valor("CFOP_I08"), "15") && contribuinte && Valor("UF_E12") != Valor("UF_C12"));
}

// Layout 3.10 compares the CFOP with idDest; before it, with the two states.
bool TvxnNFeGI08_4::ExpressaoDeValidacao() {
  const std::string cfop = Valor("CFOP_I08");
  if (GetVersaoManual() == vm50a)
    return !(ComecaCom(cfop, "26") && Valor("idDest_B11a") != "2");
  return !(ComecaCom(cfop, "15") && PartePreenchida("E") && Valor("UF_E12") != Valor("UF_C12"));
}

bool TvxnNFeGI08_5::ExpressaoDeValidacao() {
  return !(ComecaCom(Valor("CFOP_I08"), "2367") && Valor("UF_E12") == Valor("UF_C12"));
}

bool TvxnNFeGI08_5_NT005_2013::ExpressaoDeValidacao() {
  return !(ComecaCom(Valor("CFOP_I08"), "15") && Valor("idDest_B11a") != "1");
}

bool TvxnNFeGI08_7::ExpressaoDeValidacao() {
  return !(ComecaCom(Valor("CFOP_I08"), "3") && !PartePreenchida("DI"));
}

// The export group: UFEmbarq/xLocEmbarq in layout 2.00, UFSaidaPais/xLocExporta in 3.10.
bool TvxnNFeGI08_8::ExpressaoDeValidacao() {
  return !(ComecaCom(Valor("CFOP_I08"), "7") &&
           (!Preenchido("UFEmbarq_ZA02") || !Preenchido("xLocEmbarq_ZA03")));
}

bool TvxnNFeGI08_8_NT005_2013::ExpressaoDeValidacao() {
  return !(ComecaCom(Valor("CFOP_I08"), "7") &&
           (!Preenchido("UFSaidaPais_ZA02") || !Preenchido("xLocExporta_ZA03")));
}

bool TvxnNFeGI08_9::ExpressaoDeValidacao() {
  return !(ComecaCom(Valor("CFOP_I08"), "37") && Valor("idDest_B11a") != "3");
}

bool TvxnNFeGI08_10::ExpressaoDeValidacao() {
  return !(ComecaCom(Valor("CFOP_I08"), "26") && Valor("idDest_B11a") != "2");
}

bool TvxnNFeGI08_12::ExpressaoDeValidacao() {
  return !(Valor("finNFe_B25") == "4" && !CfopDeDevolucao(Valor("CFOP_I08")));
}

bool TvxnNFeGI08_13::ExpressaoDeValidacao() {
  return !(Valor("finNFe_B25") != "4" && CfopDeDevolucao(Valor("CFOP_I08")));
}

bool TvxnNFeGI17_10::ExpressaoDeValidacao() {
  return ValorDecimal("vDesc_I17") <= ValorDecimal("vProd_I11");
}

// Clearance neither before the import declaration nor after the issue.
bool TvxnNFeGI23_10::ExpressaoDeValidacao() {
  const std::string emissao = DataEmissao().substr(0, 10);
  return !AlgumRegistro("DI", [&] {
    const std::string desemb = Valor("dDesemb_I23");
    return !desemb.empty() && (desemb < Valor("dDI_I20") || desemb > emissao);
  });
}

// An export (CFOP 7...) is not taxed: CST 41 or 50, CSOSN 300 or 400.
bool TvxnNFeGN12::ExpressaoDeValidacao() {
  if (!ComecaCom(Valor("CFOP_I08"), "7"))
    return true;
  const std::string cst = Valor("CST_N12");
  if (!cst.empty())
    return EhUmDe(cst, {"41", "50"});
  const std::string csosn = ExisteCampo("CSOSN_N12a") ? Valor("CSOSN_N12a") : std::string();
  return csosn.empty() || EhUmDe(csosn, {"300", "400"});
}

namespace {
bool DifereMaisQue(double a, double b, double tolerancia) {
  return std::fabs(a - b) > tolerancia + 1e-9;
}
} // namespace

// The ICMS of an item is its base times its rate.
bool TvxnNFeGN17::ExpressaoDeValidacao() {
  if (!EhUmDe(Valor("CST_N12"), {"00", "10", "20", "51", "70", "90"}) || !Preenchido("vBC_N15"))
    return true;
  return !DifereMaisQue(ValorDecimal("vBC_N15") * ValorDecimal("pICMS_N16") / 100, ValorDecimal("vICMS_N17"),
                        1.0);
}

// From note 2013.005 the deferred ICMS (CST 51) has its own rules (GN17_2).
bool TvxnNFeGN17_NT005_2013::ExpressaoDeValidacao() {
  if (!EhUmDe(Valor("CST_N12"), {"00", "10", "20", "70", "90"}) || !Preenchido("vBC_N15"))
    return true;
  return !DifereMaisQue(ValorDecimal("vBC_N15") * ValorDecimal("pICMS_N16") / 100, ValorDecimal("vICMS_N17"),
                        1.0);
}

// CST 51: the ICMS due is the ICMS of the operation less the deferred ICMS.
bool TvxnNFeGN17_2::ExpressaoDeValidacao() {
  if (Valor("CST_N12") != "51" || !Preenchido("vICMSOp_N16a"))
    return true;
  return !DifereMaisQue(ValorDecimal("vICMSOp_N16a") - ValorDecimal("vICMSDif_N16c"),
                        ValorDecimal("vICMS_N17"), 1.0);
}

bool TvxnNFeGN16a::ExpressaoDeValidacao() {
  if (Valor("CST_N12") != "51" || !Preenchido("vICMSOp_N16a"))
    return true;
  return !DifereMaisQue(ValorDecimal("vBC_N15") * ValorDecimal("pICMS_N16") / 100,
                        ValorDecimal("vICMSOp_N16a"), 1.0);
}

bool TvxnNFeGN16c::ExpressaoDeValidacao() {
  if (Valor("CST_N12") != "51" || !Preenchido("vICMSDif_N16c"))
    return true;
  return !DifereMaisQue(ValorDecimal("vICMSOp_N16a") * ValorDecimal("pDif_N16b") / 100,
                        ValorDecimal("vICMSDif_N16c"), 1.0);
}

namespace {
// An interstate sale (CFOP 6...) of imported goods taxed above 4 %.
bool AcimaDe4Importado(std::string_view cfop, std::string_view orig, double pICMS,
                       std::initializer_list<std::string_view> origens) {
  return ComecaCom(cfop, "6") && EhUmDe(orig, origens) && pICMS > 4.0 + 1e-9;
}
} // namespace

bool TvxnNFeGN16_04::ExpressaoDeValidacao() {
  if (VerificaDataAnterior(DataEmissao(), "2013-01-01"))
    return true;
  return !AcimaDe4Importado(Valor("CFOP_I08"), Valor("orig_N11"), ValorDecimal("pICMS_N16"),
                            {"1", "2", "3", "8"});
}

bool TvxnNFeGN16_NT005_2012::ExpressaoDeValidacao() {
  return !AcimaDe4Importado(Valor("CFOP_I08"), Valor("orig_N11"), ValorDecimal("pICMS_N16"), {"1", "2", "3"});
}

bool TvxnNFeGN16_NT006_2013::ExpressaoDeValidacao() {
  return !AcimaDe4Importado(Valor("CFOP_I08"), Valor("orig_N11"), ValorDecimal("pICMS_N16"),
                            {"1", "2", "3", "8"});
}

// The ZFM exemption (motDesICMS 7) needs the recipient's SUFRAMA registration and the CFOP of a sale to
// the free zone.
bool TvxnNFeGN28::ExpressaoDeValidacao() {
  return !(Valor("motDesICMS_N28") == "7" && !Preenchido("ISUF_E18"));
}

bool TvxnNFeGN28_NT003_2012::ExpressaoDeValidacao() {
  return !(Valor("motDesICMS_N28") == "7" && !Preenchido("ISUF_E18"));
}

bool TvxnNFeGN28_1::ExpressaoDeValidacao() {
  return !(Valor("motDesICMS_N28") == "7" && !EhUmDe(Valor("CFOP_I08"), {"6109", "6110"}));
}

bool TvxnNFeGN28_1_NT003_2012::ExpressaoDeValidacao() {
  return !(Valor("motDesICMS_N28") == "7" && !EhUmDe(Valor("CFOP_I08"), {"6109", "6110"}));
}

bool TvxnNFeGN28_2_NT005_2013::ExpressaoDeValidacao() {
  return !(Valor("motDesICMS_N28") == "7" && !EhUmDe(Valor("CFOP_I08"), {"6109", "6110"}));
}

// Layout 2.00: an exempted ICMS (motDesICMS) gives the exempted value in vICMS.
bool TvxnNFeGN28_2::ExpressaoDeValidacao() {
  return !(Preenchido("motDesICMS_N28") && !Preenchido("vICMS_N17"));
}

// The IPI legal framework code (cEnq) and the IPI CST go together as enquadramento-ipi.txt lists them:
// "first-last=CST,CST,...".
bool TvxnNFeGO09_10::ExpressaoDeValidacao() {
  const std::string cEnq = Valor("cEnq_O06");
  const std::string cst = Valor("CST_O09");
  if (!SoDigitos(cEnq) || cst.empty())
    return true;
  const int codigo = std::stoi(cEnq);
  for (const auto& [faixa, csts] : ParesDeDados("enquadramento-ipi.txt")) {
    const auto traco = faixa.find('-');
    const int primeiro = std::stoi(faixa.substr(0, traco));
    const int ultimo = traco == std::string::npos ? primeiro : std::stoi(faixa.substr(traco + 1));
    if (codigo >= primeiro && codigo <= ultimo)
      return ("," + csts + ",").find("," + cst + ",") != std::string::npos;
  }
  return true;
}

bool TvxnNFeGQ01_2::ExpressaoDeValidacao() {
  return Valor("mod_B06") != "55" || PartePreenchida("Q");
}

bool TvxnNFeGS01_2::ExpressaoDeValidacao() {
  return Valor("mod_B06") != "55" || PartePreenchida("S");
}

bool TvxnNFeGL101_NT003_2012::ExpressaoDeValidacao() {
  return !(CfopDeCombustivel(Valor("CFOP_I08")) && !PartePreenchida("L1"));
}

// GLP (ANP 210203001) is the only product mixed with natural gas.
bool TvxnNFeGL102a::ExpressaoDeValidacao() {
  return !(Preenchido("pMixGN_LA03") && Valor("cProdANP_LA02") != "210203001");
}

// The pump meter group belongs to the sale of fuel to the final consumer (CFOP 5656, 5667).
bool TvxnNFeGLA11_10::ExpressaoDeValidacao() {
  const bool encerrante =
      Preenchido("nBico_LA12") || Preenchido("vEncIni_LA15") || Preenchido("vEncFin_LA16");
  return !(encerrante && !EhUmDe(Valor("CFOP_I08"), {"5656", "5667"}));
}

bool TvxnNFeGLA16_10::ExpressaoDeValidacao() {
  return !Preenchido("vEncFin_LA16") || ValorDecimal("vEncFin_LA16") > ValorDecimal("vEncIni_LA15");
}

// A RECOPI number: 20 digits beginning with the date of its issue (YYYYMMDD).
bool TvxnNFeGLB01_3::ExpressaoDeValidacao() {
  const std::string recopi = Valor("nRECOPI_LB01");
  if (recopi.empty())
    return true;
  if (recopi.size() != 20 || !SoDigitos(recopi))
    return false;
  const int mes = std::stoi(recopi.substr(4, 2));
  const int dia = std::stoi(recopi.substr(6, 2));
  return recopi.substr(0, 2) == "20" && mes >= 1 && mes <= 12 && dia >= 1 && dia <= 31;
}

bool TvxnNFeGI05_2::ExpressaoDeValidacao() {
  const std::string ncm = Valor("NCM_I05");
  return ncm == "00" || (ncm.size() == 8 && SoDigitos(ncm));
}

// NCM 00 is for services (items with ISSQN) only.
bool TvxnNFeGI05_3::ExpressaoDeValidacao() {
  return !(Valor("NCM_I05") == "00" && !PartePreenchida("U"));
}

void TvxnNFeGI05_10::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("H", [&] {
        const std::string ncm = Valor("NCM_I05");
        return !(ncm == "00" || (ncm.size() == 8 && SoDigitos(ncm)));
      }))
    FalharValidacao();
}

// Import through an intermediary (2 on account and order, 3 by order) names the acquirer.
bool TvxnNFeGI23_b::ExpressaoDeValidacao() {
  return !AlgumRegistro("DI", [&] { return Valor("tpViaTransp_I23a") == "1" && !Preenchido("vAFRMM_I23b"); });
}

bool TvxnNFeGI23_d::ExpressaoDeValidacao() {
  return !AlgumRegistro("DI", [&] {
    return EhUmDe(Valor("tpIntermedio_I23c"), {"2", "3"}) && !Preenchido("CNPJ_I23d");
  });
}

bool TvxnNFeGI23d_1::ExpressaoDeValidacao() {
  return !AlgumRegistro("DI", [&] {
    const std::string cnpj = Valor("CNPJ_I23d");
    return !cnpj.empty() && !Utils().ValidateCNPJ(cnpj);
  });
}

bool TvxnNFeGI23_e::ExpressaoDeValidacao() {
  return !AlgumRegistro("DI", [&] {
    return EhUmDe(Valor("tpIntermedio_I23c"), {"2", "3"}) && !Preenchido("UFTerceiro_I23e");
  });
}

// Import under drawback (CFOP 3127) gives the drawback act in every addition.
bool TvxnNFeGI29_a::ExpressaoDeValidacao() {
  if (Valor("CFOP_I08") != "3127")
    return true;
  return !AlgumRegistro("DI",
                        [&] { return AlgumRegistro("ADI", [&] { return !Preenchido("nDraw_I29a"); }); });
}

namespace {
// Exports, direct (7...) or through a trading company (5501, 5502, 6501, 6502).
bool CfopDeExportacaoOuFimEspecifico(std::string_view cfop) {
  return ComecaCom(cfop, "7") || EhUmDe(cfop, {"5501", "5502", "6501", "6502"});
}
} // namespace

bool TvxnNFeGI50::ExpressaoDeValidacao() {
  return !(PartePreenchida("DETEXPORT") && !CfopDeExportacaoOuFimEspecifico(Valor("CFOP_I08")));
}

// Export under drawback (CFOP 7127) gives the drawback act.
bool TvxnNFeGI51::ExpressaoDeValidacao() {
  return !(Valor("CFOP_I08") == "7127" && !Preenchido("nDraw_I51"));
}

bool TvxnNFeGI54::ExpressaoDeValidacao() {
  return !AlgumRegistro("DETEXPORT", [&] {
    return AlgumRegistro("EXPORTIND", [&] {
      const std::string chave = Valor("chNFe_I54");
      return !chave.empty() && !ChaveComDVValido(chave);
    });
  });
}

bool TvxnNFeGI54_1::ExpressaoDeValidacao() {
  return !AlgumRegistro("DETEXPORT", [&] {
    return AlgumRegistro("EXPORTIND", [&] {
      const std::string chave = Valor("chNFe_I54");
      return chave.size() == 44 && chave.substr(20, 2) != "55";
    });
  });
}

// An import declares its IPI and its import tax.
void TvxnNFeGI08_120_NT005_2013::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("H", [&] { return ComecaCom(Valor("CFOP_I08"), "3") && !PartePreenchida("O"); }))
    FalharValidacao();
}

void TvxnNFeGI08_130_NT005_2013::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("H", [&] { return ComecaCom(Valor("CFOP_I08"), "3") && !PartePreenchida("P"); }))
    FalharValidacao();
}

// The export of goods received for export (CFOP 7501) references the notes of their receipt.
void TvxnNFeI08_190_NT015_002::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("H", [&] { return Valor("CFOP_I08") == "7501"; }) &&
      !AlgumRegistro("NREF", [&] { return PossuiCampoPreenchido("NREF"); }))
    FalharValidacao();
}

// Without the national table of municipalities: a code that cannot be one.
void TvxnNFeGU05::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("H", [&] { return PartePreenchida("U") && !MunicipioPlausivel(Valor("cMunFG_U05")); }))
    FalharValidacao();
}

void TvxnNFeGU05_10::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("H", [&] { return PartePreenchida("U") && !MunicipioPlausivel(Valor("cMunFG_U05")); }))
    FalharValidacao();
}

void TvxnNFeU14_10_NT015_002::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("H", [&] {
        const std::string cMun = Valor("cMun_U14");
        return !cMun.empty() && !MunicipioPlausivel(cMun);
      }))
    FalharValidacao();
}

// ---- ICMS of the destination state and the interstate rates (note 2015.003) ----

// A sale to a non-taxpayer final consumer of another state gives, item by item, the ICMS of the
// destination state (fuel and services excepted).
void TvxnNFeNA01_20_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (VerificaDataAnterior(Valor("dhEmi_B09"), kInicioNT2015_003))
    return;
  if (Valor("idDest_B11a") != "2" || Valor("indFinal_B25a") != "1" || Valor("indIEDest_E16a") != "9")
    return;
  if (AlgumRegistro("H", [&] {
        const bool combustivel = PartePreenchida("L1") && ProdutoANPSemPartilha(Valor("cProdANP_LA02"));
        return !PartePreenchida("NA") && !PartePreenchida("U") && !combustivel;
      }))
    FalharValidacao();
}

void TvxnNFeNA01_30_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (VerificaDataAnterior(Valor("dhEmi_B09"), kInicioNT2015_003))
    return;
  const bool operacao = Valor("idDest_B11a") == "2" && Valor("indFinal_B25a") == "1" &&
                        Valor("indIEDest_E16a") == "9" && !Preenchido("vBC_U02");
  if (AlgumRegistro("H", [&] {
        if (!PartePreenchida("NA"))
          return false;
        const bool combustivel = PartePreenchida("L1") && ProdutoANPSemPartilha(Valor("cProdANP_LA02"));
        return !operacao || combustivel;
      }))
    FalharValidacao();
}

void TvxnNFeNA09_10_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("H", [&] {
        return PartePreenchida("NA") && ValorDecimal("pICMSInter_NA09") == 4.0 &&
               !OrigemImportada(Valor("orig_N11"));
      }))
    FalharValidacao();
}

void TvxnNFeNA09_20_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("H", [&] {
        return PartePreenchida("NA") && OrigemImportada(Valor("orig_N11")) &&
               ValorDecimal("pICMSInter_NA09") != 4.0;
      }))
    FalharValidacao();
}

void TvxnNFeNA09_30_NT003_2015::execute() {
  TvxnNFeRule::execute();
  const double esperada = AliquotaInterestadual(Valor("UF_C12"), Valor("UF_E12"));
  if (AlgumRegistro("H", [&] {
        if (!PartePreenchida("NA"))
          return false;
        const double p = ValorDecimal("pICMSInter_NA09");
        return p != 4.0 && p != esperada;
      }))
    FalharValidacao();
}

// The destination state's share: 40 % in 2016, 60 % in 2017, 80 % in 2018, 100 % from 2019.
void TvxnNFeNA11_10_NT003_2015::execute() {
  TvxnNFeRule::execute();
  const std::string anoEmissao = Valor("dhEmi_B09").substr(0, 4);
  if (!SoDigitos(anoEmissao))
    FalharValidacao();
  const int ano = std::stoi(anoEmissao);
  const double esperado = ano <= 2016 ? 40.0 : ano == 2017 ? 60.0 : ano == 2018 ? 80.0 : 100.0;
  if (AlgumRegistro("H",
                    [&] { return PartePreenchida("NA") && ValorDecimal("pICMSInterPart_NA11") != esperado; }))
    FalharValidacao();
}

void TvxnNFeNA13_10_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("H", [&] {
        if (!PartePreenchida("NA"))
          return false;
        const double calculado = ValorDecimal("vBCUFDest_NA03") * ValorDecimal("pFCPUFDest_NA05") / 100;
        return DifereMaisQue(calculado, ValorDecimal("vFCPUFDest_NA13"), 0.01);
      }))
    FalharValidacao();
}

namespace {
bool NaoContribuinte(std::string_view indIEDest) {
  return indIEDest == "9";
}
} // namespace

// A non-taxpayer gets no deferred ICMS (CST 51).
void TvxnNFeN12_70_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (!NaoContribuinte(Valor("indIEDest_E16a")) ||
      VerificaDataAnterior(Valor("dhEmi_B09"), kInicioNT2015_003_ICMS))
    return;
  if (AlgumRegistro("H", [&] { return Valor("CST_N12") == "51"; }))
    FalharValidacao();
}

void TvxnNFeN12_80_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (Valor("indIEDest_E16a") != "2" || VerificaDataAnterior(Valor("dhEmi_B09"), kInicioNT2015_003_ICMS))
    return;
  if (AlgumRegistro("H", [&] {
        const std::string cst = Valor("CST_N12");
        const std::string cfop = AsciiUpper(Valor("CFOP_I08"));
        return cst == "51" ||
               (cst == "50" && !EhUmDe(cfop, {"5915", "5916", "6915", "6916", "5912", "5913"}));
      }))
    FalharValidacao();
}

// A non-taxpayer takes no ICMS credit from a Simples Nacional issuer (CSOSN 101, 201).
void TvxnNFeN12a_70_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (!NaoContribuinte(Valor("indIEDest_E16a")) ||
      VerificaDataAnterior(Valor("dhEmi_B09"), kInicioNT2015_003_ICMS))
    return;
  if (AlgumRegistro("H", [&] { return EhUmDe(Valor("CSOSN_N12a"), {"101", "201"}); }))
    FalharValidacao();
}

void TvxnNFeN16_20_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (Valor("idDest_B11a") != "2" || VerificaDataAnterior(Valor("dhEmi_B09"), kInicioNT2015_003_ICMS))
    return;
  const double interestadual = AliquotaInterestadual(Valor("UF_C12"), Valor("UF_E12"));
  if (AlgumRegistro("H", [&] {
        if (!Preenchido("pICMS_N16") || (Valor("indFinal_B25a") == "1" && Valor("indIEDest_E16a") == "9"))
          return false;
        const double limite = OrigemImportada(Valor("orig_N11")) ? 4.0 : interestadual;
        return ValorDecimal("pICMS_N16") > limite + 1e-9;
      }))
    FalharValidacao();
}

// ICMS-ST needs the product's CEST.
void TvxnNFeN23_10_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (VerificaDataAnterior(Valor("dhEmi_B09"), kInicioNT2015_003_ICMS))
    return;
  if (AlgumRegistro("H", [&] { return ValorDecimal("vICMSST_N23") > 0 && !Preenchido("CEST_I05c"); }))
    FalharValidacao();
}

} // namespace vxn
