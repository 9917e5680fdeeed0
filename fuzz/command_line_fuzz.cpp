// The option parser on any argument vector: the input split at its NUL bytes,
// one argument each. It must never throw, and whatever it accepts must be
// within the documented ranges: a comparison's length from 1, start from 0,
// confidence 95 or 99, permutations up to 10^9, figure sides from 200 to 20000,
// a figure name of a known format, output files that are all different, "-"
// only for the JSON and CSV, and the comparison set defaulting to the
// reference set's directory and core.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "options/command_line.hpp"
#include "plot/figure_file.hpp"
#include "support/fuzz_check.hpp"

namespace trellmark::fuzz {
namespace {

constexpr std::size_t mostArguments = 64;

std::vector<std::string> splitArguments(std::string_view input) {
    std::vector<std::string> arguments;
    if (input.empty()) return arguments;
    std::size_t begin = 0;
    while (arguments.size() < mostArguments) {
        const std::size_t end = input.find('\0', begin);
        arguments.emplace_back(input.substr(begin, end - begin));
        if (end == std::string_view::npos) break;
        begin = end + 1;
    }
    return arguments;
}

bool mentions(const std::vector<std::string>& arguments, std::string_view option) {
    for (const std::string& argument : arguments) {
        if (argument.find(option) != std::string::npos) return true;
    }
    return false;
}

void checkVerdictAndFigure(const PermutationOptions& permutations, const std::string& plot,
                           const FigureSize& size) {
    FUZZ_CHECK(permutations.permutations >= 0 && permutations.permutations <= 1000000000);
    FUZZ_CHECK(permutations.statistic == ClusterStatistic::size ||
               permutations.statistic == ClusterStatistic::mass);
    FUZZ_CHECK(size.width >= smallestFigureSide && size.width <= largestFigureSide);
    FUZZ_CHECK(size.height >= smallestFigureSide && size.height <= largestFigureSide);
    FUZZ_CHECK(plot.empty() || figureFormatFor(plot).has_value());
}

void checkCompare(const CompareOptions& options, const std::vector<std::string>& arguments) {
    const AnalysisParameters& parameters = options.request.parameters;
    const OutputRequest& outputs = options.request.outputs;
    FUZZ_CHECK(parameters.analysisLength >= 1);
    FUZZ_CHECK(parameters.startOffset >= 0);
    FUZZ_CHECK(parameters.confidenceLevel == 95 || parameters.confidenceLevel == 99);
    checkVerdictAndFigure(options.request.verdict.permutations, outputs.plot, outputs.plotSize);

    const std::string* files[] = {
        &outputs.report,     &outputs.referenceMean, &outputs.comparisonMean,
        &outputs.difference, &outputs.json,          &outputs.csv,
        &outputs.plot};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        const bool streamable = files[i] == &outputs.json || files[i] == &outputs.csv;
        if (!streamable) FUZZ_CHECK(*files[i] != standardOutputName);
        for (std::size_t k = 0; k < i; ++k) {
            FUZZ_CHECK(files[i]->empty() || *files[i] != *files[k]);
        }
    }
    if (!mentions(arguments, "--comparison")) {
        FUZZ_CHECK(options.comparisonDirectory == options.referenceDirectory);
        FUZZ_CHECK(options.comparisonCore == options.referenceCore);
    }
}

void checkCommand(const Command& command, const std::vector<std::string>& arguments) {
    switch (command.kind) {
        case CommandKind::dialogue:
            checkVerdictAndFigure(command.dialogue.permutations, command.dialogue.plot,
                                  command.dialogue.plotSize);
            break;
        case CommandKind::help:
        case CommandKind::mistake:
            FUZZ_CHECK(!command.text.empty());
            break;
        case CommandKind::version:
            FUZZ_CHECK(command.text == std::string("trellmark ") + TRELLMARK_VERSION);
            break;
        case CommandKind::compare:
            checkCompare(command.compare, arguments);
            break;
    }
}

}  // namespace
}  // namespace trellmark::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trellmark;
    using namespace trellmark::fuzz;
    const std::vector<std::string> arguments =
        splitArguments(std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        const Command command = parseCommandLine(arguments);
        if (arguments.empty()) FUZZ_CHECK(command.kind == CommandKind::dialogue);
        checkCommand(command, arguments);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "parseCommandLine threw: %s\n", error.what());
        std::abort();
    } catch (...) {
        std::fprintf(stderr, "parseCommandLine threw something that is no std::exception\n");
        std::abort();
    }
    return 0;
}
