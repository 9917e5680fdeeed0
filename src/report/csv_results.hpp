#pragma once
// The per-index figures of a run as CSV (RFC 4180), for other programs.

#include <cstdio>
#include <span>

#include "analysis/run_results.hpp"
#include "verdict/channel_verdicts.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// A header line, then one row per index of the analysis window:
// index,offset,reference_mean,reference_sd,comparison_mean,comparison_sd,
// difference,t,df,significant. `offset` is the start offset plus the index
// (samples after the impulse), `difference` the reference mean minus the
// comparison mean at every index, numbers with 17 significant digits so they
// read back exactly; t and df empty where no test was made, and every value
// that is not a number empty; t, df and significant are the index test's,
// which the screen's count keeps. With a verdict four more columns follow, all
// from the verdict's own t (exact sums, variances floored at 1/12 LSB^2):
// verdict_t, p (its exact p-value), fdr_significant (0 or 1) and cluster (the
// cluster's number, from 1, or empty). Lines end in CR LF. False when a write failed.
bool writeCsvResults(std::FILE* stream, const RunResults& run, const Verdict* verdict = nullptr);

// The same for a run over every channel: a first column `channel` (from 1),
// every channel's rows in turn with its part of the verdict, one header line.
bool writeChannelsCsv(std::FILE* stream, std::span<const ChannelRun> channels);

}  // namespace trellmark
