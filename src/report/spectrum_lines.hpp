#pragma once
// The spectrum's verdict as lines of text: what the screen and standard
// output show after the time domain's verdict lines, and the report's
// SPECTRUM section.

#include <cstdint>
#include <string>
#include <vector>

#include "report/output_target.hpp"
#include "report/verdict_lines.hpp"
#include "spectrum/run_spectrum.hpp"

namespace trellmark {

// "   Spectrum (4096-point, 20 segments, 10.8 Hz per bin):", the significant
// bins against those expected by chance, the clusters with p < 0.5, the
// spectrum's verdict and the run's, from both verdicts.
std::vector<VerdictLine> spectrumLines(const SpectrumResult& spectrum, const Verdict& time,
                                       ConfidenceLevel confidenceLevel);

// The lines with their figures at column 70, then two blank rows.
void writeSpectrumLines(LineTarget& out, const SpectrumResult& spectrum, const Verdict& time,
                        ConfidenceLevel confidenceLevel);

// The run's verdict in one line, "the sets differ", "the sets do not differ
// detectably" or "cannot tell".
std::string combinedSentence(const Verdict& time, const Verdict& spectrum);

// One row per bin after a header: bin, frequency_hz, the sets' mean and SD
// levels in dB, difference_db, t, significant (0 or 1), cluster (1-based, 0
// outside every cluster). False when the stream failed.
bool writeSpectrumCsv(std::FILE* stream, const SpectrumResult& spectrum);

}  // namespace trellmark
