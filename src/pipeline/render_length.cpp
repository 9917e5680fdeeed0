#include "pipeline/render_length.hpp"

#include <algorithm>

#include "wave/wave_reader.hpp"

namespace trellmark {

RenderLengths renderLengthsOf(const FileSet& reference, const FileSet& comparison, int channel) {
    RenderLengths lengths;
    bool any = false;
    HeldWave held;
    WaveInfo info;
    for (const FileSet* set : {&reference, &comparison}) {
        for (const std::string& path : set->paths) {
            openWave(held, path, info, channel);
            if (info.kind == SampleKind::none) continue;
            // A file cut short holds fewer values than its header promises.
            const std::int64_t samples = std::min(held.file.valuesInFile, info.sampleCount);
            lengths.shortest = any ? std::min(lengths.shortest, samples) : samples;
            lengths.longest = any ? std::max(lengths.longest, samples) : samples;
            any = true;
        }
    }
    return lengths;
}

std::string lengthNote(const RenderLengths& lengths, std::int64_t start) {
    const std::int64_t compared = std::max<std::int64_t>(lengths.shortest - start, 0);
    return "the renders differ in length: " + std::to_string(lengths.shortest) + " to " +
           std::to_string(lengths.longest) + " samples; " + std::to_string(compared) +
           " from sample " + std::to_string(start) + " are compared";
}

}  // namespace trellmark
