#pragma once
// The per-index figures of a run as CSV (RFC 4180), for other programs.

#include <cstdio>

#include "analysis/run_results.hpp"

namespace trellmark {

// A header line, then one row per index of the analysis window:
// index,offset,reference_mean,reference_sd,comparison_mean,comparison_sd,
// difference,t,df,significant. `offset` is the start offset plus the index
// (samples after the impulse), `difference` the reference mean minus the
// comparison mean at every index, numbers with 17 significant digits so they
// read back exactly; t and df empty where no test was made, and every value
// that is not a number empty. Lines end in CR LF. False when a write failed.
bool writeCsvResults(std::FILE* stream, const RunResults& run);

}  // namespace trellmark
