// What several rules of the catalogue share: tests of codes (access keys, municipalities, CFOP), the
// regions of the interstate ICMS rates, decimal texts, and the tables the rules read from the program's
// data folder (Regras/).
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vxn::regras {

bool EhUmDe(std::string_view valor, std::initializer_list<std::string_view> opcoes);
// True when the text begins with one of the characters of `iniciais`.
bool ComecaCom(std::string_view texto, std::string_view iniciais);
bool SoDigitos(std::string_view texto);

// 44 digits whose last one is the modulus-11 digit of the 43 before it.
bool ChaveComDVValido(std::string_view chave);
// A 7-digit municipality code with its check digit (or one the authorities accept without it).
bool MunicipioComDVValido(std::string_view codigo);
// The code's first two digits are the code of that state (abbreviation).
bool MunicipioDaUF(std::string_view codigo, std::string_view uf);
// A code with its check digit whose first two digits are the code of a state (the exterior 9999999 is
// not a municipality).
bool MunicipioPlausivel(std::string_view codigo);

// A CFOP of a return of goods (table cfop-devolucao.txt).
bool CfopDeDevolucao(std::string_view cfop);
// A CFOP of fuel and lubricants (x651 to x667).
bool CfopDeCombustivel(std::string_view cfop);

// The states of the South and South-East except Espírito Santo: an interstate sale from them to the
// other states is taxed at 7 %, every other interstate sale of national goods at 12 %.
bool UFSulSudesteSemES(std::string_view uf);
// The interstate ICMS rate of national goods from one state to another (7 or 12).
double AliquotaInterestadual(std::string_view ufOrigem, std::string_view ufDestino);
// The origin codes of imported goods and of goods with imported content (1, 2, 3, 8), taxed at 4 %.
bool OrigemImportada(std::string_view orig);

// The decimal text with the point as separator; empty counts as 0. Raises EvxnNFeRuleException for
// anything else.
double Decimal(std::string_view texto, std::string_view campo);

// The lines of the data file Regras/<nome> of the program directory without blanks around them,
// skipping empty lines and comments ("#"). A missing file raises EvxnNFeRuleException.
std::vector<std::string> LinhasDeDados(std::string_view nome);
// The "KEY=VALUE" lines of the data file.
std::map<std::string, std::string> ParesDeDados(std::string_view nome);

} // namespace vxn::regras
