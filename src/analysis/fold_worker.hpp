#pragma once
// Decodes a set's windows and folds them into its accumulator on a thread of
// its own, in the order they come, so that reading the next take overlaps
// folding this one.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/window_accumulator.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark {

class FoldWorker {
  public:
    // Both belong to the caller, who leaves them alone until finish returns.
    // With scaledWindows, every window is also appended to it after scaling
    // (appendScaledWindow), in the order handed over. Without a thread (one
    // core, or none could be started) each window is folded when it is handed
    // over.
    explicit FoldWorker(WindowAccumulator& accumulator,
                        std::vector<std::int64_t>* scaledWindows = nullptr);
    FoldWorker(const FoldWorker&) = delete;
    FoldWorker& operator=(const FoldWorker&) = delete;
    // Waits for the folds handed over (dropping what one threw) and stops.
    ~FoldWorker();

    // A buffer to read the next window's bytes into, waiting until a fold
    // frees one. It stays the caller's until fold.
    std::vector<unsigned char>& nextBuffer();
    // Hands over the window, whose bytes are in the buffer last given by
    // nextBuffer, to be decoded and folded in after every one handed over
    // before it.
    void fold(const StoredValues& window, double level, double referenceLevel);
    // Returns once every window handed over is folded in. What a fold threw
    // on the thread is thrown here (or by nextBuffer, if it comes first).
    void finish();

  private:
    struct Job {
        std::vector<unsigned char> bytes;
        StoredValues window;  // a view of bytes
        double level = 0;
        double referenceLevel = 0;
    };

    void foldJob(const Job& job);
    // Integer takes fold their exact whole values, float takes their doubles.
    template <class Value>
    void foldDecoded(const Job& job, std::vector<Value>& values);

    void foldQueued();  // the folding thread
    // Watches for ready() for up to `watch`, then sleeps until it holds with
    // `asleep` set; adjusts `watch` for the next wait.
    template <class Ready>
    void waitUntil(Ready ready, std::chrono::microseconds& watch, bool& asleep);
    // Makes the change under the mutex; wakes the sleepers when it says so.
    template <class Change>
    void publish(Change change);
    void wakeFolder();
    void waitForFolds();  // until all are folded or one failed

    WindowAccumulator& accumulator_;
    std::vector<std::int64_t>* scaledWindows_;  // the caller's, or null
    // Job k is jobs_[k % jobs_.size()]: jobs folded_ .. handedOver_ - 1 wait
    // for the thread, the caller fills job handedOver_ once the thread is done
    // with it. Four jobs let either thread fall behind for a while on a busy
    // machine; for long windows two, so that the buffers stay a fraction of
    // the accumulator's arrays.
    std::vector<Job> jobs_;
    std::size_t wakingBatch_;           // see fold
    std::vector<std::int32_t> values_;  // the window being folded, decoded
    std::vector<double> floatValues_;   // the same for a float take

    // Changed under mutex_, read without it while a thread watches.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<std::size_t> handedOver_ = 0;
    std::atomic<std::size_t> folded_ = 0;
    std::atomic<bool> stopping_ = false;
    std::atomic<bool> failed_ = false;
    std::exception_ptr failure_;  // set before failed_
    bool folderAsleep_ = false;   // under mutex_ only
    bool callerAsleep_ = false;
    std::chrono::microseconds callerWatch_;
    std::thread thread_;  // joinable while folding on it
};

}  // namespace trellmark
