#pragma once
// The power spectral density of one take's window by Welch's method: segments
// of N samples, a periodic Hann window, half-overlapping, each segment's mean
// removed, density scaling in LSB^2/Hz, one-sided.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace trellmark {

// The smallest and largest FFT size; every size between that is a power of
// two may be asked for.
constexpr int smallestFftSize = 64;
constexpr int largestFftSize = 65536;
constexpr int defaultFftSize = 4096;

// True for a power of two from smallestFftSize to largestFftSize.
bool validFftSize(std::int64_t size);

// Whole segments of `size` samples, each starting half a segment after the
// last, in a window of `length` samples; 0 when the window is shorter.
std::int64_t welchSegments(std::int64_t length, int size);

// An FFT of one size with its window and scratch, planned once and used for
// every take. The plan is made by estimate, never by timing, so the same
// input gives the same bytes on every run. Not to be shared between threads.
class WelchTransform {
  public:
    // REQUIRES: validFftSize(size).
    explicit WelchTransform(int size);
    ~WelchTransform();
    WelchTransform(const WelchTransform&) = delete;
    WelchTransform& operator=(const WelchTransform&) = delete;

    int size() const { return size_; }

    // The density at bins 0 .. size / 2 (bin k at k * sampleRate / size Hz),
    // averaged over the window's whole segments; samples beyond the last
    // whole segment are not used. REQUIRES: at least one whole segment,
    // sampleRate > 0.
    std::vector<double> density(std::span<const std::int64_t> window, double sampleRate);

  private:
    struct Buffers;
    int size_ = 0;
    std::vector<double> hann_;
    double hannPower_ = 0;  // sum of the window's squares
    std::unique_ptr<Buffers> buffers_;
};

}  // namespace trellmark
