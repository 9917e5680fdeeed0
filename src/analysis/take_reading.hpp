#pragma once
// Reads what the analysis needs of one take: its format, the impulse, the
// level after it and the analysis window, ready to be folded in.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/analysis_parameters.hpp"
#include "analysis/set_statistics.hpp"
#include "wave/wave_info.hpp"
#include "wave/wave_reader.hpp"

namespace trellmark {

// One take as read.
struct TakeReading {
    WaveFile file;
    WaveInfo header;
    std::int64_t impulsePosition = 0;  // p; sampleCount when nothing lies above the threshold
    bool impulseFound = false;
    double level = 0;  // of the level window after p
    // The worst float value among those read (the search, both windows).
    FloatProblem floatProblem = FloatProblem::none;
    FileNote note = FileNote::none;
    // The analysis window, analysisLength values, still as stored: in the
    // buffer readTake was given.
    StoredValues window;
};

// What reading takes needs besides the readings, kept from one take to the
// next so that nothing is allocated or cleared again for each.
struct TakeReader {
    HeldWave held;  // the take being read, and the read buffer
    std::vector<std::int32_t> levelWindow;
    std::vector<double> floatLevelWindow;  // the same for a float take
};

// The impulse threshold in the steps of a file of this format: a threshold
// relative to full scale (2^(bits-1) steps, 2^23 for a float file) taken down
// to a whole step, else the threshold as given.
std::int32_t impulseThresholdFor(const AnalysisParameters& parameters, const WaveInfo& header);

// Reads the take at path into reading (every field overwritten), the bytes of
// its analysis window into windowBytes (which only grows). `channel` (from 0)
// is the channel analysed; a take of more than one channel is noted
// (multiChannel) when nothing worse is.
void readTake(TakeReader& reader, const std::string& path, const AnalysisParameters& parameters,
              TakeReading& reading, std::vector<unsigned char>& windowBytes, int channel = 0);

// The note of the worse problem: notes that leave the values wrong or
// unusable come before those that only tell something of the take.
FileNote worseNote(FileNote a, FileNote b);

}  // namespace trellmark
