#include "vxnNFeType.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"

namespace vxn {
namespace {

constexpr std::array<std::string_view, 6> kManualText{"2.0.2a", "3.0", "4.0", "5.0", "5.0a", "6.0"};
constexpr std::array<std::string_view, 6> kManualDir{"vm30/", "vm30/", "vm40/", "vm50/", "vm50a/", "vm60/"};
constexpr std::array<std::string_view, kVersaoEsquemaCount> kEsquemaText{
    "pl_005a", "pl_005b",  "pl_005c",  "pl_005d", "pl_005f", "pl_006e", "pl_006f", "pl_006g", "pl_006i",
    "pl_006j", "pl_006m",  "pl_006n",  "pl_006p", "pl_006q", "pl_006r", "pl_006s", "pl_006t", "pl_006u",
    "pl_006v", "pl_008a",  "pl_008b",  "pl_008c", "pl_008d", "pl_008e", "pl_008f", "pl_008g", "pl_008h",
    "pl_008i", "pl_008i1", "pl_008i2", "pl_009",  "pl_009g", "pl_009p", "pl_010"};
constexpr std::array<std::string_view, 4> kModoText{"NORMAL", "SVCAN", "SVCRS", "EPEC"};
constexpr std::array<std::string_view, 3> kNSUText{"ULTIMO", "ESPECIFICO", "CHAVE"};
constexpr std::array<std::string_view, 5> kCertText{"MEMORY", "LOCALMACHINE", "FILE", "ACTIVEDIRECTORY",
                                                    "SMARTCARD"};
constexpr std::array<std::string_view, 5> kCertRepo{"MEMORY_STORE", "LOCAL_MACHINE_STORE",
                                                    "CURRENT_USER_STORE", "ACTIVE_DIRECTORY_USER_STORE",
                                                    "SMART_CARD_USER_STORE"};
constexpr std::array<std::string_view, 3> kFrenteVersoText{"DESABILITADO", "VERTICAL", "HORIZONTAL"};
constexpr std::array<std::string_view, 16> kLogMask{
    "*.xml",         "*-nfe.xml",     "*-env-lot.xml", "*-rec.xml",
    "*-ped-rec.xml", "*-pro-rec.xml", "*-den.xml",     "*-ped-can.xml",
    "*-can.xml",     "*-ped-inu.xml", "*-inu.xml",     "*-ped-sit.xml",
    "*-sit.xml",     "*-ped-sta.xml", "*-sta.xml",     ""};

template <std::size_t N> std::string At(const std::array<std::string_view, N>& table, int ordinal) {
  if (ordinal < 0 || static_cast<std::size_t>(ordinal) >= N)
    return {};
  return std::string(table[static_cast<std::size_t>(ordinal)]);
}

template <std::size_t N> int IndexExact(const std::array<std::string_view, N>& table, std::string_view s) {
  for (std::size_t i = 0; i < N; ++i)
    if (table[i] == s)
      return static_cast<int>(i);
  return -1;
}

template <std::size_t N> int IndexText(const std::array<std::string_view, N>& table, std::string_view s) {
  for (std::size_t i = 0; i < N; ++i)
    if (SameText(table[i], s))
      return static_cast<int>(i);
  return -1;
}

} // namespace

std::string VersaoManualToStr(TVersaoManual v) {
  return At(kManualText, static_cast<int>(v));
}

TVersaoManual StrToVersaoManual(std::string_view s) {
  int i = IndexExact(kManualText, s);
  if (i < 0)
    throw EvxnNFeVersaoManualException(
        "Versão do Manual informada: %s não é suportada. \rUtilize: 2.0.2a, 3.0, 4.0, 5.0, 5.0a ou 6.0", {s});
  return static_cast<TVersaoManual>(i);
}

std::string VersaoManualSubdir(TVersaoManual v) {
  return At(kManualDir, static_cast<int>(v));
}

std::string VersaoEsquemaToStr(TVersaoEsquema v) {
  return At(kEsquemaText, static_cast<int>(v));
}

TVersaoEsquema StrToVersaoEsquema(std::string_view s) {
  int i = IndexExact(kEsquemaText, s);
  if (i < 0)
    throw EvxnNFeVersaoManualException(
        "Versão de Esquema informado: %s não é suportada. \rUtilize: pl_005a, pl_005b, pl_005c, pl_005d, "
        "pl_005fpl_006e, pl_006f, pl_006g, pl_006i, pl_006j, pl_006m,pl_006n, pl_006p, pl_006q, pl_006r, "
        "pl_006s, pl_006v,pl_008a, pl_008b, pl_008c, pl_008d, pl_008e, pl_008f,pl_008g, pl_008h, pl_008i, "
        "pl_008i1, pl_008i2, pl_009, pl_009g, pl_009p, pl_010",
        {s});
  return static_cast<TVersaoEsquema>(i);
}

TVersaoManual GetVersaoManualDoEsquema(TVersaoEsquema v) {
  int o = static_cast<int>(v);
  if (o >= 0 && o <= 4)
    return vm30;
  if (o >= 5 && o <= 9)
    return vm40;
  if (o >= 10 && o <= 18)
    return vm50;
  if (o >= 19 && o <= 29)
    return vm50a;
  if (o >= 30 && o <= 33)
    return vm60;
  throw EvxnNFeVersaoManualException(
      "A Versão de Esquema não está referenciada a nenhuma versão de Manual de Integração.");
}

std::string ModoOperacaoToString(TModoOperacao m) {
  return At(kModoText, static_cast<int>(m));
}

TModoOperacao StrToModoOperacao(std::string_view s) {
  int i = IndexExact(kModoText, AsciiUpper(s));
  if (i < 0)
    throw EvxnNFeModoOperacaoException(
        "Modo Operação informado: %s não é suportado. \rUtilize: Normal, EPEC, SVCAN ou SVCRS", {s});
  return static_cast<TModoOperacao>(i);
}

TNSUKind StrToTipoConsulta(std::string_view s) {
  int i = IndexExact(kNSUText, AsciiUpper(s));
  if (i < 0)
    throw EvxnTipoConsultaException(
        "Tipo Consulta informado %s não é suportado. \rUtilize: Ultimo, Especifico, Chave", {s});
  return static_cast<TNSUKind>(i);
}

std::string TipoConsultaToStr(TNSUKind k) {
  return At(kNSUText, static_cast<int>(k));
}

std::string TipoCertificadoToString(TCertificadoKind k) {
  return At(kCertText, static_cast<int>(k));
}

TCertificadoKind StrToTipoCertificado(std::string_view s) {
  int i = IndexText(kCertText, s);
  return i < 0 ? ckFile : static_cast<TCertificadoKind>(i);
}

std::string TipoCertificadoToRepositorio(TCertificadoKind k) {
  return At(kCertRepo, static_cast<int>(k));
}

std::string ImprimirFrenteVersoToStr(TImprimirFrenteVersoKind k) {
  std::string s = At(kFrenteVersoText, static_cast<int>(k));
  return s.empty() ? std::string(kFrenteVersoText[0]) : s;
}

TImprimirFrenteVersoKind StrToImprimirFrenteVerso(std::string_view s) {
  int i = IndexText(kFrenteVersoText, s);
  return i < 0 ? fvDesabilitado : static_cast<TImprimirFrenteVersoKind>(i);
}

std::string GetTipoAmbiente(TAmbienteKind a) {
  return a == akProducao ? "1" : "2";
}

std::string LogFilterMask(TLogFilter f) {
  return At(kLogMask, static_cast<int>(f));
}

void RemoveVersaoManualDoPath(std::string& path) {
  std::string upper = AsciiUpper(ToNativePath(path));
  for (std::string_view marker : {"/VM30", "/VM40", "/VM50", "/VM60"}) {
    std::size_t p = upper.find(marker);
    if (p != std::string::npos) {
      path = path.substr(0, p);
      break;
    }
  }
  if (!path.empty() && path.back() != '/' && path.back() != '\\' && DirectoryExists(path))
    path += '/';
}

TvxnStringList UFList() {
  TvxnStringList list;
  for (const auto& [uf, code] : kUFTable)
    list.Add(std::string(uf) + "=" + std::string(code));
  return list;
}

} // namespace vxn
