#include "options/command_line.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

#include "options/whole_number.hpp"
#include "pipeline/output_writing.hpp"
#include "plot/figure_file.hpp"
#include "spectrum/welch_density.hpp"

namespace trellmark {
namespace {

constexpr std::int64_t int32Lowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t int32Highest = std::numeric_limits<std::int32_t>::max();

// The numbers arrive as text and are checked here, so that every mistake gets
// the same kind of message naming the option and the value.
struct NumberTexts {
    std::string threshold;
    std::string length;
    std::string start = std::to_string(fixedStartOffset);
    std::string confidence = "95";
    std::string permutations = "1000";
    std::string seed = "1";
    std::string clusterStatistic = "mass";
    std::string plotSize = "1600x1000";
    std::string channel;
    std::string fftSize = std::to_string(defaultFftSize);
    std::string align = "impulse";
    std::string scale = "level";
    std::string tolerance;
    std::string peakTolerance;
    bool startGiven = false;  // --start counts from the file's start without an impulse
};

void addSpectrumOptions(CLI::App& app, bool& spectrum, NumberTexts& numbers) {
    app.add_flag("--spectrum", spectrum,
                 "Also test the takes' spectra bin by bin (each verdict then at alpha/2)");
    app.add_option("--fft-size", numbers.fftSize,
                   "Samples per spectrum segment: a power of two, 64 to 65536 (default 4096)")
        ->type_name("N");
}

// The FFT size, when the spectrum is wanted; `length` the analysis window when
// it is known.
std::string checkFftSize(const NumberTexts& numbers, std::int64_t length, int& fftSize) {
    std::string problem;
    const auto size =
        wholeNumberOption("--fft-size", numbers.fftSize, smallestFftSize, largestFftSize, problem);
    if (!size) return problem;
    if (!validFftSize(*size)) return "--fft-size: '" + numbers.fftSize + "' is not a power of two";
    if (length > 0 && *size > length) {
        return "--fft-size: " + numbers.fftSize + " is longer than the " + std::to_string(length) +
               " samples of --length";
    }
    fftSize = static_cast<int>(*size);
    return {};
}

void addFigureOptions(CLI::App& app, std::string& plot, NumberTexts& numbers) {
    app.add_option("--plot", plot, "Draw a figure of the run into FILE (.png, .svg or .pdf)")
        ->type_name("FILE");
    app.add_option("--plot-size", numbers.plotSize,
                   "The figure's size in pixels (default 1600x1000)")
        ->type_name("WxH");
}

void addPermutationOptions(CLI::App& app, NumberTexts& numbers) {
    app.add_option("--permutations", numbers.permutations,
                   "Random splits of the cluster permutation test (default 1000; 0 skips it)")
        ->type_name("N");
    app.add_option("--seed", numbers.seed, "Seed of the random splits (default 1)")->type_name("S");
    app.add_option("--cluster-statistic", numbers.clusterStatistic,
                   "What makes a cluster strong: its mass (sum of t, default) or its size")
        ->type_name("size|mass");
}

// The verdict's and the figure's settings, shared by both kinds of run.
std::string checkVerdictAndFigure(const NumberTexts& numbers, const std::string& plot,
                                  PermutationOptions& permutations, FigureSize& size) {
    std::string problem;
    const auto count =
        wholeNumberOption("--permutations", numbers.permutations, 0, 1000000000, problem);
    if (!count) return problem;
    const auto seed = wholeNumberOption("--seed", numbers.seed, 0,
                                        std::numeric_limits<std::int64_t>::max(), problem);
    if (!seed) return problem;
    permutations.permutations = *count;
    permutations.seed = static_cast<std::uint64_t>(*seed);
    if (numbers.clusterStatistic != "size" && numbers.clusterStatistic != "mass") {
        return "--cluster-statistic: '" + numbers.clusterStatistic + "' is neither size nor mass";
    }
    permutations.statistic =
        numbers.clusterStatistic == "mass" ? ClusterStatistic::mass : ClusterStatistic::size;
    const std::optional<FigureSize> parsed = parseFigureSize(numbers.plotSize);
    if (!parsed) {
        return "--plot-size: '" + numbers.plotSize + "' is not WIDTHxHEIGHT with each side from " +
               std::to_string(smallestFigureSide) + " to " + std::to_string(largestFigureSide);
    }
    size = *parsed;
    if (!plot.empty() && !figureFormatFor(plot)) {
        return "--plot: '" + plot + "' does not end in .png, .svg or .pdf";
    }
    // Checked here, not after the whole analysis.
    if (!plot.empty() && figureFormatFor(plot) == FigureFormat::png &&
        static_cast<long long>(size.width) * size.height > largestPngPixels) {
        return "--plot-size: '" + numbers.plotSize +
               "' is more than a PNG figure may have (100 million pixels)";
    }
    return {};
}

// The files a comparison run can write besides the figure, in the order --help
// lists them.
struct OutputOption {
    const char* name;
    std::string OutputRequest::*file;
    const char* help;
    bool streamable;  // "-" means standard output
};
constexpr OutputOption outputOptions[] = {
    {"--report", &OutputRequest::report, "Write the analysis report (text) to FILE", false},
    {"--reference-mean", &OutputRequest::referenceMean,
     "Write the reference set's mean signal (wave) to FILE", false},
    {"--comparison-mean", &OutputRequest::comparisonMean,
     "Write the comparison set's mean signal (wave) to FILE", false},
    {"--difference", &OutputRequest::difference, "Write the difference signal (wave) to FILE",
     false},
    {"--json", &OutputRequest::json, "Write the results as JSON to FILE (- for stdout)", true},
    {"--csv", &OutputRequest::csv, "Write the per-sample figures as CSV to FILE (- for stdout)",
     true},
    {"--html", &OutputRequest::html,
     "Write the report page (HTML, with charts to zoom into) to FILE", false},
    {"--spectrum-csv", &OutputRequest::spectrumCsv,
     "With --spectrum: write the per-bin figures as CSV to FILE (- for stdout)", true},
};

void addCompareOptions(CLI::App& compare, CompareOptions& options, NumberTexts& numbers) {
    // An option given again overrides the earlier one, so a script can append
    // to a command it was handed.
    compare.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    compare
        .add_option("--reference", options.referenceDirectory,
                    "Directory of the reference recordings (required)")
        ->type_name("DIR");
    compare
        .add_option("--reference-core", options.referenceCore,
                    "Start of the reference file names (default: every .wav file)")
        ->type_name("NAME");
    compare
        .add_option("--comparison", options.comparisonDirectory,
                    "Directory of the comparison recordings (default: the reference one)")
        ->type_name("DIR");
    compare
        .add_option("--comparison-core", options.comparisonCore,
                    "Start of the comparison file names (default: the reference core)")
        ->type_name("NAME");
    compare
        .add_option("--threshold", numbers.threshold,
                    "Impulse threshold: the first sample above it is the impulse, in the steps "
                    "of each file or relative to full scale (-6dBFS, 50%) (required)")
        ->type_name("N");
    compare
        .add_option("--length", numbers.length,
                    "Samples analysed per recording, at least 1 (required)")
        ->type_name("N");
    compare
        .add_option("--start", numbers.start,
                    "Samples after the impulse where the analysis begins (default 17640)")
        ->type_name("N");
    compare
        .add_option("--align", numbers.align,
                    "impulse: every take from its first impulse (default); none: from its first "
                    "sample, for renders")
        ->type_name("impulse|none");
    compare
        .add_option("--scale", numbers.scale,
                    "level: every take scaled to the first reference take's level (default); "
                    "none: values as recorded, so a gain change is a difference")
        ->type_name("level|none");
    compare
        .add_option("--tolerance", numbers.tolerance,
                    "Largest RMS of the difference that passes, e.g. -100dBFS: the exit status "
                    "follows the tolerances")
        ->type_name("DBFS");
    compare
        .add_option("--peak-tolerance", numbers.peakTolerance,
                    "Largest peak of the difference that passes: N LSB of the first reference "
                    "take, or NdBFS")
        ->type_name("N");
    compare
        .add_option("--confidence", numbers.confidence, "Confidence level: 95 or 99 (default 95)")
        ->type_name("95|99");
    for (const OutputOption& output : outputOptions) {
        compare.add_option(output.name, options.request.outputs.*output.file, output.help)
            ->type_name("FILE");
    }
    addFigureOptions(compare, options.request.outputs.plot, numbers);
    addPermutationOptions(compare, numbers);
    compare
        .add_option("--channel", numbers.channel,
                    "The channel analysed in recordings of more than one (from 1), or all: "
                    "each channel in turn, with one verdict across them")
        ->type_name("N|all");
    compare.add_flag("--accept-notes", options.acceptNotes,
                     "Analyse noted takes (no impulse, another rate, ...) as the dialogue does "
                     "and accept files left out of a full set: exit by the verdict, not 2");
    addSpectrumOptions(compare, options.request.spectrum.wanted, numbers);
    compare.add_flag("-q,--quiet", options.quiet,
                     "Nothing on standard output but what a - output asks for");
    compare.footer(
        "Example:\n  trellmark compare --reference takes/v1 --comparison takes/v2 --reference-core "
        "take \\\n      --threshold 16000 --length 44100 --json result.json\n"
        "Exit status: 0 the run completed and the sets do not differ detectably, 1 the sets "
        "differ,\n2 a mistake in the options, a set without files, a verdict that cannot tell, an\n"
        "output (standard output too) that could not be written, or notes (a noted take,\n"
        "more than 1000 matching files) without --accept-notes.");
}

// Required options are checked after CLI11 has parsed everything, so that an
// unknown option is reported as such rather than as a missing one.
std::string missingOption(const CLI::App& compare) {
    // Renders have no impulse to find.
    const bool aligned = compare.get_option("--align")->as<std::string>() != "none";
    for (const char* name : {"--reference", "--threshold", "--length"}) {
        if (!aligned && std::string(name) != "--reference") continue;
        if (compare.get_option(name)->count() == 0) return std::string(name) + " is required";
    }
    return {};
}

// The dialogue's options given before `compare`, which has its own after it:
// never silently dropped.
std::string misplacedOption(const CLI::App& app) {
    for (const char* name : {"--verdict", "--plot", "--plot-size", "--html", "--permutations",
                             "--seed", "--cluster-statistic"}) {
        if (app.get_option(name)->count() == 0) continue;
        if (std::string(name) == "--verdict") {
            return "--verdict belongs to the dialogue: 'compare' always gives the verdict";
        }
        return std::string(name) + " belongs after 'compare'";
    }
    return {};
}

// Whether `text` ends in `suffix`, letter case aside.
bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    const std::string_view tail = text.substr(text.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

// A threshold relative to full scale, "-6dBFS" or "50%": the share of full
// scale above 0 and at most 1. Nothing for a plain number; `problem` says what
// is wrong with a relative one that cannot be.
std::optional<double> relativeThreshold(const std::string& text, std::string& problem) {
    const bool decibels = endsWithNoCase(text, "dBFS");
    const bool percent = !decibels && endsWithNoCase(text, "%");
    if (!decibels && !percent) return std::nullopt;
    const std::string number = text.substr(0, text.size() - (decibels ? 4 : 1));
    char* end = nullptr;
    const double value = number.empty() ? NAN : std::strtod(number.c_str(), &end);
    const double share = decibels ? std::pow(10.0, value / 20) : value / 100;
    if (number.empty() || end != number.c_str() + number.size() || !std::isfinite(share) ||
        share <= 0 || share > 1) {
        problem = "--threshold: '" + text + "' is not a level from above 0 to full scale (" +
                  (decibels ? "0dBFS" : "100%") + ")";
        return std::nullopt;
    }
    return share;
}

// A level in dBFS, "-100dBFS" or "-100": a decimal number, at most 0 for an
// RMS that a difference can stay below.
std::optional<double> dbfsOption(std::string_view option, const std::string& text,
                                 std::string& problem) {
    std::string number = text;
    const bool inDbfs = number.size() > 4 && number.ends_with("dBFS");
    if (inDbfs) number.resize(number.size() - 4);
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(number, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != number.size() || !std::isfinite(value)) {
        problem = std::string(option) + ": '" + text + "' is not a level such as -100dBFS";
        return std::nullopt;
    }
    return value;
}

// The ways a take is aligned and scaled, and the tolerances the exit status
// follows.
std::string checkRenderOptions(CompareOptions& options, const NumberTexts& numbers) {
    AnalysisParameters& parameters = options.request.parameters;
    if (numbers.align != "impulse" && numbers.align != "none") {
        return "--align: '" + numbers.align + "' is neither impulse nor none";
    }
    if (numbers.scale != "level" && numbers.scale != "none") {
        return "--scale: '" + numbers.scale + "' is neither level nor none";
    }
    parameters.alignOnImpulse = numbers.align == "impulse";
    parameters.scaleToLevel = numbers.scale == "level";
    std::string problem;
    if (!numbers.tolerance.empty()) {
        options.tolerance.rmsDbfs = dbfsOption("--tolerance", numbers.tolerance, problem);
        if (!options.tolerance.rmsDbfs) return problem;
    }
    if (!numbers.peakTolerance.empty()) {
        const std::string& text = numbers.peakTolerance;
        if (text.ends_with("dBFS")) {
            options.tolerance.peakDbfs = dbfsOption("--peak-tolerance", text, problem);
            if (!options.tolerance.peakDbfs) return problem;
        } else {
            const auto lsb = wholeNumberOption("--peak-tolerance", text, 0, int32Highest, problem);
            if (!lsb) return problem;
            options.tolerance.peakLsb = static_cast<double>(*lsb);
        }
    }
    return {};
}

// Checks what CLI11 cannot: the numbers, and outputs that would collide.
std::string checkCompareOptions(CompareOptions& options, const NumberTexts& numbers,
                                bool comparisonGiven, bool comparisonCoreGiven) {
    std::string problem = checkRenderOptions(options, numbers);
    if (!problem.empty()) return problem;
    AnalysisParameters& parameters = options.request.parameters;
    const bool aligned = parameters.alignOnImpulse;
    // Without an impulse the threshold is never used, the window counts from
    // the file's start and, unless given, spans the shortest take.
    const std::string thresholdText =
        aligned || !numbers.threshold.empty() ? numbers.threshold : "0";
    parameters.thresholdOfFullScale = relativeThreshold(thresholdText, problem);
    if (!problem.empty()) return problem;
    const auto threshold =
        parameters.thresholdOfFullScale
            ? std::optional<std::int64_t>(0)
            : wholeNumberOption("--threshold", thresholdText, int32Lowest, int32Highest, problem);
    if (!threshold) return problem;
    const std::string lengthText = aligned || !numbers.length.empty() ? numbers.length : "0";
    const auto length = wholeNumberOption("--length", lengthText, numbers.length.empty() ? 0 : 1,
                                          int32Highest, problem);
    if (!length) return problem;
    const std::string startText = aligned || numbers.startGiven ? numbers.start : "0";
    const auto start = wholeNumberOption("--start", startText, 0, int32Highest, problem);
    if (!start) return problem;
    const auto confidence =
        wholeNumberOption("--confidence", numbers.confidence, int32Lowest, int32Highest, problem);
    if (!confidence) return problem;
    if (*confidence != 95 && *confidence != 99) {
        return "--confidence: '" + numbers.confidence + "' is neither 95 nor 99";
    }
    parameters.impulseThreshold = static_cast<std::int32_t>(*threshold);
    parameters.analysisLength = static_cast<std::int32_t>(*length);
    parameters.startOffset = static_cast<std::int32_t>(*start);
    parameters.confidenceLevel = static_cast<std::int16_t>(*confidence);
    if (numbers.channel == "all") {
        options.everyChannel = true;
        parameters.channelChosen = true;
    } else if (!numbers.channel.empty()) {
        const auto channel = wholeNumberOption("--channel", numbers.channel, 1, 32767, problem);
        if (!channel) return problem;
        parameters.channel = static_cast<std::int16_t>(*channel - 1);
        parameters.channelChosen = true;
    }

    OutputRequest& outputs = options.request.outputs;
    VerdictRequest& verdict = options.request.verdict;
    verdict.wanted = true;
    verdict.reported = true;
    problem = checkVerdictAndFigure(numbers, outputs.plot, verdict.permutations, outputs.plotSize);
    if (!problem.empty()) return problem;
    SpectrumRequest& spectrum = options.request.spectrum;
    if (spectrum.wanted && options.everyChannel) {
        return "--spectrum: analyses one channel; give --channel N";
    }
    if (spectrum.wanted) {
        problem = checkFftSize(numbers, parameters.analysisLength, spectrum.fftSize);
        if (!problem.empty()) return problem;
    } else if (!outputs.spectrumCsv.empty()) {
        return "--spectrum-csv: needs --spectrum";
    }

    // The files of a set are looked for in its directory only: a core with a
    // "/" would match none of them, whatever is in the folder it names.
    for (const auto& [option, core] : {std::pair{"--reference-core", &options.referenceCore},
                                       std::pair{"--comparison-core", &options.comparisonCore}}) {
        if (core->find('/') != std::string::npos) {
            return std::string(option) + ": '" + *core +
                   "' holds a '/', but a core is the start of a file name: put its directory in " +
                   (option == std::string("--reference-core") ? "--reference" : "--comparison");
        }
    }
    if (!comparisonGiven) options.comparisonDirectory = options.referenceDirectory;
    if (!comparisonCoreGiven) options.comparisonCore = options.referenceCore;

    std::vector<std::pair<std::string, const std::string*>> files;
    for (const OutputOption& output : outputOptions) {
        const std::string& name = outputs.*output.file;
        if (name == standardOutputName && !output.streamable) {
            return std::string(output.name) +
                   ": '-' (standard output) is only for --json and --csv";
        }
        files.emplace_back(output.name, &name);
    }
    files.emplace_back("--plot", &outputs.plot);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto& [option, name] = files[i];
        if (*name == standardOutputName && option == "--plot") {
            return "--plot: '-' (standard output) is only for --json and --csv";
        }
        for (std::size_t k = 0; k < i; ++k) {
            if (!namesOneFile(*name, *files[k].second)) continue;
            if (*name == *files[k].second) {
                return files[k].first + " and " + option + " name the same file '" + *name + "'";
            }
            return files[k].first + " '" + *files[k].second + "' and " + option + " '" + *name +
                   "' name the same file";
        }
    }
    return {};
}

// CLI11 lists the unexpected arguments in the order it met them, which is
// the reverse of the command line's: they are found again among the reversed
// arguments and listed in the order the user gave them.
std::string extrasInOrder(const std::string& message, const std::vector<std::string>& reversed) {
    const std::size_t colon = message.find(": ");
    if (colon == std::string::npos) return message;
    std::string_view listed = std::string_view(message).substr(colon + 2);
    std::vector<std::string> found;
    for (const std::string& argument : reversed) {
        if (!listed.starts_with(argument)) continue;
        const std::string_view rest = listed.substr(argument.size());
        if (!rest.empty() && rest.front() != ' ') continue;
        found.push_back(argument);
        listed = rest.empty() ? rest : rest.substr(1);
    }
    if (!listed.empty() || found.empty()) return message;
    std::string text = message.substr(0, colon + 2);
    for (auto argument = found.rbegin(); argument != found.rend(); ++argument) {
        if (argument != found.rbegin()) text += ' ';
        text += *argument;
    }
    return text;
}

}  // namespace

bool CompareOptions::linesOnStandardOutput() const {
    const OutputRequest& outputs = request.outputs;
    return !quiet && outputs.json != standardOutputName && outputs.csv != standardOutputName &&
           outputs.spectrumCsv != standardOutputName;
}

Command parseCommandLine(std::span<const std::string> arguments) {
    Command command;
    if (arguments.empty()) return command;

    CLI::App app{
        "Trellmark tells whether two sets of recordings of one test signal differ.\n"
        "Without arguments it asks its questions in an interactive 120x50 dialogue.",
        "trellmark"};
    app.set_help_flag("-h,--help", "Print this help and exit");
    bool version = false;
    app.add_flag("-V,--version", version, "Print the version and exit");
    app.require_subcommand(0, 1);
    // The dialogue's own options; they mean nothing to `compare`, which has its own.
    NumberTexts dialogueNumbers;
    DialogueOptions& dialogue = command.dialogue;
    app.add_flag("--verdict", dialogue.verdict,
                 "Dialogue: show the verdict after the results and add it to the report");
    addFigureOptions(app, dialogue.plot, dialogueNumbers);
    app.add_option("--html", dialogue.html,
                   "Dialogue: also write the report page (HTML, with charts) to FILE")
        ->type_name("FILE");
    addPermutationOptions(app, dialogueNumbers);
    addSpectrumOptions(app, dialogue.spectrum, dialogueNumbers);
    CLI::App* compare =
        app.add_subcommand("compare", "Compare two sets of recordings without the dialogue");
    NumberTexts numbers;
    addCompareOptions(*compare, command.compare, numbers);

    // CLI11 takes the arguments last first, and uses them up.
    const std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        std::vector<std::string> taken = reversed;
        app.parse(taken);
    } catch (const CLI::CallForHelp&) {
        command.kind = CommandKind::help;
        command.text = app.help();
        return command;
    } catch (const CLI::ExtrasError& error) {
        command.kind = CommandKind::mistake;
        command.text = extrasInOrder(error.what(), reversed);
        return command;
    } catch (const CLI::ParseError& error) {
        command.kind = CommandKind::mistake;
        command.text = error.what();
        return command;
    }
    if (version) {
        command.kind = CommandKind::version;
        command.text = std::string("trellmark ") + TRELLMARK_VERSION;
        return command;
    }
    if (!compare->parsed()) {
        std::string problem = checkVerdictAndFigure(dialogueNumbers, dialogue.plot,
                                                    dialogue.permutations, dialogue.plotSize);
        if (problem.empty() && dialogue.spectrum) {
            problem = checkFftSize(dialogueNumbers, 0, dialogue.fftSize);
        }
        if (problem.empty() && namesOneFile(dialogue.html, dialogue.plot)) {
            problem = dialogue.html == dialogue.plot
                          ? "--plot and --html name the same file '" + dialogue.html + "'"
                          : "--plot '" + dialogue.plot + "' and --html '" + dialogue.html +
                                "' name the same file";
        }
        command.kind = problem.empty() ? CommandKind::dialogue : CommandKind::mistake;
        command.text = problem;
        return command;
    }
    std::string problem = misplacedOption(app);
    if (problem.empty()) problem = missingOption(*compare);
    numbers.startGiven = compare->get_option("--start")->count() > 0;
    if (problem.empty()) {
        problem = checkCompareOptions(command.compare, numbers,
                                      compare->get_option("--comparison")->count() > 0,
                                      compare->get_option("--comparison-core")->count() > 0);
    }
    if (!problem.empty()) {
        command.kind = CommandKind::mistake;
        command.text = problem;
        return command;
    }
    command.kind = CommandKind::compare;
    return command;
}

}  // namespace trellmark
