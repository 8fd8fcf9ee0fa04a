// The published lists of the authority's rejection rules per manual version, read from the transcription
// in tests/rules/data/catalogo-regras.txt, for the tests that compare what the library registers (and
// what `nfe regras` prints) with them.
#pragma once

#include <string>
#include <vector>

namespace vxn::test {

struct RuleEntry {
  std::string className; // "TvxnNFeGB09_1_NT003_2012"
  std::string id;        // "GB09.1"
  std::string code;      // "228", a technical note's reference, or empty
  std::string field;     // "dhEmi_B09", or empty for "no field"
  std::string text;
  bool operator==(const RuleEntry&) const = default;
};

// The rules of "vm40", "vm50" or "vm50a" in registration order. An entry that gives only its class
// takes its data from the entry of the same class in the vm50a list.
std::vector<RuleEntry> PublishedRules(const std::string& versao);

} // namespace vxn::test
