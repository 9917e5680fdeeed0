#pragma once
// The report page of a finished run: one HTML file that holds everything it
// shows (parameters, files, result lines, verdict, and charts of the whole
// window that zoom down to single samples), and works offline.

#include <span>
#include <string>

#include "analysis/run_results.hpp"
#include "io/write_result.hpp"
#include "spectrum/run_spectrum.hpp"
#include "verdict/channel_verdicts.hpp"
#include "verdict/verdict.hpp"

namespace trellmark {

// The page's text. `verdict` may be null: the page then has no clusters and no
// verdict sentence. The same run gives the same bytes.
std::string reportPageText(const RunResults& run, const Verdict* verdict,
                           const SpectrumResult* spectrum = nullptr);

// Writes the page to `path` as the figure is written: through a temporary file
// that takes the name only when complete, never over a recording the run read.
WriteResult writeReportPage(const RunResults& run, const Verdict* verdict, const std::string& path,
                            const SpectrumResult* spectrum = nullptr);

// The page of a run over every channel: the charts and cluster table of each
// channel in turn, all showing one view, and the one verdict across them
// (`across` may be null). REQUIRES: channels is not empty.
std::string channelsPageText(std::span<const ChannelRun> channels, const Verdict* across);

// Writes that page as writeReportPage writes its own.
WriteResult writeChannelsPage(std::span<const ChannelRun> channels, const Verdict* across,
                              const std::string& path);

// Text made safe inside HTML elements and quoted attributes: & < > " ' escaped.
std::string htmlEscaped(const std::string& text);

// The values as little-endian 32-bit floats, in base64 with padding.
std::string float32Base64(const std::vector<double>& values);

}  // namespace trellmark
