// Free functions of the NF-e utility unit: the access key (chave de acesso) and the other composed
// identifiers, the state code table lookups, the municipality-code and GTIN checks, and the plain-text
// extraction of values from NF-e XML.
//
// The text conversions of the layout version, schema version, operating mode and query kind belong to
// this unit as well; they live in vxnNFeType.h, which is included here so that users of this header get
// them too.
#pragma once

#include "vxnNFeType.h"

#include <string>
#include <string_view>

namespace vxn {

// The nine fields of an access key, as texts, in key order.
struct TvxnDecodeChaveNFe {
  std::string cUF;
  std::string AAMM;
  std::string CNPJ;
  std::string Modelo;
  std::string Serie;
  std::string nNF;
  std::string tpEmis; // empty for the layouts before 4.0, whose keys have no issue type
  std::string cNF;
  std::string cDV;

  bool operator==(const TvxnDecodeChaveNFe&) const = default;
};

// The error-log directory given to the exceptions raised by the functions below (empty: the program
// directory). It is a type of its own so that it can never be taken for one of the text arguments: the
// two forms of CalculaChave differ only in their number of texts.
struct TvxnLogDir {
  std::string_view path;
};

// A decimal integer that fits 64 bits, with an optional sign and nothing else (no blanks, no fraction):
// the test every numeric field of a key or identifier passes before it is composed.
bool TryStrToInt64(std::string_view s, long long& value);
bool IsInt64(std::string_view s);

// Modulus-11 check digit of a run of decimal digits: weights 2..9 repeating from the rightmost digit;
// 0 when the remainder is 0 or 1. The capital letters of an alphanumeric CNPJ count as their ASCII code
// minus 48 ("A" 17); any other character raises EvxnNFeCheckParams.
char CalculaDigitoModulo11(std::string_view digits, TvxnLogDir logDir = {});

// The 44-digit access key of layouts 4.0 and later, from the issue date ("YYYY-MM-DD" or
// "YYYY-MM-DDThh:mm:ss+hh:mm"), cUF, CNPJ or CPF of the issuer, Modelo, Serie, nNF, tpEmis and cNF.
// Every refusal reaches the caller as EvxnNFeCheckParams "Falha ao montar chave da NFe - Motivo: ...".
std::string CalculaChave(std::string_view dEmi, std::string_view cUF, std::string_view CNPJ,
                         std::string_view Modelo, std::string_view Serie, std::string_view nNF,
                         std::string_view tpEmis, std::string_view cNF, TvxnLogDir logDir = {});

// The access key of layouts 2.0.2a and 3.0: no issue type, a 9-digit cNF, the CNPJ used as given.
std::string CalculaChave(std::string_view dEmi, std::string_view cUF, std::string_view CNPJ,
                         std::string_view Modelo, std::string_view Serie, std::string_view nNF,
                         std::string_view cNF, TvxnLogDir logDir = {});

// Splits a 44-character key into its fields by position, as laid out for the given layout version. The
// characters themselves are not checked.
TvxnDecodeChaveNFe DecodeChave(std::string_view chave, TVersaoManual versao, TvxnLogDir logDir = {});

// True when the key's last character is the check digit that its other fields give.
bool ValidaAutenticidadeDV(std::string_view chave, TVersaoManual versao, TvxnLogDir logDir = {});

// The 36-digit data code printed on a DANFE issued in contingency: cUF, tpEmis, CNPJ/CPF, vNF (digits
// only), own-ICMS and ICMS-ST indicators ("1" or "2"), day of issue, and a modulus-11 check digit.
std::string CalculaDadosDaNFe(std::string_view cUF, std::string_view tpEmis, std::string_view CNPJ,
                              std::string_view vNF, std::string_view icmsProprio, std::string_view icmsST,
                              std::string_view diaEmissao, TvxnLogDir logDir = {});

// State code table lookups: UF abbreviation (any case) to cUF and cUF to UF; "" when unknown.
std::string GetCodeUF(std::string_view uf);
std::string GetUF(std::string_view cUF);

// True when a 7-digit municipality code carries its check digit (or is one of the codes the tax
// authorities accept with a digit that does not fit). A code that is not an integer raises
// EvxnNFeCheckParams.
bool ValidaCodigoMunicipio(std::string_view codigo, TvxnLogDir logDir = {});
// The check digit ("0".."9") of the first six digits of a municipality code (weights 1, 2, 1, 2, ...).
std::string CalcDigVerificadorCodMunicipio(std::string_view seisDigitos, TvxnLogDir logDir = {});

// GTIN (EAN-8, UPC-12, EAN-13, GTIN-14, 18-digit) check: the empty text is valid, zeros only are not.
bool ValidaEAN(std::string_view gtin);

// Plain-text extraction, first occurrence, "" when the opening text is absent.
std::string ObterNotaID(std::string_view xml);    // 44 characters after <infNFe Id="NFe
std::string ObterChaveNota(std::string_view xml); // 44 characters after <chNFe>
std::string ObterNumRecibo(std::string_view xml); // GetValueTag("nRec")
std::string ObterNumProt(std::string_view xml);   // 15 characters after <nProt>
std::string ObterTpAmb(std::string_view xml);     // 1 character after <tpAmb>
std::string ObtercStat(std::string_view xml);     // 3 characters after <cStat>

// The text between the first plain start tag <tag> and the first end tag </tag>, after dropping the
// NF-e namespace declaration from start tags. Without a plain start tag the text runs from character
// length(tag) + 1 of the whole text to the end tag (so an element whose start tag has attributes still
// yields a text that contains its children); without an end tag, or with the end tag first, "".
std::string GetValueTag(std::string_view tag, std::string_view xml);
// GetValueTag of the child inside GetValueTag of the parent.
std::string GetValueTagFilho(std::string_view pai, std::string_view filho, std::string_view xml);

} // namespace vxn
