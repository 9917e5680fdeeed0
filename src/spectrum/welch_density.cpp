#include "spectrum/welch_density.hpp"

#include <fftw3.h>

#include <cmath>
#include <new>
#include <numbers>
#include <stdexcept>

namespace trellmark {

struct WelchTransform::Buffers {
    double* segment = nullptr;
    fftw_complex* spectrum = nullptr;
    fftw_plan plan = nullptr;
};

bool validFftSize(std::int64_t size) {
    return size >= smallestFftSize && size <= largestFftSize && (size & (size - 1)) == 0;
}

std::int64_t welchSegments(std::int64_t length, int size) {
    if (size < 2 || length < size) return 0;
    return (length - size) / (size / 2) + 1;
}

WelchTransform::WelchTransform(int size) : size_(size), hann_(static_cast<std::size_t>(size)) {
    if (!validFftSize(size)) throw std::invalid_argument("FFT size out of range");
    // The periodic Hann window: one period of the cosine over N + 1 points,
    // the last left out, so that overlapping windows add to a constant.
    for (int i = 0; i < size; ++i) {
        hann_[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / size);
        hannPower_ += hann_[i] * hann_[i];
    }
    buffers_ = std::make_unique<Buffers>();
    buffers_->segment = fftw_alloc_real(static_cast<std::size_t>(size));
    buffers_->spectrum = fftw_alloc_complex(static_cast<std::size_t>(size / 2 + 1));
    if (buffers_->segment == nullptr || buffers_->spectrum == nullptr) {
        fftw_free(buffers_->segment);
        fftw_free(buffers_->spectrum);
        throw std::bad_alloc();
    }
    buffers_->plan = fftw_plan_dft_r2c_1d(size, buffers_->segment, buffers_->spectrum,
                                          FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
}

WelchTransform::~WelchTransform() {
    if (!buffers_) return;
    fftw_destroy_plan(buffers_->plan);
    fftw_free(buffers_->segment);
    fftw_free(buffers_->spectrum);
}

std::vector<double> WelchTransform::density(std::span<const std::int64_t> window,
                                            double sampleRate) {
    const auto n = static_cast<std::size_t>(size_);
    const std::int64_t segments = welchSegments(static_cast<std::int64_t>(window.size()), size_);
    std::vector<double> result(n / 2 + 1, 0.0);
    if (segments == 0 || !(sampleRate > 0)) return result;
    double* segment = buffers_->segment;
    const fftw_complex* spectrum = buffers_->spectrum;
    for (std::int64_t s = 0; s < segments; ++s) {
        const std::int64_t* x = window.data() + s * (size_ / 2);
        // Whole numbers sum exactly, so the mean is the same however the
        // segment is summed.
        std::int64_t sum = 0;
        for (std::size_t i = 0; i < n; ++i) sum += x[i];
        const double mean = static_cast<double>(sum) / size_;
        for (std::size_t i = 0; i < n; ++i) {
            segment[i] = (static_cast<double>(x[i]) - mean) * hann_[i];
        }
        fftw_execute(buffers_->plan);
        for (std::size_t k = 0; k <= n / 2; ++k) {
            result[k] += spectrum[k][0] * spectrum[k][0] + spectrum[k][1] * spectrum[k][1];
        }
    }
    // Density: |X|^2 / (fs sum w^2), averaged over the segments; one-sided, so
    // every bin but DC and Nyquist also carries its negative frequency.
    const double scale = 1 / (sampleRate * hannPower_ * static_cast<double>(segments));
    for (std::size_t k = 0; k <= n / 2; ++k) {
        result[k] *= (k == 0 || k == n / 2) ? scale : 2 * scale;
    }
    return result;
}

}  // namespace trellmark
