#include "demo/recordings.hpp"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace trellmark::demo {
namespace {

// splitmix64: tiny, well mixed, and the same sequence everywhere.
struct NoiseSource {
    std::uint64_t state;

    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1), exactly representable.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
};

double toneValue(const Tone& tone, std::int64_t frame, std::int32_t sampleRate) {
    if (tone.frequency == 0) return tone.amplitude;
    double turns = tone.frequency * static_cast<double>(frame) / static_cast<double>(sampleRate);
    return tone.amplitude * sineOfTurns(turns);
}

std::int32_t roundAndClip(double x, int bitsPerSample) {
    const double high = std::ldexp(1.0, bitsPerSample - 1) - 1;
    const double low = -std::ldexp(1.0, bitsPerSample - 1);
    if (std::isnan(x)) return 0;
    x = std::nearbyint(x);  // the default rounding mode: halves to even
    if (x > high) x = high;
    if (x < low) x = low;
    return static_cast<std::int32_t>(x);
}

void putLittleEndian(std::vector<unsigned char>& bytes, std::uint64_t value, int size) {
    for (int k = 0; k < size; ++k) bytes.push_back(static_cast<unsigned char>(value >> (8 * k)));
}

void putTag(std::vector<unsigned char>& bytes, const char* tag) {
    bytes.insert(bytes.end(), tag, tag + 4);
}

}  // namespace

double sineOfTurns(double turns) {
    double t = turns - std::nearbyint(turns);  // exact: within half a turn of zero
    if (t > 0.25) t = 0.5 - t;                 // sin(pi - x) = sin(x)
    if (t < -0.25) t = -0.5 - t;
    const double x = 2 * 3.14159265358979323846 * t;
    const double x2 = x * x;
    // Taylor series to x^23 in Horner form; below 1e-17 off for |x| <= pi/2.
    double sum = 1;
    for (int k = 11; k >= 1; --k) sum = 1 - x2 / ((2.0 * k) * (2.0 * k + 1)) * sum;
    return x * sum;
}

std::vector<std::int32_t> recordingSamples(const RecordingPlan& recording) {
    std::vector<std::int32_t> values;
    if (recording.sampleCount <= 0 || recording.channels < 1 || recording.sampleRate <= 0)
        return values;
    values.reserve(static_cast<std::size_t>(recording.sampleCount) *
                   static_cast<std::size_t>(recording.channels));
    const double fullScale = std::ldexp(1.0, recording.bitsPerSample - 1);
    NoiseSource noise{recording.seed};
    for (std::int64_t n = 0; n < recording.sampleCount; ++n) {
        const std::int64_t r = n - recording.impulsePosition;  // frames since the impulse
        double v = 0;
        if (r == 0) v += recording.impulseValue;
        if (r >= recording.signalDelay) {
            for (const Tone& tone : recording.tones) v += toneValue(tone, r, recording.sampleRate);
        }
        for (const PlantedDifference& d : recording.differences) {
            if (r >= d.begin && r < d.end) v += toneValue(d.tone, r, recording.sampleRate);
        }
        const double clean = v * recording.gain * fullScale;
        for (int channel = 0; channel < recording.channels; ++channel) {
            double x = clean / (channel + 1);
            if (recording.noiseAmplitude > 0) {
                // Sum of two uniform values: triangular, peak noiseAmplitude.
                double u = noise.uniform();
                x += recording.noiseAmplitude * (u + noise.uniform() - 1);
            }
            values.push_back(roundAndClip(x, recording.bitsPerSample));
        }
    }
    return values;
}

bool writeRecording(const std::string& path, const RecordingPlan& recording) {
    if (recording.bitsPerSample != 16 && recording.bitsPerSample != 24) return false;
    if (recording.channels < 1 || recording.channels > 65535 || recording.sampleRate <= 0)
        return false;
    const std::uint64_t bytesPerValue = static_cast<std::uint64_t>(recording.bitsPerSample / 8);
    const std::uint64_t frames =
        recording.sampleCount > 0 ? static_cast<std::uint64_t>(recording.sampleCount) : 0;
    const std::uint64_t dataSize =
        frames * static_cast<std::uint64_t>(recording.channels) * bytesPerValue;
    if (dataSize > 0xFFFFFFFFu - 36) return false;

    std::vector<unsigned char> bytes;
    bytes.reserve(44 + dataSize);
    const std::uint64_t blockAlign = static_cast<std::uint64_t>(recording.channels) * bytesPerValue;
    putTag(bytes, "RIFF");
    putLittleEndian(bytes, 36 + dataSize, 4);
    putTag(bytes, "WAVE");
    putTag(bytes, "fmt ");
    putLittleEndian(bytes, 16, 4);
    putLittleEndian(bytes, 1, 2);  // PCM
    putLittleEndian(bytes, static_cast<std::uint64_t>(recording.channels), 2);
    putLittleEndian(bytes, static_cast<std::uint64_t>(recording.sampleRate), 4);
    putLittleEndian(bytes, static_cast<std::uint64_t>(recording.sampleRate) * blockAlign, 4);
    putLittleEndian(bytes, blockAlign, 2);
    putLittleEndian(bytes, static_cast<std::uint64_t>(recording.bitsPerSample), 2);
    putTag(bytes, "data");
    putLittleEndian(bytes, dataSize, 4);
    for (std::int32_t value : recordingSamples(recording)) {
        // Two's complement in the low bytes: the cast keeps the bit pattern.
        putLittleEndian(bytes, static_cast<std::uint32_t>(value), static_cast<int>(bytesPerValue));
    }

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fclose(file) == 0) && ok;
    return ok;
}

std::vector<RecordingPlan> demoTakes(bool comparison, bool alike) {
    // Each take starts at a slightly different moment and level, as real takes
    // do; the analysis must line them up and scale them back.
    static constexpr std::int64_t referencePositions[] = {2000, 2013, 1991, 2032, 2007};
    static constexpr std::int64_t comparisonPositions[] = {2019, 1996, 2041, 2003, 2024};
    static constexpr double referenceGains[] = {1.000, 1.006, 0.994, 1.011, 0.997};
    static constexpr double comparisonGains[] = {0.992, 1.004, 1.009, 0.996, 1.002};

    std::vector<RecordingPlan> takes;
    for (int k = 0; k < demoTakeCount; ++k) {
        RecordingPlan recording;
        recording.sampleCount = 88200;  // two seconds: room for the window after impulse + 17640
        recording.impulsePosition = comparison ? comparisonPositions[k] : referencePositions[k];
        recording.gain = comparison ? comparisonGains[k] : referenceGains[k];
        recording.tones = {{440, 0.25}, {1000, 0.2}, {6300, 0.08}};
        recording.noiseAmplitude = 3;
        recording.seed = static_cast<std::uint64_t>((comparison ? 200 : 100) + k + 1);
        if (comparison && !alike) {
            // About 65 LSB of 2500 Hz over the middle quarter of the analysis window.
            recording.differences.push_back({{2500, 0.002}, 17640 + 11025, 17640 + 22050});
        }
        takes.push_back(recording);
    }
    return takes;
}

DemoLayout makeDemoSets(const std::string& directory, bool alike) {
    DemoLayout layout;
    layout.written = true;
    for (bool comparison : {false, true}) {
        const std::string setDirectory = directory + (comparison ? "/comparison" : "/reference");
        std::error_code error;
        std::filesystem::create_directories(setDirectory, error);
        std::vector<RecordingPlan> takes = demoTakes(comparison, alike);
        for (std::size_t k = 0; k < takes.size(); ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "/%s%02zu.wav", demoCoreName, k + 1);
            const std::string path = setDirectory + name;
            if (writeRecording(path, takes[k])) {
                layout.paths.push_back(path);
            } else {
                layout.written = false;
            }
        }
    }
    return layout;
}

}  // namespace trellmark::demo
