// The clock of the checks that compare dates with the present moment.
#pragma once

#include <chrono>
#include <functional>

namespace vxn {

// The moment the business rules take as "now" (the authority's moment of receipt): the system clock
// unless the host or a test hands in another.
using TvxnRelogio = std::function<std::chrono::system_clock::time_point()>;

} // namespace vxn
