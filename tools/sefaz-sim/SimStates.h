// The sections the local server answers under: the 27 states, the national environment and the two
// contingency authorisers, with the state codes each one accepts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vxn::sim {

class TSimStates {
public:
  TSimStates();
  // Every section, in servers-file order: the states and "AN", then "SVCAN" and "SVCRS".
  const std::vector<std::string>& Sections() const { return sections_; }
  bool IsSection(std::string_view section) const;
  // The two-digit state code of a state or of "AN" (91); "" for the contingency sections.
  std::string CodeOf(std::string_view section) const;
  // Whether the section serves the state code (a contingency authoriser serves several states).
  bool Serves(std::string_view section, std::string_view cUF) const;
  // The cUF of a reply: a state answers with its own code; the national environment and the contingency
  // authorisers with the request's state code when it names a state, otherwise with the code of the
  // state that hosts them (53 for the federal ones, 43 for SVC-RS).
  std::string ReplyCode(std::string_view section, std::string_view requestCUF) const;
  // Whether the text is the abbreviation of a state ("SP"; not "AN").
  static bool IsState(std::string_view uf);
  // Whether the section is a contingency authoriser ("SVCAN", "SVCRS").
  static bool IsContingency(std::string_view section);
  // The state ("SP") of a two-digit state code; "" for an unknown code.
  static std::string UfOfCode(std::string_view cUF);

private:
  std::vector<std::string> sections_;
};

} // namespace vxn::sim
