// The parties of a document as the local server compares them: a CNPJ (14 digits) or a CPF (11), the
// company being the first eight digits of a CNPJ.
#pragma once

#include <string>
#include <string_view>

namespace vxn::sim {

// The CNPJ or CPF of a group of a signed NFe ("emit", "dest"); "" when it names none.
std::string PartyOf(const std::string& nfe, const char* group);
// Whether two identifiers name the same party (a CPF compared as the key writes it, padded to 14 digits).
bool SameParty(const std::string& a, const std::string& b);
// Whether two CNPJ belong to one company (branches share their first eight digits).
bool SameCompany(std::string_view a, std::string_view b);

} // namespace vxn::sim
