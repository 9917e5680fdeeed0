#pragma once
// What a run is asked to do, filled in by either front end: the analysis, the
// verdict and the outputs. The sets themselves are handed to the steps, since
// the dialogue asks for the comparison set only after the reference set is in.

#include <string>
#include <string_view>

#include "analysis/analysis_parameters.hpp"
#include "plot/figure_size.hpp"
#include "spectrum/welch_density.hpp"
#include "verdict/permutation_test.hpp"

namespace trellmark {

// Standard output, when given as the file of the JSON or CSV results.
constexpr std::string_view standardOutputName = "-";

// The outputs a run writes; an empty name asks for none.
struct OutputRequest {
    std::string report;
    std::string referenceMean;
    std::string comparisonMean;
    std::string difference;
    std::string csv;   // "-": standard output
    std::string plot;  // .png, .svg or .pdf
    FigureSize plotSize;
    std::string html;         // the report page
    std::string spectrumCsv;  // one row per frequency bin; "-": standard output
    std::string json;         // "-": standard output; written last, so that it tells of the others
};

struct VerdictRequest {
    bool wanted = false;    // computed at all: for its lines, or for a figure's clusters
    bool reported = false;  // its lines on the screen and its section in the report
    PermutationOptions permutations;
    // The channels one verdict judges together: the takes' windows of all of
    // them are held at once, and are kept only if all of them fit.
    int memoryChannels = 1;
};

// The spectrum's verdict beside the time domain's, each then at alpha / 2.
// It needs the verdict and its takes' windows.
struct SpectrumRequest {
    bool wanted = false;
    int fftSize = defaultFftSize;
};

struct RunRequest {
    AnalysisParameters parameters;
    VerdictRequest verdict;
    SpectrumRequest spectrum;
    OutputRequest outputs;
};

}  // namespace trellmark
