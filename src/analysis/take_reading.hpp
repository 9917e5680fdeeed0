#pragma once
// Reads what the analysis needs of one take: its header, the impulse, the
// level after it and the analysis window, ready to be folded in.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/analysis_parameters.hpp"
#include "analysis/set_statistics.hpp"
#include "wave/wave_info.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark {

// One take as read: first everything but its analysis window (findTake), then
// the window (loadWindow), so that the two can be read on different threads.
struct TakeReading {
    HeldWave held;  // the take's file, held open from findTake to the next
    WaveInfo header;
    std::int64_t impulsePosition = 0;  // p; sampleCount when nothing lies above the threshold
    bool impulseFound = false;
    double level = 0;  // of the level window after p
    FileNote note = FileNote::none;
    std::vector<std::int32_t> window;  // the analysis window, analysisLength values
};

// What finding takes needs besides the reading itself, kept from one take to
// the next so that nothing is allocated or cleared again for each.
struct TakeReader {
    std::vector<std::int32_t> chunk;  // values searched for the impulse
    std::vector<std::int32_t> levelWindow;
};

// Opens the take at path and reads all of it but the analysis window into
// reading (every field but window overwritten). Asks the system to start
// fetching the window, so that it is ready when loadWindow comes.
void findTake(TakeReader& reader, const std::string& path, const AnalysisParameters& parameters,
              TakeReading& reading);

// Reads the analysis window of the take findTake found into reading.window.
void loadWindow(TakeReading& reading, const AnalysisParameters& parameters);

}  // namespace trellmark
