// Rules of the authorisation service that look at what a document says of its recipient and of its
// issue date, as the current technical rules have them.
#pragma once

#include "sefaz-sim/SimLotDocuments.h"

#include <chrono>

namespace vxn::sim {

// 805 when the recipient is said to be exempt from the state registration (indIEDest 2) in a state that
// does not accept it (AM, BA, CE, GO, MG, MS, MT, PA, PE, RN, SE, SP), in internal and interstate
// operations alike; not when an item has ICMS-ST (vICMSST above zero, or vICMSSTRet) or every item is
// exempt, immune or not taxed (CST 40 or 41, CSOSN 103, 300 or 400). 0 otherwise.
int CheckRecipientIe(const TSimLotDocument& document);

// The issue-date delay control of an NF-e (model 55), measured on `now`: up to 7 days 0 (authorised as
// usual), up to 30 days 150 (authorised late), beyond that 228 (refused), except in contingency (tpEmis
// 2, 4 or 5), which is authorised late. An NFC-e, or a date it cannot read, gives 0.
int IssueDateDelay(const TSimLotDocument& document, std::chrono::system_clock::time_point now);

// The issue type against the authoriser that receives the document (a section of the servers file): a
// state's own authoriser refuses the types of the contingency authorisers, 3, 6 and 7 (570); SVC-AN takes
// only 6 and SVC-RS only 7 (713). 0 otherwise.
int CheckIssueType(const TSimLotDocument& document, std::string_view section);

// The entry into contingency (dhCont, xJust, which the schema takes together): 556 when a document of
// normal issue (tpEmis 1) carries it, 557 when a document in contingency lacks it, 558 when the entry is
// later than the issue (dhEmi).
// 0 otherwise.
int CheckContingencyEntry(const TSimLotDocument& document);

} // namespace vxn::sim
