// A whole analysis of two small sets made from the input (format in
// support/take_files.hpp), then its verdict and every written output. The
// takes are read back the plain way (tests/support/fixed_offset_reading.hpp) to check
// what the analysis found in each: impulse, level, analysis window and the
// per-index means; the comparison and the verdict must keep their stated
// shapes, and the outputs are checked in support/run_output_checks.hpp.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/critical_values.hpp"
#include "analysis/file_set.hpp"
#include "analysis/impulse_level.hpp"
#include "analysis/run_results.hpp"
#include "analysis/set_comparison.hpp"
#include "analysis/set_statistics.hpp"
#include "analysis/window_accumulator.hpp"
#include "support/fixed_offset_reading.hpp"
#include "support/fuzz_check.hpp"
#include "support/no_events.hpp"
#include "support/run_output_checks.hpp"
#include "support/scratch_directory.hpp"
#include "support/take_files.hpp"
#include "verdict/run_verdict.hpp"
#include "verdict/verdict_budget.hpp"

namespace trellmark::fuzz {
namespace {

constexpr std::size_t mostTakes = 3;

const testing::ScratchDirectory& scratch() {
    static const testing::ScratchDirectory directory;
    static const bool made = [] {
        for (const char* folder : {"reference", "comparison", "out"}) {
            std::filesystem::create_directory(directory / folder);
        }
        return true;
    }();
    FUZZ_CHECK(made);
    return directory;
}

// The set's takes as take1.wav ... in its folder, and no others.
void writeTakes(const std::string& folder, const std::vector<std::string>& takes) {
    for (std::size_t i = 0; i < mostTakes; ++i) {
        const std::string name = folder + "/take" + std::to_string(i + 1) + ".wav";
        std::remove((scratch() / name).c_str());
        if (i < takes.size()) scratch().writeFile(name, takes[i]);
    }
}

// What the analysis must have found in one take.
struct ExpectedTake {
    std::optional<std::int64_t> impulse;
    double level = 0;
    std::vector<std::int32_t> window;  // analysisLength values as stored
};

ExpectedTake expectTake(const std::string& image, const AnalysisParameters& parameters) {
    using namespace testing;
    const FixedOffsetHeader header = fixedOffsetHeader(image);
    ExpectedTake take;
    const std::int64_t stored = fixedOffsetValuesInFile(image, header);
    if (fixedOffsetWidth(header.bitsPerSample) != 0) {
        for (std::int64_t j = 0; j < stored && !take.impulse; ++j) {
            if (fixedOffsetValue(image, header, j) > parameters.impulseThreshold) take.impulse = j;
        }
        // Values promised past the end of the data are zeros, above a negative threshold.
        if (!take.impulse && parameters.impulseThreshold < 0 && stored < header.sampleCount) {
            take.impulse = stored;
        }
    }
    const std::int64_t p = take.impulse.value_or(header.sampleCount);
    double sumOfSquares = 0;
    for (std::int64_t j = p + levelWindowSkip + 1; j <= p + levelWindowSkip + levelWindowLength;
         ++j) {
        const double value = fixedOffsetValue(image, header, j);
        sumOfSquares += value * value;
    }
    take.level = std::sqrt(sumOfSquares / static_cast<double>(levelWindowLength));
    for (std::int32_t j = 0; j < parameters.analysisLength; ++j) {
        take.window.push_back(fixedOffsetValue(image, header, p + parameters.startOffset + j));
    }
    return take;
}

// Checks one set's readings and means; `scaled` holds its takes' scaled
// windows and moves past them.
void checkSet(const SetStatistics& statistics, const std::vector<std::string>& images,
              const AnalysisParameters& parameters, double referenceLevel,
              const std::int64_t*& scaled) {
    const auto takes = static_cast<std::int16_t>(images.size());
    const auto length = static_cast<std::size_t>(std::max(parameters.analysisLength, 0));
    FUZZ_CHECK(statistics.fileCount == takes);
    FUZZ_CHECK(statistics.files.size() == images.size() &&
               statistics.levels.size() == images.size());
    FUZZ_CHECK(statistics.mean.size() == length && statistics.stdDev.size() == length);
    std::vector<double> mean(length, 0.0);
    for (std::size_t i = 0; i < images.size(); ++i) {
        const ExpectedTake take = expectTake(images[i], parameters);
        const FileReading& reading = statistics.files[i];
        FUZZ_CHECK(reading.impulse == take.impulse);
        FUZZ_CHECK(statistics.levels[i] == take.level);
        FUZZ_CHECK((reading.note == FileNote::shorterThanHeader) == (images[i].size() < 44));
        for (std::size_t j = 0; j < length; ++j) {
            const std::int64_t value = scaleToReference(take.window[j], referenceLevel, take.level);
            FUZZ_CHECK(scaled[j] == value);
            mean[j] += static_cast<double>(value) / takes;
        }
        scaled += length;
    }
    for (std::size_t j = 0; j < length; ++j) {
        FUZZ_CHECK(statistics.mean[j] == mean[j]);
        if (takes >= 2) FUZZ_CHECK(std::isfinite(statistics.stdDev[j]));
    }
}

void checkComparison(const RunResults& run) {
    const ComparisonResult& result = run.result;
    const auto length = static_cast<std::size_t>(std::max(run.parameters.analysisLength, 0));
    FUZZ_CHECK(result.differenceSignal.size() == length);
    const bool tested =
        run.referenceStatistics.fileCount >= 2 && run.comparisonStatistics.fileCount >= 2;
    FUZZ_CHECK(result.t.size() == (tested ? length : 0));
    FUZZ_CHECK(result.degreesOfFreedom.size() == result.t.size());
    std::int32_t significant = 0;
    double largest = 0;
    double accumulated = 0;
    for (std::size_t j = 0; j < length; ++j) {
        if (!significantAt(result, j)) {
            FUZZ_CHECK(result.differenceSignal[j] == 0);
            continue;
        }
        FUZZ_CHECK(tested);
        const double difference =
            run.referenceStatistics.mean[j] - run.comparisonStatistics.mean[j];
        FUZZ_CHECK(result.differenceSignal[j] == difference);
        ++significant;
        largest = std::max(largest, std::fabs(difference));
        accumulated += std::fabs(difference);
    }
    FUZZ_CHECK(result.significantCount == significant);
    FUZZ_CHECK(result.largestDifference == largest);
    FUZZ_CHECK(result.accumulatedDifference == accumulated);
}

void checkVerdict(const Verdict& verdict, const RunResults& run,
                  const PermutationOptions& options) {
    const auto length = static_cast<std::size_t>(std::max(run.parameters.analysisLength, 0));
    FUZZ_CHECK(verdict.p.size() == length && verdict.fdrKept.size() == length);
    FUZZ_CHECK(verdict.clusterOf.size() == length);
    for (const double p : verdict.p) FUZZ_CHECK(std::isnan(p) || (p >= 0 && p <= 1));
    std::int64_t kept = 0;
    for (const std::uint8_t k : verdict.fdrKept) kept += k != 0 ? 1 : 0;
    FUZZ_CHECK(verdict.fdrCount == kept);
    FUZZ_CHECK(verdict.permutations >= 0 && verdict.permutations <= options.permutations);

    std::int64_t after = -1;  // clusters come in index order and do not overlap
    for (std::size_t k = 0; k < verdict.clusters.size(); ++k) {
        const ClusterVerdict& cluster = verdict.clusters[k];
        FUZZ_CHECK(cluster.first > after && cluster.first <= cluster.last);
        FUZZ_CHECK(cluster.last < static_cast<std::int64_t>(length));
        FUZZ_CHECK(cluster.size == cluster.last - cluster.first + 1);
        for (std::int64_t j = cluster.first; j <= cluster.last; ++j) {
            const auto index = static_cast<std::size_t>(j);
            FUZZ_CHECK(significantAt(run.result, index));
            FUZZ_CHECK(verdict.clusterOf[index] == static_cast<std::int32_t>(k + 1));
        }
        after = cluster.last;
        if (verdict.permutations > 0) {
            FUZZ_CHECK(cluster.p > 0 && cluster.p <= 1);
            FUZZ_CHECK(cluster.pLow <= cluster.p && cluster.p <= cluster.pHigh);
        } else {
            FUZZ_CHECK(std::isnan(cluster.p));
        }
    }
    std::size_t inClusters = 0;
    for (const std::int32_t number : verdict.clusterOf) inClusters += number != 0 ? 1 : 0;
    std::size_t spanned = 0;
    for (const ClusterVerdict& cluster : verdict.clusters) {
        spanned += static_cast<std::size_t>(cluster.size);
    }
    FUZZ_CHECK(inClusters == spanned);

    if (verdict.outcome == VerdictOutcome::cannotTell) FUZZ_CHECK(!verdict.reason.empty());
    if (verdict.outcome == VerdictOutcome::differ) {
        bool below = false;
        for (const ClusterVerdict& cluster : verdict.clusters) below |= cluster.p < verdict.alpha;
        FUZZ_CHECK(below);
    }
}

// Both sets read and compared as a run does, keeping every take's scaled
// window whatever the verdict would need.
RunResults analyseKeepingWindows(const FileSet& reference, const FileSet& comparison,
                                 const AnalysisParameters& parameters,
                                 std::vector<std::int64_t>& windows) {
    RunResults run;
    run.parameters = parameters;
    run.referenceFiles = reference;
    run.comparisonFiles = comparison;
    run.referenceStatistics =
        computeSetStatistics(reference, parameters, std::nullopt, noEvents(), &windows);
    run.comparisonStatistics = computeSetStatistics(
        comparison, parameters, referenceLevelOf(run.referenceStatistics), noEvents(), &windows);
    run.scaleFile = scaleFileOf(run.referenceStatistics, run.comparisonStatistics);
    run.result =
        compareMeans(run.referenceStatistics, run.comparisonStatistics, parameters.analysisLength,
                     parameters.confidenceLevel.test(), buildCriticalValueTables());
    return run;
}

}  // namespace
}  // namespace trellmark::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trellmark;
    using namespace trellmark::fuzz;
    InputReader reader(data, size);
    const RunInput input = readRunInput(reader);
    const AnalysisParameters& parameters = input.parameters;
    const testing::ScratchDirectory& directory = scratch();
    writeTakes("reference", input.referenceTakes);
    writeTakes("comparison", input.comparisonTakes);

    const FileSet reference = findFileSet(directory / "reference", "take");
    const FileSet comparison = findFileSet(directory / "comparison", "take");
    FUZZ_CHECK(reference.names.size() == input.referenceTakes.size());
    FUZZ_CHECK(comparison.names.size() == input.comparisonTakes.size());

    std::vector<std::int64_t> windows;
    const RunResults run = analyseKeepingWindows(reference, comparison, parameters, windows);
    const auto length = static_cast<std::size_t>(std::max(parameters.analysisLength, 0));
    const std::size_t takes = input.referenceTakes.size() + input.comparisonTakes.size();
    FUZZ_CHECK(windows.size() == takes * length);

    const std::int64_t* scaled = windows.data();
    // Every take is scaled to the first reference take with a level; takes
    // without one scale to silence whatever the scale.
    double referenceLevel = 0;
    for (const double level : run.referenceStatistics.levels) {
        if (level > 0) {
            referenceLevel = level;
            break;
        }
    }
    checkSet(run.referenceStatistics, input.referenceTakes, parameters, referenceLevel, scaled);
    checkSet(run.comparisonStatistics, input.comparisonTakes, parameters, referenceLevel, scaled);
    checkComparison(run);

    // As a command-line run decides whether to test and what to keep.
    const int referenceTakes = run.referenceStatistics.fileCount;
    const int comparisonTakes = run.comparisonStatistics.fileCount;
    const std::string skip = permutationTestSkip(referenceTakes, comparisonTakes, parameters,
                                                 input.permutations, std::uint64_t{1} << 30);
    const bool keep = skip.empty() && permutationTestWanted(referenceTakes, comparisonTakes,
                                                            parameters, input.permutations);
    const Verdict verdict = verdictOfRun(
        run, keep ? std::span<const std::int64_t>(windows) : std::span<const std::int64_t>(),
        input.permutations, skip);
    checkVerdict(verdict, run, input.permutations);

    checkRunOutputs(run, verdict, directory / "out");
    return 0;
}
