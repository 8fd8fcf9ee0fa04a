// The system's own corrective rules, run before a document is stored: they tidy the recipient's
// identification and the document's control fields, and never fail.
#pragma once

#include "vxnNFeRule.h"

namespace vxn {

// A foreign recipient (UF "EX") has no CNPJ or CPF: CNPJ_E02 becomes empty and CPF_E03 "NULL".
class TvxnNFeQuorvant1 : public TvxnNFeRule {
public:
  TvxnNFeQuorvant1() : TvxnNFeRule("Quorvant1", "", "", "") {}
  void execute() override;
};

// A recipient with a CPF writes no CNPJ: CNPJ_E02 becomes "NULL".
class TvxnNFeQuorvant2 : public TvxnNFeRule {
public:
  TvxnNFeQuorvant2() : TvxnNFeRule("Quorvant2", "", "", "") {}
  void execute() override;
};

// An empty or zero cNF_B03 takes the document number nNF_B08.
class TvxnNFeQuorvant3 : public TvxnNFeRule {
public:
  TvxnNFeQuorvant3() : TvxnNFeRule("Quorvant3", "", "", "") {}
  void execute() override;
};

// An empty verProc_B27 becomes "1.0".
class TvxnNFeQuorvant4 : public TvxnNFeRule {
public:
  TvxnNFeQuorvant4() : TvxnNFeRule("Quorvant4", "", "", "") {}
  void execute() override;
};

} // namespace vxn
