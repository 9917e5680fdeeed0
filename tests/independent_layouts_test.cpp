// Command-line runs over sets in every layout the reader takes, each checked
// by the independent analysis, which has libsndfile decode the same files: the
// report must be the one the values in the files give, and the planted
// difference must be found where it was put, on the channel asked for.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compare/compare_run.hpp"
#include "support/captured_streams.hpp"
#include "support/command_line_run.hpp"
#include "support/independent_analysis_run.hpp"
#include "support/scratch_directory.hpp"
#include "support/wave_bytes.hpp"

namespace trellmark {
namespace {

using namespace wavetest;
using testing::ScratchDirectory;

constexpr int takesPerSet = 5;
constexpr int windowLength = 240;
constexpr int plantBegin = 80, plantEnd = 140;     // channel 2, or the only one
constexpr int secondBegin = 170, secondEnd = 200;  // channel 1 of a stereo take
constexpr int thresholdDbfs = -12;                 // 0.2512 of full scale
constexpr std::uint32_t sampleRate = 44100;

// The values of one take, channel by channel, in the file's steps (floats
// times 2^23).
using Channels = std::vector<std::vector<double>>;

// A draw from -1 to 1, its own for every place it stands.
double noise(int set, int take, int channel, int index) {
    std::uint64_t h =
        (static_cast<std::uint64_t>(set) << 50) ^ (static_cast<std::uint64_t>(take) << 40) ^
        (static_cast<std::uint64_t>(channel) << 32) ^ static_cast<std::uint64_t>(index);
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
    h ^= h >> 31;
    return static_cast<double>(h >> 11) / 4503599627370496.0 - 1.0;
}

// Take `take` of set `set` (1 the comparison): its impulse at a place and its
// level its own; before the impulse a value equal to the threshold, passed
// over. The comparison's channel 2 (or only channel) is 0.15 of full scale
// higher over plantBegin..plantEnd of the window. Channel 1 of a stereo take
// is the same in both sets but for its own plant over secondBegin..secondEnd,
// so nothing else in it can differ.
Channels takeValues(int set, int take, int channels, double fullScale, bool integer) {
    const double threshold = std::floor(std::pow(10.0, thresholdDbfs / 20.0) * fullScale);
    Channels values(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        const bool planted = c == channels - 1;
        const int drawn = planted ? set : 0;  // which set's draws the channel holds
        const int at = 60 + 23 * take + 11 * drawn + 5 * c;
        const double gain = 0.8 + 0.07 * take + 0.03 * drawn;
        auto& channel = values[static_cast<std::size_t>(c)];
        channel.resize(static_cast<std::size_t>(60 + 23 * takesPerSet + 40 + 17640 + windowLength));
        for (int i = 0; i < static_cast<int>(channel.size()); ++i) {
            const int j = i - at - 17640;
            double share = 0.02 * noise(drawn, take, c, i);
            if (i > at && j < 0) share = 0.3 * std::sin(i * 0.1257) + share;
            if (j >= 0 && j < windowLength) {
                share = 0.2 * std::sin(j * 0.17) + 1.5 * share;
                const bool inPlant =
                    planted ? j >= plantBegin && j < plantEnd : j >= secondBegin && j < secondEnd;
                if (set == 1 && inPlant) share += 0.15;
            }
            double value = gain * share * fullScale;
            if (i == at) value = 0.9 * fullScale;
            if (i == at - 20) value = threshold;
            channel[static_cast<std::size_t>(i)] = integer ? std::round(value) : value;
        }
    }
    return values;
}

// The frames interleaved as a file stores them.
Bytes dataBytes(const Channels& values, int bits, bool floating) {
    Bytes data;
    for (std::size_t i = 0; i < values.front().size(); ++i) {
        for (const auto& channel : values) {
            if (floating) {
                appendFloat(data, bits, channel[i] / 8388608.0);
            } else {
                appendInteger(data, bits, static_cast<std::int64_t>(channel[i]));
            }
        }
    }
    return data;
}

Bytes chunkOf(const char* tag, std::size_t size) {
    Bytes bytes;
    appendChunk(bytes, tag, Bytes(size, 0x5A));
    return bytes;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Format {
    int bits;
    bool floating;
    int channels;
};

using Writer = std::function<void(const std::string&, const Channels&, const Format&)>;

// A RIFF file: `before`, the fmt chunk of `fmtSize` bytes, `between`, the
// data, `after`.
Writer riffWave(int fmtSize, Bytes before = {}, Bytes between = {}, Bytes after = {}) {
    return [=](const std::string& path, const Channels& values, const Format& format) {
        Bytes fmt, data;
        appendChunk(fmt, "fmt ",
                    formatBody(format.floating ? 3 : 1, static_cast<std::uint16_t>(format.channels),
                               sampleRate, static_cast<std::uint16_t>(format.bits), fmtSize));
        appendChunk(data, "data", dataBytes(values, format.bits, format.floating));
        writeBytes(path, riffFile(before + fmt + between + data + after));
    };
}

// RF64: the sizes in a ds64 chunk, their 32-bit fields all ones, a chunk after
// the data.
void rf64Wave(const std::string& path, const Channels& values, const Format& format) {
    const Bytes samples = dataBytes(values, format.bits, format.floating);
    Bytes ds64, fmt;
    appendLittleEndian(ds64, 0, 8);  // the RIFF size, filled in below
    appendLittleEndian(ds64, samples.size(), 8);
    appendLittleEndian(ds64, values.front().size(), 8);
    appendLittleEndian(ds64, 0, 4);
    appendChunk(fmt, "fmt ",
                formatBody(1, static_cast<std::uint16_t>(format.channels), sampleRate,
                           static_cast<std::uint16_t>(format.bits)));
    Bytes chunks;
    appendChunk(chunks, "ds64", ds64);
    chunks = chunks + fmt;
    appendTag(chunks, "data");
    appendLittleEndian(chunks, 0xFFFFFFFF, 4);
    Bytes file = riffFile(chunks + samples + chunkOf("LIST", 6), "RF64");
    const std::uint64_t riffSize = file.size() - 8;
    for (int i = 0; i < 8; ++i) file[20 + i] = static_cast<unsigned char>(riffSize >> (8 * i));
    for (int i = 4; i < 8; ++i) file[i] = 0xFF;
    writeBytes(path, file);
}

// A file libsndfile writes in one of its containers.
Writer soundFile(int container) {
    return [container](const std::string& path, const Channels& values, const Format& format) {
        SF_INFO info{};
        info.samplerate = static_cast<int>(sampleRate);
        info.channels = format.channels;
        info.format = container | (format.bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        std::vector<int> frames;
        for (std::size_t i = 0; i < values.front().size(); ++i) {
            for (const auto& channel : values) {
                const auto value =
                    static_cast<std::uint32_t>(static_cast<std::int32_t>(channel[i]));
                frames.push_back(static_cast<int>(value << (32 - format.bits)));
            }
        }
        const auto count = static_cast<sf_count_t>(values.front().size());
        EXPECT_EQ(sf_writef_int(file, frames.data(), count), count);
        sf_close(file);
    };
}

// How one set is written.
struct SetLayout {
    const char* extension;
    Format format;
    Writer write;
};

struct Layout {
    const char* name;
    SetLayout reference;
    int channel = 0;                           // the --channel given; 0 for none
    std::optional<SetLayout> comparison = {};  // when not as the reference
};

std::vector<Layout> layouts() {
    const SetLayout canonical16{".wav", {16, false, 1}, riffWave(16)};
    return {
        {"canonical 16-bit", canonical16},
        {"extensible 24-bit with a fact chunk",
         {".wav", {24, false, 1}, riffWave(40, {}, chunkOf("fact", 4))}},
        {"a LIST chunk before the data",
         {".wav", {16, false, 1}, riffWave(16, {}, chunkOf("LIST", 26))}},
        {"odd-sized chunks before fmt, before and after the data",
         {".wav",
          {24, false, 1},
          riffWave(18, chunkOf("bext", 5), chunkOf("JUNK", 3), chunkOf("id3 ", 7))}},
        {"8-bit unsigned", {".wav", {8, false, 1}, riffWave(16)}},
        {"32-bit integer", {".wav", {32, false, 1}, riffWave(16)}},
        {"float 32", {".wav", {32, true, 1}, riffWave(16)}},
        {"float 64, fmt of 18", {".wav", {64, true, 1}, riffWave(18)}},
        {"RF64", {".wav", {16, false, 1}, rf64Wave}},
        {"FLAC 24-bit", {".flac", {24, false, 1}, soundFile(SF_FORMAT_FLAC)}},
        {"AIFF 16-bit", {".aiff", {16, false, 1}, soundFile(SF_FORMAT_AIFF)}},
        {"stereo 16-bit, channel 2", {".wav", {16, false, 2}, riffWave(16)}, 2},
        {"stereo 16-bit, channel 1", {".wav", {16, false, 2}, riffWave(16)}, 1},
        {"extensible stereo float 32, channel 2", {".wav", {32, true, 2}, riffWave(40)}, 2},
        // Scaled across units: the figures and threshold in the 16-bit steps.
        {"16-bit reference, float 64 comparison", canonical16, 0,
         SetLayout{".wav", {64, true, 1}, riffWave(18)}},
    };
}

void writeSet(const std::string& directory, int set, const SetLayout& layout) {
    std::filesystem::create_directories(directory);
    const Format& format = layout.format;
    const double fullScale = format.floating ? 8388608.0 : std::ldexp(1.0, format.bits - 1);
    for (int take = 0; take < takesPerSet; ++take) {
        layout.write(directory + "/take" + std::to_string(take + 1) + layout.extension,
                     takeValues(set, take, format.channels, fullScale, !format.floating), format);
    }
}

// `trellmark compare` over the sets in `dir`, its report in `report`.
int runProgram(const ScratchDirectory& dir, const std::string& report, const std::string& channel,
               std::string& err) {
    const std::string threshold = std::to_string(thresholdDbfs) + "dBFS";
    std::vector<std::string> arguments{"compare", "--reference", dir / "reference", "--comparison",
                                       dir / "comparison"};
    arguments.insert(arguments.end(), {"--reference-core", "take", "--threshold", threshold,
                                       "--length", std::to_string(windowLength), "--report", report,
                                       "--permutations", "200", "-q"});
    if (!channel.empty()) arguments.insert(arguments.end(), {"--channel", channel});
    testing::CapturedStreams streams;
    const std::optional<int> status =
        runCommandLine(arguments, Streams{streams.out, streams.err, false, 80, false});
    err = streams.errText();
    return status.value_or(-1);
}

// The independent analysis of the same sets against that report.
testing::IndependentRun runCheck(const ScratchDirectory& dir, const std::string& report,
                                 const std::string& channel) {
    std::string arguments = "--decoder sndfile --every-extension --verdict-follows";
    arguments += " --reference '" + (dir / "reference") + "' take";
    arguments += " --comparison '" + (dir / "comparison") + "' take";
    arguments += " --threshold-dbfs " + std::to_string(thresholdDbfs);
    arguments += " --length " + std::to_string(windowLength) + " --confidence 95";
    arguments += " --report '" + report + "'";
    if (!channel.empty()) arguments += " --channel " + channel;
    for (const auto& [begin, end] : {std::pair{0, windowLength}, std::pair{plantBegin, plantEnd},
                                     std::pair{secondBegin, secondEnd}}) {
        arguments += " --range " + std::to_string(begin) + " " + std::to_string(end);
    }
    return testing::runIndependentAnalysis(arguments, dir / "check.txt");
}

TEST(IndependentLayouts, EveryLayoutGivesTheCountOfTheValuesItHolds) {
    ASSERT_EQ(std::system("python3 -c 'import ctypes; ctypes.CDLL(\"libsndfile.so.1\")'"), 0)
        << "the independent check needs python3 and libsndfile (make deps installs them)";
    for (const Layout& layout : layouts()) {
        SCOPED_TRACE(layout.name);
        ScratchDirectory dir;
        writeSet(dir / "reference", 0, layout.reference);
        writeSet(dir / "comparison", 1, layout.comparison.value_or(layout.reference));
        const std::string report = dir / "report.txt";
        const std::string channel = layout.channel > 0 ? std::to_string(layout.channel) : "";
        std::string err;
        EXPECT_EQ(runProgram(dir, report, channel, err), 1) << err;  // the sets differ

        const testing::IndependentRun check = runCheck(dir, report, channel);
        const std::string& output = check.output;
        EXPECT_EQ(check.status, 0) << output << testing::readWholeFile(report);
        EXPECT_EQ(testing::borderlineCount(output), 0) << output;
        const int count = testing::printedFigure(output, "significant: ");
        EXPECT_EQ(count, testing::reportedCount(testing::readWholeFile(report))) << output;

        // Every planted index is found, and chance marks no more than 15 per
        // cent of the rest: at 95 per cent about 5.
        std::map<std::int64_t, int> ranges = testing::rangeCounts(output);
        const bool firstOfTwo = layout.channel == 1;
        const int planted = firstOfTwo ? secondEnd - secondBegin : plantEnd - plantBegin;
        EXPECT_EQ(ranges[firstOfTwo ? secondBegin : plantBegin], planted) << output;
        EXPECT_LE(ranges[0] - planted, (windowLength - planted) * 15 / 100) << output;
        // Channel 1 differs nowhere else: none of channel 2's plant.
        if (firstOfTwo) {
            EXPECT_EQ(ranges[plantBegin], 0) << output;
            EXPECT_EQ(ranges[0], planted) << output;
        }
    }
}

}  // namespace
}  // namespace trellmark
