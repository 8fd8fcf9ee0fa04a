// Access keys for tests, completed by a check digit computed here (modulus 11, weights 2 to 9 from the
// right; 0 when the rest is 0 or 1), never by the library under test.
#pragma once

#include <string>

namespace vxn::test {

// The 43 digits followed by their check digit.
inline std::string WithCheckDigit(const std::string& first43) {
  int sum = 0;
  int weight = 2;
  for (auto it = first43.rbegin(); it != first43.rend(); ++it) {
    sum += (*it - '0') * weight;
    weight = weight == 9 ? 2 : weight + 1;
  }
  const int rest = sum % 11;
  return first43 + static_cast<char>(rest < 2 ? '0' : '0' + 11 - rest);
}

// A key of the test issuer (CNPJ 11222333000181, SP, December 2026), model 55, series 001, issued in
// DPEC contingency (tpEmis 4): the document number nNF (9 digits) and the code cNF (8 digits).
inline std::string DpecKey(const std::string& nNF, const std::string& cNF) {
  return WithCheckDigit("35"
                        "2612"
                        "11222333000181"
                        "55"
                        "001" +
                        nNF + "4" + cNF);
}

} // namespace vxn::test
