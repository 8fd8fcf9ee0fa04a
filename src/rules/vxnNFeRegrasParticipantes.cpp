// The rules of the parties: issuer, NF-e avulsa, recipient, places of pick-up and delivery, carrier,
// export and purchase groups.
#include "vxnNFeRegras.h"

#include "vxnNFeRegrasApoio.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <algorithm>

namespace vxn {

using namespace regras;

namespace {

constexpr std::string_view kMunicipioExterior = "9999999";

// A state registration as the layout writes it: digits (2 to 14) or "ISENTO".
bool IEBemFormada(std::string_view ie) {
  return ie == "ISENTO" || (SoDigitos(ie) && ie.size() >= 2 && ie.size() <= 14);
}

} // namespace

void TvxnNFeGC02::execute() {
  TvxnNFeRule::execute();
  const std::string cnpj = Valor("CNPJ_C02");
  if (!cnpj.empty() && !Utils().ValidateCNPJ(cnpj))
    FalharValidacao();
}

void TvxnNFeGC02_a::execute() {
  TvxnNFeRule::execute();
  if (Preenchido("CPF_C02a") && !EhUmDe(Valor("procEmi_B26"), {"1", "2"}))
    FalharValidacao();
}

void TvxnNFeGC02_a1::execute() {
  TvxnNFeRule::execute();
  const std::string cpf = Valor("CPF_C02a");
  if (!cpf.empty() && !Utils().ValidateCPF(cpf))
    FalharValidacao();
}

void TvxnNFeGC10::execute() {
  TvxnNFeRule::execute();
  if (!MunicipioComDVValido(Valor("cMun_C10")))
    FalharValidacao();
}

void TvxnNFeGC10_1::execute() {
  TvxnNFeRule::execute();
  if (!MunicipioDaUF(Valor("cMun_C10"), Valor("UF_C12")))
    FalharValidacao();
}

void TvxnNFeGC17::execute() {
  TvxnNFeRule::execute();
  if (!Preenchido("IE_C17"))
    FalharValidacao();
}

void TvxnNFeGC18_14::execute() {
  TvxnNFeRule::execute();
  if (Preenchido("IEST_C18") && (Valor("UF_E12") == "EX" || Valor("idDest_B11a") == "3"))
    FalharValidacao();
}

void TvxnNFeGC18_40::execute() {
  TvxnNFeRule::execute();
  const std::string iest = Valor("IEST_C18");
  if (!iest.empty() && (iest == Valor("IE_C17") || iest == Valor("IE_E17")))
    FalharValidacao();
}

void TvxnNFeGD01::execute() {
  TvxnNFeRule::execute();
  if (PartePreenchida("D") && !EhUmDe(Valor("procEmi_B26"), {"1", "2"}))
    FalharValidacao();
}

void TvxnNFeGD01_2::execute() {
  TvxnNFeRule::execute();
  if (EhUmDe(Valor("procEmi_B26"), {"1", "2"}) && !PartePreenchida("D"))
    FalharValidacao();
}

void TvxnNFeGE02::execute() {
  TvxnNFeRule::execute();
  if (Valor("UF_E12") == "EX" && Preenchido("CNPJ_E02"))
    FalharValidacao();
}

// A recipient without CNPJ, CPF or foreign id is only possible abroad.
void TvxnNFeGE02_1::execute() {
  TvxnNFeRule::execute();
  if (!PartePreenchida("E") || Valor("UF_E12") == "EX")
    return;
  const bool estrangeiro = ExisteCampo("idEstrangeiro_E03a") && Preenchido("idEstrangeiro_E03a");
  if (!Preenchido("CNPJ_E02") && !Preenchido("CPF_E03") && !estrangeiro)
    FalharValidacao();
}

void TvxnNFeGE02_2::execute() {
  TvxnNFeRule::execute();
  const std::string cnpj = Valor("CNPJ_E02");
  if (!cnpj.empty() && !Utils().ValidateCNPJ(cnpj))
    FalharValidacao();
}

void TvxnNFeGE03::execute() {
  TvxnNFeRule::execute();
  const std::string cpf = Valor("CPF_E03");
  if (!cpf.empty() && !Utils().ValidateCPF(cpf))
    FalharValidacao();
}

void TvxnNFeGE10::execute() {
  TvxnNFeRule::execute();
  const std::string cMun = Valor("cMun_E10");
  if (!cMun.empty() && cMun != kMunicipioExterior && !MunicipioComDVValido(cMun))
    FalharValidacao();
}

// A place abroad is the concern of the rules of code 9999999.
void TvxnNFeGE10_1::execute() {
  TvxnNFeRule::execute();
  const std::string cMun = Valor("cMun_E10");
  const std::string uf = Valor("UF_E12");
  if (!cMun.empty() && cMun != kMunicipioExterior && uf != "EX" && !MunicipioDaUF(cMun, uf))
    FalharValidacao();
}

void TvxnNFeGE10_2::execute() {
  TvxnNFeRule::execute();
  if (Valor("UF_E12") == "EX" && Valor("cMun_E10") != kMunicipioExterior)
    FalharValidacao();
}

void TvxnNFeGE10_2_NT005_2013::execute() {
  TvxnNFeRule::execute();
  if ((Valor("UF_E12") == "EX" || Valor("idDest_B11a") == "3") && PartePreenchida("E") &&
      Valor("cMun_E10") != kMunicipioExterior)
    FalharValidacao();
}

void TvxnNFeGE14::execute() {
  TvxnNFeRule::execute();
  const std::string pais = Valor("cPais_E14");
  if (Valor("UF_E12") == "EX" && (pais.empty() || pais == "1058"))
    FalharValidacao();
}

void TvxnNFeGE14_1::execute() {
  TvxnNFeRule::execute();
  const std::string pais = Valor("cPais_E14");
  if (PartePreenchida("E") && Valor("UF_E12") != "EX" && !pais.empty() && pais != "1058")
    FalharValidacao();
}

void TvxnNFeGE14_NT005_2013::execute() {
  TvxnNFeRule::execute();
  const std::string pais = Valor("cPais_E14");
  if ((Valor("UF_E12") == "EX" || Valor("idDest_B11a") == "3") && PartePreenchida("E") &&
      (pais.empty() || pais == "1058"))
    FalharValidacao();
}

void TvxnNFeGE14_1_NT005_2013::execute() {
  TvxnNFeRule::execute();
  const std::string pais = Valor("cPais_E14");
  if (PartePreenchida("E") && Valor("UF_E12") != "EX" && Valor("idDest_B11a") != "3" && !pais.empty() &&
      pais != "1058")
    FalharValidacao();
}

// The form of the registration; the check digits of each state's registration are not verified.
void TvxnNFeGE17::execute() {
  TvxnNFeRule::execute();
  const std::string ie = Valor("IE_E17");
  if (!ie.empty() && !IEBemFormada(ie))
    FalharValidacao();
}

void TvxnNFeGF02::execute() {
  TvxnNFeRule::execute();
  const std::string cnpj = Valor("CNPJ_F02");
  if (!cnpj.empty() && !Utils().ValidateCNPJ(cnpj))
    FalharValidacao();
}

void TvxnNFeGF02_a::execute() {
  TvxnNFeRule::execute();
  const std::string cpf = Valor("CPF_F02a");
  if (!cpf.empty() && !Utils().ValidateCPF(cpf))
    FalharValidacao();
}

void TvxnNFeGF07::execute() {
  TvxnNFeRule::execute();
  if (Valor("UF_F09") == "EX" && Valor("cMun_F07") != kMunicipioExterior)
    FalharValidacao();
}

void TvxnNFeGF07_1::execute() {
  TvxnNFeRule::execute();
  const std::string cMun = Valor("cMun_F07");
  if (!cMun.empty() && cMun != kMunicipioExterior && !MunicipioComDVValido(cMun))
    FalharValidacao();
}

void TvxnNFeGF07_2::execute() {
  TvxnNFeRule::execute();
  const std::string cMun = Valor("cMun_F07");
  const std::string uf = Valor("UF_F09");
  if (!cMun.empty() && cMun != kMunicipioExterior && uf != "EX" && !MunicipioDaUF(cMun, uf))
    FalharValidacao();
}

void TvxnNFeGG02::execute() {
  TvxnNFeRule::execute();
  const std::string cnpj = Valor("CNPJ_G02");
  if (!cnpj.empty() && !Utils().ValidateCNPJ(cnpj))
    FalharValidacao();
}

void TvxnNFeGG02_a::execute() {
  TvxnNFeRule::execute();
  const std::string cpf = Valor("CPF_G02a");
  if (!cpf.empty() && !Utils().ValidateCPF(cpf))
    FalharValidacao();
}

void TvxnNFeGG07::execute() {
  TvxnNFeRule::execute();
  if (Valor("UF_G09") == "EX" && Valor("cMun_G07") != kMunicipioExterior)
    FalharValidacao();
}

void TvxnNFeGG07_1::execute() {
  TvxnNFeRule::execute();
  const std::string cMun = Valor("cMun_G07");
  if (!cMun.empty() && cMun != kMunicipioExterior && !MunicipioComDVValido(cMun))
    FalharValidacao();
}

void TvxnNFeGG07_2::execute() {
  TvxnNFeRule::execute();
  const std::string cMun = Valor("cMun_G07");
  const std::string uf = Valor("UF_G09");
  if (!cMun.empty() && cMun != kMunicipioExterior && uf != "EX" && !MunicipioDaUF(cMun, uf))
    FalharValidacao();
}

// Without the national table of municipalities: a code that cannot be one (digit, state prefix).
void TvxnNFeG07_20_NT015_002::execute() {
  TvxnNFeRule::execute();
  const std::string cMun = Valor("cMun_G07");
  if (!cMun.empty() && cMun != kMunicipioExterior && !MunicipioPlausivel(cMun))
    FalharValidacao();
}

void TvxnNFeGE01::execute() {
  TvxnNFeRule::execute();
  if (Valor("mod_B06") == "55" && !PartePreenchida("E"))
    FalharValidacao();
}

// Abroad, the recipient is identified by idEstrangeiro (the tag written when CNPJ and CPF are not).
void TvxnNFeGE03a::execute() {
  TvxnNFeRule::execute();
  if (Valor("idDest_B11a") == "3" && Valor("UF_E12") == "EX" &&
      (Preenchido("CNPJ_E02") || Preenchido("CPF_E03")))
    FalharValidacao();
}

void TvxnNFeGE03a_1::execute() {
  TvxnNFeRule::execute();
  if (Valor("idDest_B11a") == "2" && PartePreenchida("E") && !Preenchido("CNPJ_E02") &&
      !Preenchido("CPF_E03"))
    FalharValidacao();
}

void TvxnNFeGE03a_2::execute() {
  TvxnNFeRule::execute();
  if (Valor("idDest_B11a") == "1" && Preenchido("idEstrangeiro_E03a") && Valor("indPres_B25b") != "1")
    FalharValidacao();
}

void TvxnNFeGE03a_3::execute() {
  TvxnNFeRule::execute();
  if (Valor("idDest_B11a") == "1" && Preenchido("idEstrangeiro_E03a") && Valor("indFinal_B25a") != "1")
    FalharValidacao();
}

void TvxnNFeGE04::execute() {
  TvxnNFeRule::execute();
  if (Valor("mod_B06") == "55" && PartePreenchida("E") && !Preenchido("xNome_E04"))
    FalharValidacao();
}

void TvxnNFeGE05::execute() {
  TvxnNFeRule::execute();
  if (Valor("mod_B06") == "55" && PartePreenchida("E") &&
      (!Preenchido("xLgr_E06") || !Preenchido("xMun_E11") || !Preenchido("UF_E12")))
    FalharValidacao();
}

void TvxnNFeGE12::execute() {
  TvxnNFeRule::execute();
  if (Valor("idDest_B11a") == "3" && PartePreenchida("E") && Valor("UF_E12") != "EX")
    FalharValidacao();
}

void TvxnNFeGE12_1::execute() {
  TvxnNFeRule::execute();
  if (Valor("idDest_B11a") == "2" && Valor("UF_E12") == "EX")
    FalharValidacao();
}

void TvxnNFeGE12_2::execute() {
  TvxnNFeRule::execute();
  if (Valor("idDest_B11a") == "2" && Valor("UF_E12") == Valor("UF_C12"))
    FalharValidacao();
}

void TvxnNFeGE12_3::execute() {
  TvxnNFeRule::execute();
  if (Valor("idDest_B11a") == "1" && PartePreenchida("E") && Valor("UF_E12") != Valor("UF_C12"))
    FalharValidacao();
}

void TvxnNFeGE16a::execute() {
  TvxnNFeRule::execute();
  if (Valor("idDest_B11a") == "3" && Valor("indIEDest_E16a") == "1")
    FalharValidacao();
}

void TvxnNFeGE17_1::execute() {
  TvxnNFeRule::execute();
  if (Valor("indIEDest_E16a") == "1" && !Preenchido("IE_E17"))
    FalharValidacao();
}

void TvxnNFeGE17_2::execute() {
  TvxnNFeRule::execute();
  if (Valor("indIEDest_E16a") == "2" && Preenchido("IE_E17"))
    FalharValidacao();
}

void TvxnNFeGE17_3::execute() {
  TvxnNFeRule::execute();
  if ((Valor("UF_E12") == "EX" || Valor("idDest_B11a") == "3") && Preenchido("IE_E17"))
    FalharValidacao();
}

// From 2016 the states listed in uf-sem-contribuinte-isento.txt have no recipient exempt from the
// state registration.
void TvxnNFeE16a_30_NT003_2015::execute() {
  TvxnNFeRule::execute();
  if (Valor("indIEDest_E16a") != "2" || VerificaDataAnterior(Valor("dhEmi_B09"), "2016-01-01T00:01:00-03:00"))
    return;
  const auto ufs = LinhasDeDados("uf-sem-contribuinte-isento.txt");
  if (std::find(ufs.begin(), ufs.end(), Valor("UF_E12")) != ufs.end())
    FalharValidacao();
}

void TvxnNFeGX04::execute() {
  TvxnNFeRule::execute();
  const std::string cnpj = Valor("CNPJ_X04");
  if (!cnpj.empty() && !Utils().ValidateCNPJ(cnpj))
    FalharValidacao();
}

void TvxnNFeGX05::execute() {
  TvxnNFeRule::execute();
  const std::string cpf = Valor("CPF_X05");
  if (!cpf.empty() && !Utils().ValidateCPF(cpf))
    FalharValidacao();
}

// A carrier with its state registration names its state.
void TvxnNFeGX07::execute() {
  TvxnNFeRule::execute();
  if (Preenchido("IE_X07") && !Preenchido("UF_X10"))
    FalharValidacao();
}

void TvxnNFeGX17::execute() {
  TvxnNFeRule::execute();
  const std::string cMun = Valor("cMunFG_X17");
  if (!cMun.empty() && !MunicipioComDVValido(cMun))
    FalharValidacao();
}

// An outgoing sale of fuel carried by someone names the carrier.
void TvxnNFeGX04_1::execute() {
  TvxnNFeRule::execute();
  if (Valor("tpNF_B11") != "1" || Valor("modFrete_X02") == "9" || Preenchido("CNPJ_X04") ||
      Preenchido("CPF_X05"))
    return;
  if (AlgumRegistro("H", [&] { return PartePreenchida("L1"); }))
    FalharValidacao();
}

namespace {
bool CfopDeExportacao(std::string_view cfop) {
  return ComecaCom(cfop, "7");
}
} // namespace

void TvxnNFeGZA01::execute() {
  TvxnNFeRule::execute();
  if (!Preenchido("UFSaidaPais_ZA02") &&
      AlgumRegistro("H", [&] { return CfopDeExportacao(Valor("CFOP_I08")); }))
    FalharValidacao();
}

void TvxnNFeGZA01_1::execute() {
  TvxnNFeRule::execute();
  if (Preenchido("UFSaidaPais_ZA02") &&
      !AlgumRegistro("H", [&] { return CfopDeExportacao(Valor("CFOP_I08")); }))
    FalharValidacao();
}

// A purchase by a public body under contract (xCont) gives the commitment note.
void TvxnNFeGZB02::execute() {
  TvxnNFeRule::execute();
  if (Preenchido("xCont_ZB04") && !Preenchido("xNEmp_ZB02"))
    FalharValidacao();
}

void TvxnNFeGU01::execute() {
  TvxnNFeRule::execute();
  if (!Preenchido("IM_C19") && AlgumRegistro("H", [&] { return PartePreenchida("U"); }))
    FalharValidacao();
}

} // namespace vxn
