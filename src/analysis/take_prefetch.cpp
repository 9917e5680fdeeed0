#include "analysis/take_prefetch.hpp"

#include <system_error>

namespace trellmark {

TakePrefetch::TakePrefetch(std::span<const std::string> paths, const AnalysisParameters& parameters)
    : paths_(paths), parameters_(parameters) {
    if (paths_.size() < 2) return;  // nothing to overlap
    try {
        thread_ = std::thread([this] { readAhead(); });
    } catch (const std::system_error&) {
        // Reading on the caller's thread gives the same takes, only later.
    }
}

TakePrefetch::~TakePrefetch() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void TakePrefetch::readAhead() {
    for (std::size_t k = 0; k < paths_.size(); ++k) {
        {
            // Slot k % 2 is free once take k - 2 is given back.
            std::unique_lock lock(mutex_);
            changed_.wait(
                lock, [&] { return stopping_ || (k < started_ && k < released_ + slots_.size()); });
            if (stopping_) return;
        }
        std::exception_ptr failure;
        try {
            readTake(reader_, paths_[k], parameters_, slots_[k % slots_.size()]);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex_);
            if (failure) {
                failure_ = failure;
            } else {
                read_ = k + 1;
            }
        }
        changed_.notify_all();
        if (failure) return;
    }
}

void TakePrefetch::startReading(std::size_t index) {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        started_ = index + 1;
    }
    changed_.notify_all();
}

const TakeReading& TakePrefetch::take(std::size_t index) {
    TakeReading& slot = slots_[index % slots_.size()];
    if (!thread_.joinable()) {
        readTake(reader_, paths_[index], parameters_, slot);
        return slot;
    }
    {
        std::unique_lock lock(mutex_);
        released_ = index;
        changed_.notify_all();
        changed_.wait(lock, [&] { return read_ > index || failure_; });
        if (read_ <= index) std::rethrow_exception(failure_);
    }
    return slot;
}

}  // namespace trellmark
