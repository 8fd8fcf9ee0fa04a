// Business rules: the rule frame, the corrective rules and the controller that runs a rule set over
// the current document of the input dataset.
#pragma once

#include "vxnControllerRulesNFe.h"
#include "vxnNFeRule.h"
#include "vxnNFeRulesQuorvant.h"
