#pragma once
// Finds a set's takes (findTake: header, impulse, level) in order on a thread
// of its own, so that finding the next take overlaps loading and folding the
// window of this one. A take is read only once the caller has said so: the
// front end is told of a file before it is read.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "analysis/analysis_parameters.hpp"
#include "analysis/take_reading.hpp"

namespace trellmark {

class TakePrefetch {
  public:
    // Both belong to the caller and must outlive this object. Without a thread
    // (one core, or none could be started) each take is found when it is
    // asked for.
    TakePrefetch(std::span<const std::string> paths, const AnalysisParameters& parameters);
    TakePrefetch(const TakePrefetch&) = delete;
    TakePrefetch& operator=(const TakePrefetch&) = delete;
    // Waits for the take being read, if any, and stops.
    ~TakePrefetch();

    // Take `index` may be found from now on, beside whatever the caller does
    // next. Indices come in order from 0.
    void startReading(std::size_t index);

    // Take `index` (started before), waiting until it is found; its window is
    // the caller's to load. Asking for it gives back the take returned before,
    // whose slot may then be refilled: the reference stays valid until the
    // next call. What finding the take threw is thrown here.
    TakeReading& take(std::size_t index);

  private:
    void readAhead();
    // Watches for ready() for up to `watch`, then sleeps until it holds;
    // adjusts `watch` for the next wait.
    template <class Ready>
    void waitUntil(Ready ready, std::chrono::microseconds& watch);
    template <class Change>
    void publish(Change change);

    std::span<const std::string> paths_;
    const AnalysisParameters& parameters_;
    TakeReader reader_;                 // the reading thread's, or the caller's without one
    std::array<TakeReading, 2> slots_;  // take k in slots_[k % 2]

    // Changed under mutex_, read without it while a thread waits briefly.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<std::size_t> started_ = 0;   // takes 0 .. started_ - 1 may be found
    std::atomic<std::size_t> read_ = 0;      // takes 0 .. read_ - 1 are found, in their slots
    std::atomic<std::size_t> released_ = 0;  // takes before this one are given back
    std::atomic<bool> stopping_ = false;
    std::atomic<bool> failed_ = false;
    std::exception_ptr failure_;  // thrown while finding take read_; set before failed_
    std::chrono::microseconds callerWatch_{50};  // see waitUntil
    std::thread thread_;                         // joinable while reading ahead
};

}  // namespace trellmark
