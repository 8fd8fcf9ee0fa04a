// The shared vocabulary: enumerations with their text forms in the configuration file and on the
// wire, their converters, and the state code table.
#pragma once

#include "vxnStringList.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace vxn {

// Layout version of the integration manual. Ordinals start at 0 in this order.
enum class TVersaoManual { vm202a, vm30, vm40, vm50, vm50a, vm60 };
using enum TVersaoManual;

// Version of the published schema package; the text of each value is its own name.
enum class TVersaoEsquema {
  pl_005a,
  pl_005b,
  pl_005c,
  pl_005d,
  pl_005f,
  pl_006e,
  pl_006f,
  pl_006g,
  pl_006i,
  pl_006j,
  pl_006m,
  pl_006n,
  pl_006p,
  pl_006q,
  pl_006r,
  pl_006s,
  pl_006t,
  pl_006u,
  pl_006v,
  pl_008a,
  pl_008b,
  pl_008c,
  pl_008d,
  pl_008e,
  pl_008f,
  pl_008g,
  pl_008h,
  pl_008i,
  pl_008i1,
  pl_008i2,
  pl_009,
  pl_009g,
  // The current 4.00 package (PL_009p): every group of nfe_v4.00.xsd as published today.
  pl_009p,
  // The tax reform package (PL_010): the 4.00 document with the IBS, CBS and selective tax (IS) groups
  // and the alphanumeric CNPJ.
  pl_010
};
using enum TVersaoEsquema;
inline constexpr int kVersaoEsquemaCount = 34;

enum class TModoOperacao { moNormal, moSVCAN, moSVCRS, moEPEC };
using enum TModoOperacao;

enum class TAmbienteKind { akProducao, akHomologacao };
using enum TAmbienteKind;

enum class TCertificadoKind { ckMemory, ckLocalMachine, ckFile, ckActiveDiretory, ckSmartCard };
using enum TCertificadoKind;

enum class TImprimirFrenteVersoKind { fvDesabilitado, fvVertical, fvHorizontal };
using enum TImprimirFrenteVersoKind;

enum class TNSUKind { nkUltimo, nkEspecifico, nkConsChNFe };
using enum TNSUKind;

enum class TLogFilter {
  lfXml,
  lfNFe,
  lfEnvLot,
  lfRec,
  lfPedRec,
  lfProRec,
  lfDen,
  lfPedCan,
  lfCan,
  lfPedInu,
  lfInu,
  lfPedSit,
  lfSit,
  lfPedSta,
  lfSta,
  lfCustom
};
using enum TLogFilter;

enum class TParamConsDPEC { pcChaveNFe, pcRegDpec };
using enum TParamConsDPEC;

enum class TLayoutConvKind { lkTXTDic, lkTXTDataSet, lkTXTRec };
using enum TLayoutConvKind;

enum class TTipoRegraKind { rkQuorvant, rkSefaz };
using enum TTipoRegraKind;

enum class TEntregaXML { exEmail };
using enum TEntregaXML;

enum class TTipoEmissao {
  teNormal,
  teContingencia,
  teSCAN,
  teDPEC,
  teFSDA,
  teSVCAN,
  teSVCRS,
  teSVCSP,
  teOffLine
};
using enum TTipoEmissao;

// Layout version <-> text ("2.0.2a", "3.0", "4.0", "5.0", "5.0a", "6.0"); the match is exact and
// case-sensitive. Unknown text: EvxnNFeVersaoManualException.
std::string VersaoManualToStr(TVersaoManual v);
TVersaoManual StrToVersaoManual(std::string_view s);
// Template and schema subdirectory of a layout version, with its trailing "/" ("vm30/" ... "vm60/").
std::string VersaoManualSubdir(TVersaoManual v);

std::string VersaoEsquemaToStr(TVersaoEsquema v);
TVersaoEsquema StrToVersaoEsquema(std::string_view s);
// The layout version a schema version belongs to; a value outside the table fails.
TVersaoManual GetVersaoManualDoEsquema(TVersaoEsquema v);

std::string ModoOperacaoToString(TModoOperacao m);
TModoOperacao StrToModoOperacao(std::string_view s);

TNSUKind StrToTipoConsulta(std::string_view s);
std::string TipoConsultaToStr(TNSUKind k);

std::string TipoCertificadoToString(TCertificadoKind k);
// Never fails: any unknown text, the empty text included, gives ckFile.
TCertificadoKind StrToTipoCertificado(std::string_view s);
// The text written to the INI key "Repositorio" ("MEMORY_STORE", ..., "CURRENT_USER_STORE" for ckFile).
std::string TipoCertificadoToRepositorio(TCertificadoKind k);

std::string ImprimirFrenteVersoToStr(TImprimirFrenteVersoKind k);
// Never fails: any unknown text gives fvDesabilitado.
TImprimirFrenteVersoKind StrToImprimirFrenteVerso(std::string_view s);

// "1" for akProducao, "2" for akHomologacao.
std::string GetTipoAmbiente(TAmbienteKind a);

// File mask of a log filter ("*-nfe.xml"); lfCustom has no fixed mask and gives "".
std::string LogFilterMask(TLogFilter f);

// Cuts a path at the first of "/VM30", "/VM40", "/VM50", "/VM60" (looked for in that order, without
// regard to case; "\" counts as "/"), then adds a trailing "/" when the result is an existing folder.
void RemoveVersaoManualDoPath(std::string& path);

// The state code table: UF abbreviation to the two-digit cUF, 27 states and "AN" (91), in this order.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 28> kUFTable{{
    {"AC", "12"}, {"AL", "27"}, {"AP", "16"}, {"AM", "13"}, {"BA", "29"}, {"CE", "23"}, {"DF", "53"},
    {"ES", "32"}, {"GO", "52"}, {"MA", "21"}, {"MT", "51"}, {"MS", "50"}, {"MG", "31"}, {"PA", "15"},
    {"PB", "25"}, {"PR", "41"}, {"PE", "26"}, {"PI", "22"}, {"RJ", "33"}, {"RN", "24"}, {"RS", "43"},
    {"RO", "11"}, {"RR", "14"}, {"SC", "42"}, {"SP", "35"}, {"SE", "28"}, {"TO", "17"}, {"AN", "91"},
}};

// The table as name=value rows, as components hold it.
TvxnStringList UFList();

} // namespace vxn
