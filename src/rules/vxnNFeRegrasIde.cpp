// The rules of the document's identification (ide, the access key and the referenced documents).
#include "vxnNFeRegras.h"

#include "datasets/vxnXmlDataSetNFe.h"
#include "vxnNFeException.h"
#include "vxnNFeRegrasApoio.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <chrono>
#include <ctime>
#include <set>
#include <tuple>

namespace vxn {

using namespace regras;

namespace {

// The access key of the document: Id_A03 without its "NFe" prefix.
std::string ChaveDoId(std::string_view id) {
  return StartsWithText(id, "NFe") ? std::string(id.substr(3)) : std::string(id);
}

bool Avulsa(std::string_view procEmi) {
  return EhUmDe(procEmi, {"1", "2"});
}

// Two-digit year of a moment, in the local time of Brasília (UTC-3), where the authority counts years.
int AnoDoisDigitos(std::chrono::system_clock::time_point t) {
  const std::time_t s = std::chrono::system_clock::to_time_t(t - std::chrono::hours(3));
  std::tm tm{};
  gmtime_r(&s, &tm);
  return (tm.tm_year + 1900) % 100;
}

} // namespace

void TvxnNFeGA03::execute() {
  TvxnNFeRule::execute();
  const std::string id = Valor("Id_A03");
  if (id.size() != 47 || !StartsWithText(id, "NFe"))
    FalharValidacao();
  if (DecodeChave(ChaveDoId(id), GetVersaoManual()).cDV != Valor("cDV_B23"))
    FalharValidacao();
}

void TvxnNFeGB06::execute() {
  TvxnNFeRule::execute();
  if (!EhUmDe(Valor("mod_B06"), {"55", "65"}))
    FalharValidacao();
}

void TvxnNFeGB06_1::execute() {
  TvxnNFeRule::execute();
  if (Valor("mod_B06") != "55")
    FalharValidacao();
}

void TvxnNFeGB26_1::execute() {
  TvxnNFeRule::execute();
  if (Avulsa(Valor("procEmi_B26")) && Valor("tpEmis_B22") != "1")
    FalharValidacao();
}

// Series 900 to 999 belong to the SCAN contingency.
void TvxnNFeGB07::execute() {
  TvxnNFeRule::execute();
  const std::string serie = Valor("serie_B07");
  if (!SoDigitos(serie) || serie.size() > 3)
    FalharValidacao();
  if (std::stoi(serie) > 899 && Valor("tpEmis_B22") != "3")
    FalharValidacao();
}

void TvxnNFeGB10_3::execute() {
  TvxnNFeRule::execute();
  const std::string saida = Valor("dhSaiEnt_B10");
  if (!saida.empty() && VerificaDataAnterior(saida, Valor("dhEmi_B09")))
    FalharValidacao();
}

void TvxnNFeGB10_2::execute() {
  TvxnNFeRule::execute();
  const std::string saida = Valor("dSaiEnt_B10");
  if (!saida.empty() && VerificaDataAnterior(saida, Valor("dEmi_B09")))
    FalharValidacao();
}

void TvxnNFeGB10a::execute() {
  TvxnNFeRule::execute();
  if (Preenchido("hSaiEnt_B10a") && !Preenchido("dSaiEnt_B10"))
    FalharValidacao();
}

void TvxnNFeGB12::execute() {
  TvxnNFeRule::execute();
  if (!MunicipioComDVValido(Valor("cMunFG_B12")))
    FalharValidacao();
}

void TvxnNFeGB12_1::execute() {
  TvxnNFeRule::execute();
  if (Valor("cMunFG_B12").substr(0, 2) != Valor("cUF_B02"))
    FalharValidacao();
}

void TvxnNFeGB13::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("NREF", [&] {
        const std::string chave = Valor("refNFe_BA02");
        return !chave.empty() && !ChaveComDVValido(chave);
      }))
    FalharValidacao();
}

void TvxnNFeGB17::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("NREF", [&] {
        const std::string cnpj = Valor("CNPJ_BA06");
        return !cnpj.empty() && !Utils().ValidateCNPJ(cnpj);
      }))
    FalharValidacao();
}

void TvxnNFeGB20d::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("NREF", [&] {
        const std::string cnpj = Valor("CNPJ_BA13");
        return !cnpj.empty() && !Utils().ValidateCNPJ(cnpj);
      }))
    FalharValidacao();
}

void TvxnNFeGB20e::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("NREF", [&] {
        const std::string cpf = Valor("CPF_BA14");
        return !cpf.empty() && !Utils().ValidateCPF(cpf);
      }))
    FalharValidacao();
}

void TvxnNFeGB20i::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("NREF", [&] {
        const std::string chave = Valor("refCTe_BA19");
        return !chave.empty() && !ChaveComDVValido(chave);
      }))
    FalharValidacao();
}

// Formats 4 and 5 (NFC-e DANFE) are for model 65 only, and model 65 prints nothing else.
void TvxnNFeGB21_2::execute() {
  TvxnNFeRule::execute();
  const bool formatoNFCe = EhUmDe(Valor("tpImp_B21"), {"4", "5"});
  if (formatoNFCe != (Valor("mod_B06") == "65"))
    FalharValidacao();
}

void TvxnNFeGB22::execute() {
  TvxnNFeRule::execute();
  if (Valor("tpEmis_B22") == "1" && (Preenchido("xJust_B29") || Preenchido("dhCont_B28")))
    FalharValidacao();
}

// Layout 3.10: the off-line contingency (9) is for NFC-e only. Before it: a contingency needs its
// justification.
void TvxnNFeGB22_1::execute() {
  TvxnNFeRule::execute();
  const std::string tpEmis = Valor("tpEmis_B22");
  if (GetVersaoManual() == vm50a) {
    if (tpEmis == "9" && Valor("mod_B06") == "55")
      FalharValidacao();
  } else if (tpEmis != "1" && !Preenchido("xJust_B29")) {
    FalharValidacao();
  }
}

// SCAN (3) issues in series 900 to 999; each state has one virtual contingency (6 SVC-AN, 7 SVC-RS).
void TvxnNFeGB22_3::execute() {
  TvxnNFeRule::execute();
  const std::string tpEmis = Valor("tpEmis_B22");
  if (tpEmis == "3") {
    const std::string serie = Valor("serie_B07");
    if (!SoDigitos(serie) || std::stoi(serie) < 900)
      FalharValidacao();
  } else if (tpEmis == "6" || tpEmis == "7") {
    const auto svc = ParesDeDados("contingencia-svc.txt");
    const auto it = svc.find(GetUF(Valor("cUF_B02")));
    if (it == svc.end() || it->second != (tpEmis == "6" ? "SVCAN" : "SVCRS"))
      FalharValidacao();
  }
}

// The check digit of the key composed from the fields of ide and the issuer (the tax office's CNPJ for an
// NF-e avulsa).
void TvxnNFeGB23::execute() {
  TvxnNFeRule::execute();
  std::string emitente = Valor("CNPJ_D02");
  if (emitente.empty())
    emitente = Preenchido("CPF_C02a") ? Valor("CPF_C02a") : Valor("CNPJ_C02");
  std::string chave;
  try {
    chave = CalculaChave(DataEmissao(), Valor("cUF_B02"), emitente, Valor("mod_B06"), Valor("serie_B07"),
                         Valor("nNF_B08"), Valor("tpEmis_B22"), Valor("cNF_B03"));
  } catch (const EvxnException&) {
    FalharValidacao();
  }
  if (chave.substr(43) != Valor("cDV_B23"))
    FalharValidacao();
}

void TvxnNFeGB25::execute() {
  TvxnNFeRule::execute();
  if (Valor("finNFe_B25") == "2" && !AlgumRegistro("NREF", [&] { return PossuiCampoPreenchido("NREF"); }))
    FalharValidacao();
}

void TvxnNFeGB25_1::execute() {
  TvxnNFeRule::execute();
  if (Valor("finNFe_B25") != "2")
    return;
  int n = 0;
  AlgumRegistro("NREF", [&] { return PossuiCampoPreenchido("NREF") && ++n > 1; });
  if (n > 1)
    FalharValidacao();
}

// The referenced NF-e (from its key) or model 1 note must be the issuer's own.
void TvxnNFeGB25_2::execute() {
  TvxnNFeRule::execute();
  if (Valor("finNFe_B25") != "2")
    return;
  const std::string cnpj = Valor("CNPJ_C02");
  if (AlgumRegistro("NREF", [&] {
        const std::string chave = Valor("refNFe_BA02");
        if (chave.size() == 44 && chave.substr(6, 14) != cnpj)
          return true;
        return Preenchido("CNPJ_BA06") && Valor("CNPJ_BA06") != cnpj;
      }))
    FalharValidacao();
}

// Layout 3.10: a complementary NF-e references an NF-e or a model 1 note, not only other documents.
void TvxnNFeGB25_3::execute() {
  TvxnNFeRule::execute();
  if (Valor("finNFe_B25") == "2" &&
      !AlgumRegistro("NREF", [&] { return Preenchido("refNFe_BA02") || Preenchido("nNF_BA09"); }))
    FalharValidacao();
}

// Layout 3.10: a complementary NF-e references one NF-e key at most.
void TvxnNFeGB25_4::execute() {
  TvxnNFeRule::execute();
  if (Valor("finNFe_B25") != "2")
    return;
  int n = 0;
  AlgumRegistro("NREF", [&] { return Preenchido("refNFe_BA02") && ++n > 1; });
  if (n > 1)
    FalharValidacao();
}

void TvxnNFeGB25_3_NT003_2013::execute() {
  TvxnNFeRule::execute();
  if (Valor("finNFe_B25") != "2")
    return;
  const std::string cUF = Valor("cUF_B02");
  if (AlgumRegistro("NREF", [&] {
        const std::string chave = Valor("refNFe_BA02");
        if (!chave.empty() && chave.substr(0, 2) != cUF)
          return true;
        return Preenchido("cUF_BA04") && Valor("cUF_BA04") != cUF;
      }))
    FalharValidacao();
}

void TvxnNFeGB25b::execute() {
  TvxnNFeRule::execute();
  if (Valor("mod_B06") == "55" && Valor("indPres_B25b") == "4")
    FalharValidacao();
}

void TvxnNFeGB25_7::execute() {
  TvxnNFeRule::execute();
  if (Valor("finNFe_B25") == "4" && !AlgumRegistro("NREF", [&] { return PossuiCampoPreenchido("NREF"); }))
    FalharValidacao();
}

// Processes 1 and 2 (NF-e avulsa) are the tax authority's own.
void TvxnNFeGB26::execute() {
  TvxnNFeRule::execute();
  const std::string procEmi = Valor("procEmi_B26");
  if (!EhUmDe(procEmi, {"0", "3"}))
    FalharValidacao();
}

// Dates without a time (layout 2.00) are compared by day.
void TvxnNFeGB28::execute() {
  TvxnNFeRule::execute();
  const std::string cont = Valor("dhCont_B28");
  if (cont.empty())
    return;
  const std::string emissao = DataEmissao();
  if (emissao.size() == 10 ? cont.substr(0, 10) > emissao : VerificaDataAnterior(emissao, cont))
    FalharValidacao();
}

namespace {
// The issue date as a moment; a date without a time stands for the end of its day.
std::chrono::system_clock::time_point MomentoDaEmissao(const TvxnGovUtils& utils,
                                                       const std::string& emissao) {
  auto t = utils.XsdDateTimeToDateTime(emissao);
  if (emissao.size() == 10)
    t += std::chrono::hours(24) - std::chrono::seconds(1);
  return t;
}

constexpr auto kAtrasoMaximo = std::chrono::hours(24 * 30);
} // namespace

// An NF-e is received at most 30 days after its issue.
void TvxnNFeGB09::execute() {
  TvxnNFeRule::execute();
  if (MomentoDaEmissao(Utils(), DataEmissao()) < Agora() - kAtrasoMaximo)
    FalharValidacao();
}

void TvxnNFeGB09_1_NT003_2012::execute() {
  TvxnNFeRule::execute();
  if (MomentoDaEmissao(Utils(), DataEmissao()) < Agora() - kAtrasoMaximo)
    FalharValidacao();
}

// The issue may be ahead of the moment of receipt by 5 minutes at most (the clocks' tolerance).
void TvxnNFeGB09_2::execute() {
  TvxnNFeRule::execute();
  if (Utils().XsdDateTimeToDateTime(Valor("dhEmi_B09")) > Agora() + std::chrono::minutes(5))
    FalharValidacao();
}

// The year of the key (its digits 3 and 4) lies between 06 and the current year.
void TvxnNFeJ02_c_NT003_2012::execute() {
  TvxnNFeRule::execute();
  const std::string chave = ChaveDoId(Valor("Id_A03"));
  const std::string ano = chave.substr(std::min<std::size_t>(2, chave.size()), 2);
  if (!SoDigitos(ano) || ano.size() != 2)
    FalharValidacao();
  const int aa = std::stoi(ano);
  if (aa < 6 || aa > AnoDoisDigitos(Agora()))
    FalharValidacao();
}

void TvxnNFeBA02_40_NT015_002::execute() {
  TvxnNFeRule::execute();
  const std::string propria = ChaveDoId(Valor("Id_A03"));
  if (AlgumRegistro("NREF", [&] { return Valor("refNFe_BA02") == propria; }))
    FalharValidacao();
}

// The date from which each state authorised NF-e (inicio-autorizacao-uf.txt; "*" for every state not
// listed).
void TvxnNFeB09_30_NT015_002::execute() {
  TvxnNFeRule::execute();
  const auto inicio = ParesDeDados("inicio-autorizacao-uf.txt");
  auto it = inicio.find(GetUF(Valor("cUF_B02")));
  if (it == inicio.end())
    it = inicio.find("*");
  if (it != inicio.end() && DataEmissao().substr(0, 10) < it->second)
    FalharValidacao();
}

void TvxnNFeGB13a_NT003_2013::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("NREF", [&] {
        const std::string chave = Valor("refNFe_BA02");
        return chave.size() == 44 && chave.substr(20, 2) != "55";
      }))
    FalharValidacao();
}

void TvxnNFeGB13b_NT003_2013::execute() {
  TvxnNFeRule::execute();
  std::set<std::string> vistas;
  if (AlgumRegistro("NREF", [&] {
        const std::string chave = Valor("refNFe_BA02");
        return !chave.empty() && !vistas.insert(chave).second;
      }))
    FalharValidacao();
}

void TvxnNFeGB20_NT003_2013::execute() {
  TvxnNFeRule::execute();
  std::set<std::tuple<std::string, std::string, std::string, std::string>> vistas;
  if (AlgumRegistro("NREF", [&] {
        if (!Preenchido("nNF_BA09"))
          return false;
        return !vistas.emplace(Valor("CNPJ_BA06"), Valor("mod_BA07"), Valor("serie_BA08"), Valor("nNF_BA09"))
                    .second;
      }))
    FalharValidacao();
}

void TvxnNFeGB20ha_NT003_2013::execute() {
  TvxnNFeRule::execute();
  std::set<std::tuple<std::string, std::string, std::string, std::string>> vistas;
  if (AlgumRegistro("NREF", [&] {
        if (!Preenchido("nNF_BA18"))
          return false;
        return !vistas.emplace(Valor("IE_BA15"), Valor("mod_BA16"), Valor("serie_BA17"), Valor("nNF_BA18"))
                    .second;
      }))
    FalharValidacao();
}

void TvxnNFeGB20ia_NT003_2013::execute() {
  TvxnNFeRule::execute();
  if (AlgumRegistro("NREF", [&] {
        const std::string chave = Valor("refCTe_BA19");
        return chave.size() == 44 && chave.substr(20, 2) != "57";
      }))
    FalharValidacao();
}

void TvxnNFeGB20m_NT003_2013::execute() {
  TvxnNFeRule::execute();
  std::set<std::tuple<std::string, std::string, std::string>> vistas;
  if (AlgumRegistro("NREF", [&] {
        if (!Preenchido("nCOO_BA23"))
          return false;
        return !vistas.emplace(Valor("mod_BA21"), Valor("nECF_BA22"), Valor("nCOO_BA23")).second;
      }))
    FalharValidacao();
}

} // namespace vxn
