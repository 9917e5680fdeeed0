// Time to analyse one set of long recordings, with the bytes read and the peak
// memory beside the size of the files: neither may grow with the recordings'
// length, since only the impulse's surroundings and the two windows are read.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "analysis/set_statistics.hpp"
#include "demo/recordings.hpp"
#include "process_counters.hpp"

namespace trellmark {
namespace {

constexpr int filesPerSet = 5;
constexpr std::int32_t sampleRate = 44100;

using bench::bytesReadSoFar;

double peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss);
}

struct WrittenSet {
    FileSet set;
    std::uint64_t totalBytes = 0;
};

// The recordings are made in a child process: building a long recording holds
// all of its samples, which must not count towards this process's peak memory.
WrittenSet writeSet(int minutes) {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("tm_bench_" + std::to_string(::getpid()) + "_" + std::to_string(minutes));
    std::filesystem::create_directories(directory);
    WrittenSet written;
    written.set.directory = directory.string();
    written.set.coreName = "take";
    for (int i = 1; i <= filesPerSet; ++i) {
        const std::string name = "take0" + std::to_string(i) + ".wav";
        written.set.names.push_back(name);
        written.set.paths.push_back((directory / name).string());
    }
    written.set.count = filesPerSet;

    const pid_t child = ::fork();
    if (child == 0) {
        for (int i = 0; i < filesPerSet; ++i) {
            demo::RecordingPlan recording;
            recording.sampleRate = sampleRate;
            recording.sampleCount = std::int64_t{minutes} * 60 * sampleRate;
            recording.impulsePosition = 22050 + 37 * i;
            recording.tones = {{1000.0, 0.25}, {3150.0, 0.05}};
            recording.gain = 1.0 + 0.01 * i;
            recording.noiseAmplitude = 4;
            recording.seed = 100 + i;
            if (!demo::writeRecording(written.set.paths[i], recording)) ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    for (const std::string& path : written.set.paths) {
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        if (!error) written.totalBytes += size;
    }
    return written;
}

void BM_ComputeSetStatistics(benchmark::State& state) {
    const int minutes = static_cast<int>(state.range(0));
    const WrittenSet written = writeSet(minutes);
    AnalysisParameters parameters;
    parameters.impulseThreshold = demo::demoImpulseThreshold;
    parameters.startOffset = fixedStartOffset;
    parameters.analysisLength = demo::demoAnalysisLength;
    parameters.confidenceLevel = 95;

    std::uint64_t bytesRead = 0;
    double largest = 0;
    for (auto _ : state) {
        AnalysisEvents silent;
        const std::uint64_t before = bytesReadSoFar();
        const SetStatistics statistics =
            computeSetStatistics(written.set, parameters, std::nullopt, silent);
        bytesRead = bytesReadSoFar() - before;
        largest = statistics.largestStdDev;
        benchmark::DoNotOptimize(statistics.stdDevSum);
    }
    state.counters["file_bytes"] = static_cast<double>(written.totalBytes);
    state.counters["bytes_read"] = static_cast<double>(bytesRead);
    state.counters["peak_rss_kb"] = peakResidentKilobytes();
    state.counters["largest_sd"] = largest;
    std::filesystem::remove_all(written.set.directory);
}

BENCHMARK(BM_ComputeSetStatistics)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace trellmark

BENCHMARK_MAIN();
