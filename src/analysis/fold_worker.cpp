#include "analysis/fold_worker.hpp"

#include <emmintrin.h>

#include <algorithm>
#include <system_error>

namespace trellmark {
namespace {

// How long a thread watches for the other before it sleeps. A window comes
// every few tens of microseconds; waking a sleeping thread can take as long,
// while watching costs only the time it lasts. A thread that watched in vain
// watches half as long the next time, one that saw the other twice as long
// again: where the other is slow (painting a screen, waiting for a disk), the
// watching soon stops costing a core.
constexpr auto longestWatch = std::chrono::microseconds(50);
constexpr auto shortestWatch = std::chrono::microseconds(2);

// Windows up to this long get four jobs, longer ones two.
constexpr std::size_t longestQueuedWindow = 1 << 18;

}  // namespace

template <class Ready>
void FoldWorker::waitUntil(Ready ready, std::chrono::microseconds& watch, bool& asleep) {
    const auto until = std::chrono::steady_clock::now() + watch;
    for (int round = 0; !ready(); ++round) {
        _mm_pause();
        if (round % 64 == 63 && std::chrono::steady_clock::now() >= until) {
            watch = std::max(watch / 2, shortestWatch);
            std::unique_lock lock(mutex_);
            asleep = true;
            changed_.wait(lock, ready);
            asleep = false;
            return;
        }
    }
    watch = std::min(watch * 2, longestWatch);
}

template <class Change>
void FoldWorker::publish(Change change) {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        wake = change();
    }
    if (wake) changed_.notify_all();
}

void FoldWorker::wakeFolder() {
    publish([&] { return folderAsleep_; });
}

FoldWorker::FoldWorker(WindowAccumulator& accumulator, std::vector<std::int64_t>* scaledWindows)
    : accumulator_(accumulator),
      scaledWindows_(scaledWindows),
      jobs_(accumulator.mean.size() <= longestQueuedWindow ? 4 : 2),
      // A folding thread that fell asleep is woken once half the jobs wait for
      // it (or when the caller has to wait itself): each waking costs both
      // threads tens of microseconds.
      wakingBatch_(jobs_.size() / 2),
      callerWatch_(longestWatch) {
    // With one core there is nothing to overlap on.
    if (std::thread::hardware_concurrency() < 2) return;
    try {
        thread_ = std::thread([this] { foldQueued(); });
    } catch (const std::system_error&) {
        // Folding on the caller's thread gives the same sums, only later.
    }
}

FoldWorker::~FoldWorker() {
    if (!thread_.joinable()) return;
    waitForFolds();
    publish([&] {
        stopping_ = true;
        return true;
    });
    thread_.join();
}

void FoldWorker::foldQueued() {
    std::chrono::microseconds watch = longestWatch;
    for (std::size_t k = 0;; ++k) {
        waitUntil([&] { return stopping_ || handedOver_ > k; }, watch, folderAsleep_);
        if (handedOver_ <= k) return;  // stopping, and nothing left
        std::exception_ptr failure;
        try {
            foldJob(jobs_[k % jobs_.size()]);
        } catch (...) {
            // Only the scaled windows allocate; the caller hears of it.
            failure = std::current_exception();
        }
        publish([&] {
            if (failure) {
                failure_ = failure;
                failed_ = true;
            } else {
                folded_ = k + 1;
            }
            return callerAsleep_;
        });
        if (failure) return;
    }
}

void FoldWorker::foldJob(const Job& job) {
    const ValueCoding coding = job.window.coding;
    if (coding == ValueCoding::float32 || coding == ValueCoding::float64) {
        foldDecoded(job, floatValues_);
    } else {
        foldDecoded(job, values_);
    }
}

template <class Value>
void FoldWorker::foldDecoded(const Job& job, std::vector<Value>& values) {
    decodeStored(job.window, values);
    addWindow(accumulator_, std::span<const Value>(values), job.level, job.referenceLevel);
    if (scaledWindows_ != nullptr) {
        appendScaledWindow(*scaledWindows_, std::span<const Value>(values),
                           static_cast<std::int32_t>(values.size()), job.level, job.referenceLevel);
    }
}

std::vector<unsigned char>& FoldWorker::nextBuffer() {
    const std::size_t next = handedOver_;
    // Its job is free once the one a round earlier is folded.
    if (thread_.joinable() && folded_ + jobs_.size() <= next) {
        wakeFolder();
        waitUntil([&] { return folded_ + jobs_.size() > next || failed_; }, callerWatch_,
                  callerAsleep_);
    }
    if (failed_) std::rethrow_exception(failure_);
    return jobs_[next % jobs_.size()].bytes;
}

void FoldWorker::fold(const StoredValues& window, double level, double referenceLevel) {
    const std::size_t next = handedOver_;
    Job& job = jobs_[next % jobs_.size()];
    job.window = window;
    job.level = level;
    job.referenceLevel = referenceLevel;
    if (!thread_.joinable()) {
        foldJob(job);
        handedOver_ = next + 1;
        folded_ = next + 1;
        return;
    }
    publish([&] {
        handedOver_ = next + 1;
        return folderAsleep_ && handedOver_ - folded_ >= wakingBatch_;
    });
}

void FoldWorker::waitForFolds() {
    wakeFolder();
    waitUntil([&] { return folded_ == handedOver_ || failed_; }, callerWatch_, callerAsleep_);
}

void FoldWorker::finish() {
    if (!thread_.joinable()) return;
    waitForFolds();
    if (failed_) std::rethrow_exception(failure_);
}

}  // namespace trellmark
