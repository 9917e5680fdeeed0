#pragma once
// Folds a set's windows into its accumulator on a thread of its own, in the
// order they come, so that reading the next take overlaps folding this one.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/window_accumulator.hpp"

namespace trellmark {

class FoldWorker {
  public:
    // The accumulator belongs to the caller, who leaves it alone until finish
    // returns. Without a thread (one core, or none could be started) each
    // window is folded when it is handed over.
    explicit FoldWorker(WindowAccumulator& accumulator);
    FoldWorker(const FoldWorker&) = delete;
    FoldWorker& operator=(const FoldWorker&) = delete;
    // Finishes the folds handed over.
    ~FoldWorker();

    // An array to load the next window into, waiting until a fold frees one.
    // It stays the caller's until fold.
    std::vector<std::int32_t>& nextWindow();
    // Hands over the window last given by nextWindow, to be folded in after
    // every one handed over before it.
    void fold(double level, double referenceLevel);
    // Returns once every window handed over is folded in.
    void finish();

  private:
    struct Job {
        std::vector<std::int32_t> window;
        double level = 0;
        double referenceLevel = 0;
    };

    void foldQueued();  // the folding thread
    // Watches for ready() for up to `watch`, then sleeps until it holds;
    // adjusts `watch` for the next wait.
    template <class Ready>
    void waitUntil(Ready ready, std::chrono::microseconds& watch);
    template <class Change>
    void publish(Change change);

    WindowAccumulator& accumulator_;
    // Job k lives in jobs_[k % size]: the caller fills jobs handed over - 1 ..,
    // the thread folds from folded_ on.
    std::array<Job, 4> jobs_;

    // Changed under mutex_, read without it while a thread watches.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<std::size_t> handedOver_ = 0;
    std::atomic<std::size_t> folded_ = 0;
    std::atomic<bool> stopping_ = false;
    std::chrono::microseconds callerWatch_;
    std::thread thread_;  // joinable while folding on it
};

}  // namespace trellmark
