#pragma once
// Synthetic recordings of a test signal, as a measurement set would hold them:
// silence with a little noise, one impulse to align on, then the signal. The
// files are written by code of their own (not the program's wave writer), so
// tests that read them check the reader against an independent writer.
//
// Everything is deterministic: the noise comes from a fixed generator and the
// sine from plain arithmetic, so the same recording gives the same bytes on every
// machine.

#include <cstdint>
#include <string>
#include <vector>

namespace trellmark::demo {

struct Tone {
    double frequency = 0;  // Hz; 0 gives a constant offset
    double amplitude = 0;  // fraction of full scale (full scale = 2^(bits - 1))
};

// A tone (or offset) present only over frames [begin, end), counted from the
// impulse position: what distinguishes one set of takes from another.
struct PlantedDifference {
    Tone tone;
    std::int64_t begin = 0;
    std::int64_t end = 0;
};

struct RecordingPlan {
    std::int32_t sampleRate = 44100;
    int bitsPerSample = 16;            // 16 or 24
    int channels = 1;                  // channel k > 0 carries channel 0's signal divided by k + 1
    std::int64_t sampleCount = 0;      // frames
    std::int64_t impulsePosition = 0;  // frame of the single impulse value
    double impulseValue = 0.9;         // fraction of full scale
    std::int64_t signalDelay = 2205;   // frames from the impulse to the start of the tones
    std::vector<Tone> tones;           // the test signal, phase 0 at the impulse
    double gain = 1.0;                 // level of this take; scales everything but the noise
    double noiseAmplitude = 0;         // peak of the triangular noise, in LSB
    std::uint64_t seed = 1;
    std::vector<PlantedDifference> differences;
};

// sin(2 pi turns) from additions and multiplications only, so it does not
// depend on the machine's maths library.
double sineOfTurns(double turns);

// The sample values, interleaved by channel: sampleCount * channels values,
// rounded to the nearest integer (halves to even) and clipped to the depth.
std::vector<std::int32_t> recordingSamples(const RecordingPlan& recording);

// A PCM wave file with the canonical 44-byte header. False when the depth is
// not 16 or 24, the data would not fit the header's 32-bit sizes, or the file
// cannot be written.
bool writeRecording(const std::string& path, const RecordingPlan& recording);

// The answers that analyse the demo layout.
constexpr const char* demoCoreName = "take";
constexpr std::int32_t demoImpulseThreshold = 16000;
constexpr std::int32_t demoAnalysisLength = 44100;
constexpr int demoTakeCount = 5;

// The five takes of one demo set; the comparison takes carry a small extra
// tone over analysis indices 11025 to 22049 unless `alike`: then both sets are
// drawn from one distribution (their own noise, levels and start positions).
std::vector<RecordingPlan> demoTakes(bool comparison, bool alike = false);

struct DemoLayout {
    bool written = false;            // every directory and file was written
    std::vector<std::string> paths;  // the files written, in order
};

// directory/reference/take01.wav .. take05.wav and the same under
// directory/comparison, creating the directories as needed; `alike` as for
// demoTakes.
DemoLayout makeDemoSets(const std::string& directory, bool alike = false);

}  // namespace trellmark::demo
