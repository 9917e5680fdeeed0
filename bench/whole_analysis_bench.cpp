// The whole analysis of two sets of 100 one-minute 24-bit takes, timed beside
// the plainest possible reading of the same input: one loop that preads
// exactly the bytes the analysis needs from each file (header, the values up to
// the impulse, the level window and the analysis window). Their ratio says how
// much the analysis costs over reading its input; the bytes the analysis read
// and its peak memory are counted as well. What the analysis must keep to:
// ratio at most 3, read_over_needed at most 1.5, peak_rss_MiB at most 32. On a
// machine busy with other work the ratio says little: both are slowed, the
// analysis, which runs on two threads, more so.
//
// The takes (about 1.6 GB) are written once per run into a scratch directory
// and removed afterwards. TRELLMARK_BENCH_TAKES names a directory to keep them
// in between runs instead; they are written there only when missing.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/impulse_level.hpp"
#include "demo/recordings.hpp"
#include "pipeline/run_pipeline.hpp"
#include "process_counters.hpp"
#include "wave/wave_format.hpp"

namespace trellmark {
namespace {

constexpr int takesPerSet = 100;
constexpr std::int32_t sampleRate = 44100;
constexpr std::int64_t takeSamples = 60 * sampleRate;
constexpr int bytesPerValue = 3;
constexpr std::int64_t firstImpulse = 57330;  // about 1.3 s in, as in the measured sets
constexpr std::int32_t threshold = 16000;
constexpr std::int32_t analysisLength = 44100;

std::int64_t impulseOf(bool comparison, int take) {
    // Takes start a little apart, as real ones do.
    return firstImpulse + (take * 37) % 61 - 30 + (comparison ? 11 : 0);
}

demo::RecordingPlan takePlan(bool comparison, int take) {
    demo::RecordingPlan plan;
    plan.sampleRate = sampleRate;
    plan.bitsPerSample = 24;
    plan.sampleCount = takeSamples;
    plan.impulsePosition = impulseOf(comparison, take);
    plan.tones = {{440, 0.25}, {1000, 0.2}, {6300, 0.08}};
    plan.gain = 1.0 + 0.002 * ((take * 7) % 11 - 5);
    plan.noiseAmplitude = 3;
    plan.seed = static_cast<std::uint64_t>((comparison ? 5000 : 1000) + take);
    if (comparison) plan.differences.push_back({{2500, 0.002}, 17640 + 11025, 17640 + 22050});
    return plan;
}

struct BenchTakes {
    std::filesystem::path directory;
    FileSet reference;
    FileSet comparison;
    // Per file, in the order the analysis reads them: where its needed ranges are.
    std::vector<std::string> paths;
    std::vector<std::int64_t> impulses;
};

FileSet takeSet(const std::filesystem::path& directory) {
    FileSet set;
    set.directory = directory.string();
    set.coreName = "take";
    for (int k = 0; k < takesPerSet; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "take%03d.wav", k + 1);
        set.names.emplace_back(name);
        set.paths.push_back((directory / name).string());
    }
    set.count = takesPerSet;
    return set;
}

bool complete(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return !error && size == waveformat::headerSize + takeSamples * bytesPerValue;
}

// Writes the missing takes in two child processes (one per core): building a
// take holds all of its samples, which must not count towards this process's
// peak memory.
bool writeMissingTakes(const BenchTakes& takes) {
    std::vector<std::pair<bool, int>> missing;
    for (int k = 0; k < takesPerSet; ++k) {
        if (!complete(takes.reference.paths[k])) missing.emplace_back(false, k);
        if (!complete(takes.comparison.paths[k])) missing.emplace_back(true, k);
    }
    std::vector<pid_t> children;
    for (int worker = 0; worker < 2; ++worker) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (std::size_t i = worker; i < missing.size(); i += 2) {
                const auto [comparison, k] = missing[i];
                const FileSet& set = comparison ? takes.comparison : takes.reference;
                if (!demo::writeRecording(set.paths[k], takePlan(comparison, k))) ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    bool ok = true;
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return ok;
}

// The scratch directory to remove when the process ends; empty for none.
std::filesystem::path takesToRemove;

void removeTakes() {
    std::error_code ignored;
    if (!takesToRemove.empty()) std::filesystem::remove_all(takesToRemove, ignored);
}

const BenchTakes& benchTakes() {
    static const BenchTakes takes = [] {
        BenchTakes made;
        if (const char* kept = std::getenv("TRELLMARK_BENCH_TAKES")) {
            made.directory = kept;
        } else {
            made.directory =
                std::filesystem::temp_directory_path() / ("tm_whole_" + std::to_string(::getpid()));
            takesToRemove = made.directory;
            std::atexit(removeTakes);
        }
        std::filesystem::create_directories(made.directory / "reference");
        std::filesystem::create_directories(made.directory / "comparison");
        made.reference = takeSet(made.directory / "reference");
        made.comparison = takeSet(made.directory / "comparison");
        if (!writeMissingTakes(made)) made.paths.clear();
        for (const bool comparison : {false, true}) {
            const FileSet& set = comparison ? made.comparison : made.reference;
            for (int k = 0; k < takesPerSet; ++k) {
                made.paths.push_back(set.paths[k]);
                made.impulses.push_back(impulseOf(comparison, k));
            }
        }
        return made;
    }();
    return takes;
}

// The byte ranges the analysis cannot do without, per file: the header and
// every value up to the impulse, the level window, the analysis window.
struct ByteRange {
    std::int64_t offset;
    std::int64_t size;
};

std::vector<ByteRange> neededRanges(std::int64_t impulse) {
    const auto at = [](std::int64_t index) {
        return static_cast<std::int64_t>(waveformat::headerSize) + index * bytesPerValue;
    };
    return {{0, at(impulse + 1)},
            {at(impulse + levelWindowSkip + 1), levelWindowLength * bytesPerValue},
            {at(impulse + fixedStartOffset), std::int64_t{analysisLength} * bytesPerValue}};
}

std::int64_t neededBytes(const BenchTakes& takes) {
    std::int64_t total = 0;
    for (const std::int64_t impulse : takes.impulses) {
        for (const ByteRange& range : neededRanges(impulse)) total += range.size;
    }
    return total;
}

// One pass of the plain reader; returns the bytes it got.
std::int64_t readNeededBytes(const BenchTakes& takes, std::vector<unsigned char>& buffer) {
    std::int64_t got = 0;
    for (std::size_t i = 0; i < takes.paths.size(); ++i) {
        const int fd = ::open(takes.paths[i].c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        for (const ByteRange& range : neededRanges(takes.impulses[i])) {
            // Grown once, never cleared again: the loop does nothing but read.
            if (buffer.size() < static_cast<std::size_t>(range.size)) buffer.resize(range.size);
            const ssize_t n = ::pread(fd, buffer.data(), range.size, range.offset);
            if (n > 0) got += n;
        }
        ::close(fd);
    }
    return got;
}

using bench::bytesReadSoFar;

// The peak resident size since the last reset, in KiB: writing 5 to
// clear_refs starts the count afresh, so earlier benchmarks do not count.
void resetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double peakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field) {
        if (field == "VmHWM:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

// User and system time of every thread of the process so far.
double processSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_WholeAnalysisAgainstReading(benchmark::State& state) {
    const BenchTakes& takes = benchTakes();
    if (takes.paths.empty()) {
        state.SkipWithError("the takes could not be written");
        return;
    }
    AnalysisParameters parameters;
    parameters.impulseThreshold = threshold;
    parameters.startOffset = fixedStartOffset;
    parameters.analysisLength = analysisLength;
    parameters.confidenceLevel = 95;

    std::vector<unsigned char> buffer;
    readNeededBytes(takes, buffer);  // warms the page cache for both
    resetPeakResident();
    double readSeconds = 0;
    double analysisSeconds = 0;
    double analysisProcessorSeconds = 0;
    std::uint64_t bytesRead = 0;
    std::int32_t significant = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(readNeededBytes(takes, buffer));
        readSeconds += secondsSince(start);
        const std::uint64_t before = bytesReadSoFar();
        state.ResumeTiming();

        start = std::chrono::steady_clock::now();
        const double processorStart = processSeconds();
        AnalysisEvents silent;
        RunRequest request;
        request.parameters = parameters;
        const RunResults run = analyseSets(request, takes.reference, takes.comparison, silent).run;
        analysisSeconds += secondsSince(start);
        analysisProcessorSeconds += processSeconds() - processorStart;

        state.PauseTiming();
        bytesRead = bytesReadSoFar() - before;
        significant = run.result.significantCount;
        state.ResumeTiming();
    }
    const double iterations = static_cast<double>(state.iterations());
    const double needed = static_cast<double>(neededBytes(takes));
    state.counters["read_ms"] = 1000 * readSeconds / iterations;
    state.counters["analysis_ms"] = 1000 * analysisSeconds / iterations;
    // All threads together: the work done, whatever the cores were busy with.
    state.counters["analysis_cpu_ms"] = 1000 * analysisProcessorSeconds / iterations;
    state.counters["ratio"] = analysisSeconds / readSeconds;
    state.counters["needed_MB"] = needed / 1e6;
    state.counters["read_over_needed"] = static_cast<double>(bytesRead) / needed;
    state.counters["peak_rss_MiB"] = peakResidentKilobytes() / 1024;
    state.counters["significant"] = significant;
}

BENCHMARK(BM_WholeAnalysisAgainstReading)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace trellmark
