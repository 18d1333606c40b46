// The memory probe: run in a fresh process, it opens the search window over a data set, lists
// every product and scrolls through them, then prints the resident memory before and at its peak.
#pragma once

#include <string>

namespace torvel::bench {

// Prints "baseline_kb=.. peak_kb=.. open_peak_kb=.. rows=.." and returns the exit status.
// `copiedRows` fills the list with copies of the rows, as the list did before it read them from
// the product table, for comparison.
int MemoryProbe(const std::string& dir, bool copiedRows);

} // namespace torvel::bench
