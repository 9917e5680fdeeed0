#pragma once
// Reads a set's takes in order on a thread of its own, so that reading the
// next take overlaps folding this one. A take is read only once the caller has
// said so: the front end is told of a file before it is read.

#include <array>
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
    // (none could be started) each take is read when it is asked for.
    TakePrefetch(std::span<const std::string> paths, const AnalysisParameters& parameters);
    TakePrefetch(const TakePrefetch&) = delete;
    TakePrefetch& operator=(const TakePrefetch&) = delete;
    // Waits for the take being read, if any, and stops.
    ~TakePrefetch();

    // Take `index` may be read from now on, beside whatever the caller does
    // next. Indices come in order from 0.
    void startReading(std::size_t index);

    // Take `index` (started before), waiting until it is read. Asking for it
    // gives back the take returned before, whose slot may then be refilled:
    // the reference stays valid until the next call. What reading the take
    // threw is thrown here.
    const TakeReading& take(std::size_t index);

  private:
    void readAhead();

    std::span<const std::string> paths_;
    const AnalysisParameters& parameters_;
    TakeReader reader_;                 // the reading thread's, or the caller's without one
    std::array<TakeReading, 2> slots_;  // take k in slots_[k % 2]

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t started_ = 0;   // takes 0 .. started_ - 1 may be read
    std::size_t read_ = 0;      // takes 0 .. read_ - 1 are in their slots
    std::size_t released_ = 0;  // takes before this one are given back
    bool stopping_ = false;
    std::exception_ptr failure_;  // thrown while reading take read_
    std::thread thread_;          // joinable while reading ahead
};

}  // namespace trellmark
