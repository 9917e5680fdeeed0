#include "analysis/take_prefetch.hpp"

#include <emmintrin.h>

#include <algorithm>
#include <chrono>
#include <system_error>

namespace trellmark {
namespace {

// How long a thread watches for the other before it sleeps. A take's handover
// comes every few tens of microseconds; waking a sleeping thread can take as
// long, while watching costs only the time it lasts. A thread that watched in
// vain watches half as long the next time, one that saw the handover twice as
// long again: where the other thread is slow (busy painting a screen, or
// waiting for a disk), the watching stops costing a core.
constexpr auto longestWatch = std::chrono::microseconds(50);
constexpr auto shortestWatch = std::chrono::microseconds(2);

}  // namespace

template <class Ready>
void TakePrefetch::waitUntil(Ready ready, std::chrono::microseconds& watch) {
    const auto until = std::chrono::steady_clock::now() + watch;
    for (int round = 0; !ready(); ++round) {
        _mm_pause();
        if (round % 64 == 63 && std::chrono::steady_clock::now() >= until) {
            watch = std::max(watch / 2, shortestWatch);
            std::unique_lock lock(mutex_);
            changed_.wait(lock, ready);
            return;
        }
    }
    watch = std::min(watch * 2, longestWatch);
}

template <class Change>
void TakePrefetch::publish(Change change) {
    {
        const std::lock_guard lock(mutex_);
        change();
    }
    changed_.notify_all();
}

TakePrefetch::TakePrefetch(std::span<const std::string> paths, const AnalysisParameters& parameters)
    : paths_(paths), parameters_(parameters) {
    // Nothing to overlap with one take, and nothing to overlap on with one core.
    if (paths_.size() < 2 || std::thread::hardware_concurrency() < 2) return;
    try {
        thread_ = std::thread([this] { readAhead(); });
    } catch (const std::system_error&) {
        // Finding on the caller's thread gives the same takes, only later.
    }
}

TakePrefetch::~TakePrefetch() {
    if (!thread_.joinable()) return;
    publish([&] { stopping_ = true; });
    thread_.join();
}

void TakePrefetch::readAhead() {
    std::chrono::microseconds watch = longestWatch;
    for (std::size_t k = 0; k < paths_.size(); ++k) {
        // Slot k % 2 is free once take k - 2 is given back.
        waitUntil([&] { return stopping_ || (k < started_ && k < released_ + slots_.size()); },
                  watch);
        if (stopping_) return;
        std::exception_ptr failure;
        try {
            findTake(reader_, paths_[k], parameters_, slots_[k % slots_.size()]);
        } catch (...) {
            failure = std::current_exception();
        }
        publish([&] {
            if (failure) {
                failure_ = failure;
                failed_ = true;
            } else {
                read_ = k + 1;
            }
        });
        if (failure) return;
    }
}

void TakePrefetch::startReading(std::size_t index) {
    if (!thread_.joinable()) return;
    publish([&] { started_ = index + 1; });
}

TakeReading& TakePrefetch::take(std::size_t index) {
    TakeReading& slot = slots_[index % slots_.size()];
    if (!thread_.joinable()) {
        findTake(reader_, paths_[index], parameters_, slot);
        return slot;
    }
    publish([&] { released_ = index; });
    waitUntil([&] { return read_ > index || failed_; }, callerWatch_);
    if (read_ <= index) std::rethrow_exception(failure_);
    return slot;
}

}  // namespace trellmark
