#pragma once
// Standard output and error of a command-line run, captured in memory.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace trellmark::testing {

class CapturedStreams {
  public:
    CapturedStreams() {
        out = open_memstream(&outBuffer_, &outSize_);
        err = open_memstream(&errBuffer_, &errSize_);
    }
    ~CapturedStreams() {
        std::fclose(out);
        std::fclose(err);
        std::free(outBuffer_);
        std::free(errBuffer_);
    }
    CapturedStreams(const CapturedStreams&) = delete;
    CapturedStreams& operator=(const CapturedStreams&) = delete;

    std::string outText() {
        std::fflush(out);
        return std::string(outBuffer_, outSize_);
    }
    std::string errText() {
        std::fflush(err);
        return std::string(errBuffer_, errSize_);
    }

    std::FILE* out;
    std::FILE* err;

  private:
    char* outBuffer_ = nullptr;
    std::size_t outSize_ = 0;
    char* errBuffer_ = nullptr;
    std::size_t errSize_ = 0;
};

}  // namespace trellmark::testing
