// The CNPJ in both of its forms: the numeric one and the alphanumeric one issued since July 2026 (twelve
// characters of digits and capital letters, then two numeric check digits), and the access key whose
// CNPJ positions may hold those letters.
//
// Both check digits are modulus 11 over the characters' values, each value being the character's ASCII
// code minus 48 (0-9 keep their value, "A" is 17, "Z" is 42), with weights 2..9 from the right, starting
// over after 9. A numeric CNPJ gets the same digits as it always did.
#pragma once

#include <string>
#include <string_view>

namespace vxn {

// The value a character of a CNPJ or of an access key contributes to a modulus-11 sum: its ASCII code
// minus 48 for 0-9 and A-Z; -1 for anything else (lower-case letters included: the forms are capitals).
int ValorCaractereCnpj(char c);

// The modulus-11 check digit of `texto` (weights 2..9 from the right, 0 for a rest of 0 or 1), or -1 when a
// character has no value.
int DigitoModulo11Alfanumerico(std::string_view texto);

// Fourteen characters: twelve of 0-9/A-Z, then two digits. Says nothing of the check digits.
bool FormaCnpj(std::string_view cnpj);

// FormaCnpj, not fourteen equal characters, and both check digits right.
bool CnpjValido(std::string_view cnpj);

// The two check digits of the twelve characters of a CNPJ's root and order ("12ABC34501DE" -> "35"), or
// "" when `raiz` is not twelve characters of 0-9/A-Z.
std::string CalculaDigitosCnpj(std::string_view raiz);

// The form of an access key of layout 4.00: 44 characters, digits everywhere but the twelve characters of
// the CNPJ's root and order (positions 7 to 18), which may be capital letters.
bool FormaChaveAcesso(std::string_view chave);

// FormaChaveAcesso and its last digit the modulus-11 digit of the 43 before it.
bool ChaveAcessoConfere(std::string_view chave);

} // namespace vxn
