#include "pipeline/run_pipeline.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "report/run_lines.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"

namespace trellmark {
namespace {

using namespace wavetest;
using testing::ScratchDirectory;

// Writes down every event, so a test can check what a front end is told and
// when. A hook may act when a file is announced.
struct RecordingEvents : AnalysisEvents {
    void setStarted(const FileSet& set) override { log.push_back("set " + set.coreName); }
    void fileStarted(const FileSet& set, std::size_t index) override {
        log.push_back("file " + std::to_string(index) + " of " + std::to_string(set.count));
        if (onFileStarted) onFileStarted(set.paths[index]);
    }
    void fileNoted(const FileReading& file) override {
        log.push_back("note " + std::to_string(static_cast<int>(file.note)));
    }
    void setFinished(const SetStatistics& statistics, std::int16_t bitsPerSample) override {
        log.push_back("done " + std::to_string(statistics.fileCount) + " at " +
                      std::to_string(bitsPerSample) + " bit");
    }
    void comparisonStarted() override { log.push_back("comparing"); }
    void comparisonFinished(const ComparisonResult& result, std::int16_t bitsPerSample) override {
        log.push_back("compared " + std::to_string(result.significantCount) + " at " +
                      std::to_string(bitsPerSample) + " bit");
    }

    std::vector<std::string> log;
    std::function<void(const std::string&)> onFileStarted;
};

void writeTake(const std::string& path, int bits, int level, const std::vector<int>& window) {
    wavetest::writeTake(path, bits, 48000, 5, 30000, level, window);
}

FileSet setOf(const std::string& core, const std::vector<std::string>& paths) {
    FileSet set;
    set.coreName = core;
    set.count = static_cast<std::int16_t>(paths.size());
    set.paths = paths;
    set.names = paths;
    return set;
}

TEST(RunPipeline, RunsWithoutAConsoleAndTellsItsEventsInOrder) {
    ScratchDirectory dir;
    writeTake(dir / "r1.wav", 16, 100, {10, 20, 30});
    writeTake(dir / "r2.wav", 16, 100, {12, 20, 30});
    writeTake(dir / "c1.wav", 24, 50, {4, 10, 15});  // scaled by 2: {8, 20, 30}
    writeTake(dir / "c2.wav", 24, 50, {5, 10, 15});  // scaled by 2: {10, 20, 30}
    Bytes silent = canonicalHeader(1, 48000, 16, 4);
    append16(silent, {1, 1});
    writeBytes(dir / "c3.wav", silent);

    // c2 does not exist until it is announced: reading follows the event.
    RecordingEvents events;
    const std::string late = dir / "c2.wav";
    std::filesystem::rename(late, dir / "c2.later");
    events.onFileStarted = [&](const std::string& path) {
        if (path == late) std::filesystem::rename(dir / "c2.later", late);
    };

    RunRequest request;
    request.parameters.impulseThreshold = 1000;
    request.parameters.analysisLength = 3;
    request.parameters.confidenceLevel = 95;
    const RunResults run = analyseSets(request, setOf("r", {dir / "r1.wav", dir / "r2.wav"}),
                                       setOf("c", {dir / "c1.wav", late, dir / "c3.wav"}), events)
                               .run;

    EXPECT_EQ(events.log, (std::vector<std::string>{
                              "set r", "file 0 of 2", "file 1 of 2", "done 2 at 16 bit", "set c",
                              "file 0 of 3", "file 1 of 3", "file 2 of 3", "note 3",
                              "done 3 at 16 bit", "comparing", "compared 0 at 16 bit"}));
    // The record holds what each file was found to be.
    const std::vector<FileReading>& files = run.comparisonStatistics.files;
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, dir / "c1.wav");
    EXPECT_EQ(files[0].header.bitsPerSample, 24);
    EXPECT_EQ(files[0].header.sampleRate, 48000);
    EXPECT_EQ(files[0].header.sampleCount, 5 + 17640 + 3);
    EXPECT_EQ(files[0].fileSize, 44 + 3 * (5 + 17640 + 3));
    EXPECT_EQ(files[0].impulse, 5);
    EXPECT_EQ(files[0].note, FileNote::none);
    EXPECT_EQ(files[1].impulse, 5);  // read after it appeared
    EXPECT_EQ(files[2].impulse, std::nullopt);
    EXPECT_EQ(files[2].note, FileNote::noImpulse);
    EXPECT_EQ(run.comparisonStatistics.levels, (std::vector<double>{50, 50, 0}));
    EXPECT_EQ(run.comparisonStatistics.mean, (std::vector<double>{6, 40.0 / 3, 20}));
    EXPECT_EQ(run.referenceStatistics.mean, (std::vector<double>{11, 20, 30}));
    EXPECT_EQ(run.scaleFile.bitsPerSample, 16);
    EXPECT_EQ(run.result.differenceSignal.size(), 3u);
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

// A first reference take without a level cannot be the scale: the first one
// with a level is, so the figures are not all zeros.
TEST(RunPipeline, AFirstReferenceTakeWithoutALevelIsNotTheScale) {
    ScratchDirectory dir;
    Bytes silent = wavetest::canonicalHeader(1, 48000, 16, 4);
    wavetest::append16(silent, {1, 1});
    wavetest::writeBytes(dir / "r0.wav", silent);
    wavetest::writeTake(dir / "r1.wav", 24, 48000, 5, 30000, 100, {10, 20, 30});
    wavetest::writeTake(dir / "r2.wav", 16, 48000, 5, 30000, 50, {5, 10, 15});    // scaled by 2
    wavetest::writeTake(dir / "c1.wav", 16, 48000, 5, 30000, 200, {40, 40, 40});  // halved

    RunRequest request;
    request.parameters.impulseThreshold = 1000;
    request.parameters.analysisLength = 3;
    request.parameters.confidenceLevel = 95;
    AnalysisEvents silentEvents;
    const RunResults run =
        analyseSets(request, setOf("r", {dir / "r0.wav", dir / "r1.wav", dir / "r2.wav"}),
                    setOf("c", {dir / "c1.wav"}), silentEvents)
            .run;
    EXPECT_EQ(run.referenceStatistics.scaleTake, 1u);
    EXPECT_EQ(run.referenceStatistics.files[0].note, FileNote::noImpulse);
    // Its note says it is not the scale, beside what else is wrong with it.
    EXPECT_EQ(fileNoteSentences(run.referenceStatistics.files[0]),
              "No sample in this file is above the impulse threshold. Its level is 0, so the "
              "takes are not scaled to it.");
    EXPECT_EQ(fileNoteSentences(run.comparisonStatistics.files[0]), "");
    EXPECT_FALSE(run.referenceStatistics.files[1].setsNoScale);
    EXPECT_EQ(run.referenceStatistics.mean, (std::vector<double>{20.0 / 3, 40.0 / 3, 20}));
    EXPECT_EQ(run.comparisonStatistics.mean, (std::vector<double>{20, 20, 20}));
    // The figures count the steps of r1, the scale take: 24 bits.
    EXPECT_EQ(figureBitsOf(run), 24);
    EXPECT_EQ(run.scaleFile.bitsPerSample, 24);
}

}  // namespace
}  // namespace trellmark
