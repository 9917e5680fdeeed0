#include "analysis/take_prefetch.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"

namespace trellmark {
namespace {

using namespace wavetest;
using testing::ScratchDirectory;

// A take whose impulse (30000) sits at p and whose other values depend on
// seed, so that takes read into the wrong slot or out of turn differ.
Bytes take(int bits, std::int64_t p, int seed, std::int64_t values) {
    const int width = bits / 8;
    Bytes bytes = canonicalHeader(1, 44100, static_cast<std::uint16_t>(bits),
                                  static_cast<std::uint32_t>(values * width));
    for (std::int64_t k = 0; k < values; ++k) {
        const std::int64_t value = k == p ? 30000 : (k * 13 + seed * 101) % 2001 - 1000;
        appendLittleEndian(bytes, static_cast<std::uint64_t>(value), width);
    }
    return bytes;
}

void expectSameTake(const TakeReading& ahead, const TakeReading& direct) {
    EXPECT_EQ(ahead.held.file.path, direct.held.file.path);
    EXPECT_EQ(ahead.held.file.opened, direct.held.file.opened);
    EXPECT_EQ(ahead.held.file.fileSize, direct.held.file.fileSize);
    EXPECT_EQ(ahead.header.bitsPerSample, direct.header.bitsPerSample);
    EXPECT_EQ(ahead.header.sampleCount, direct.header.sampleCount);
    EXPECT_EQ(ahead.impulsePosition, direct.impulsePosition);
    EXPECT_EQ(ahead.impulseFound, direct.impulseFound);
    EXPECT_EQ(ahead.level, direct.level);
    EXPECT_EQ(ahead.window, direct.window);
    EXPECT_EQ(ahead.note, direct.note);
}

class TakePrefetchFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        parameters.impulseThreshold = 20000;
        parameters.analysisLength = 300;
        for (int k = 0; k < 7; ++k) {
            const std::string path = dir / ("take" + std::to_string(k) + ".wav");
            paths.push_back(path);
            // A missing file, one cut short and one without an impulse among
            // ordinary 16- and 24-bit takes, some with the impulse past the
            // first stretch searched.
            if (k == 2) continue;
            const std::int64_t p = k == 5 ? -1 : 70000 * (k % 2) + 100 * k;
            writeBytes(path, take(k % 3 == 0 ? 24 : 16, p, k, k == 4 ? 18000 : 110000));
        }
    }

    ScratchDirectory dir;
    std::vector<std::string> paths;
    AnalysisParameters parameters;
};

TEST_F(TakePrefetchFiles, GivesTheTakesOfReadingEachInTurn) {
    TakePrefetch prefetch(paths, parameters);
    TakeReader reader;
    TakeReading expected;
    std::vector<FileNote> notes;
    for (std::size_t k = 0; k < paths.size(); ++k) {
        SCOPED_TRACE(k);
        findTake(reader, paths[k], parameters, expected);
        loadWindow(expected, parameters);
        prefetch.startReading(k);
        TakeReading& found = prefetch.take(k);
        loadWindow(found, parameters);
        expectSameTake(found, expected);
        notes.push_back(expected.note);
    }
    EXPECT_EQ(notes, (std::vector<FileNote>{FileNote::none, FileNote::none, FileNote::cannotOpen,
                                            FileNote::none, FileNote::endsEarly,
                                            FileNote::noImpulse, FileNote::none}));
}

TEST_F(TakePrefetchFiles, ReadsATakeOnlyOnceItIsStarted) {
    // The file appears between the two: it is read after its start, not before.
    const std::string later = paths[1] + ".later";
    std::filesystem::rename(paths[1], later);
    TakePrefetch prefetch(paths, parameters);
    prefetch.startReading(0);
    EXPECT_TRUE(prefetch.take(0).held.file.opened);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::filesystem::rename(later, paths[1]);
    prefetch.startReading(1);
    EXPECT_TRUE(prefetch.take(1).held.file.opened);
}

TEST_F(TakePrefetchFiles, StopsWhenLeftEarly) {
    // Destroyed while a take is read, while the thread waits for a start, and
    // before anything was started: none may hang.
    {
        TakePrefetch prefetch(paths, parameters);
        prefetch.startReading(0);
        EXPECT_EQ(prefetch.take(0).held.file.path, paths[0]);
        prefetch.startReading(1);
    }
    {
        TakePrefetch prefetch(paths, parameters);
        prefetch.startReading(0);
        EXPECT_EQ(prefetch.take(0).held.file.path, paths[0]);
    }
    { TakePrefetch untouched(paths, parameters); }
}

}  // namespace
}  // namespace trellmark
