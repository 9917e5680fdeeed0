#include "wave/sound_file.hpp"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace trellmark {

struct SoundFile {
    SNDFILE* handle = nullptr;
    int channels = 0;
    bool floating = false;
    int shift = 0;  // the library gives integers at 32 bits: this brings them back
};

void SoundFileCloser::operator()(SoundFile* file) const {
    if (file->handle != nullptr) sf_close(file->handle);
    delete file;
}

namespace {

// The names a container's recordings go by, of whole numbers and of floats;
// none for a container that is not read this way.
struct ContainerNames {
    const char* integer = nullptr;
    const char* floating = nullptr;
};

ContainerNames containerNames(int major) {
    switch (major) {
        case SF_FORMAT_FLAC:
            return {"FLAC", "FLAC"};
        case SF_FORMAT_AIFF:  // AIFC too: AIFF with a compression field
            return {"AIFF", "AIFF float"};
        case SF_FORMAT_W64:
            return {"W64 PCM", "W64 float"};
        case SF_FORMAT_CAF:
            return {"CAF", "CAF float"};
        default:
            return {};
    }
}

struct Coding {
    SampleKind kind = SampleKind::none;
    int bits = 0;
};

Coding codingOf(int subtype) {
    switch (subtype) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return {SampleKind::integer, 8};
        case SF_FORMAT_PCM_16:
            return {SampleKind::integer, 16};
        case SF_FORMAT_PCM_24:
            return {SampleKind::integer, 24};
        case SF_FORMAT_PCM_32:
            return {SampleKind::integer, 32};
        case SF_FORMAT_FLOAT:
            return {SampleKind::floating, 32};
        case SF_FORMAT_DOUBLE:
            return {SampleKind::floating, 64};
        default:
            return {};
    }
}

}  // namespace

SoundFileHandle openSoundFile(int fd, WaveInfo& info) {
    SF_INFO format{};
    SNDFILE* handle = sf_open_fd(fd, SFM_READ, &format, SF_FALSE);
    if (handle == nullptr) return nullptr;
    SoundFileHandle file(new SoundFile{handle});
    const ContainerNames names = containerNames(format.format & SF_FORMAT_TYPEMASK);
    const Coding coding = codingOf(format.format & SF_FORMAT_SUBMASK);
    if (names.integer == nullptr || format.channels <= 0 || format.channels > 32767) {
        return nullptr;
    }
    file->channels = format.channels;
    file->floating = coding.kind == SampleKind::floating;
    file->shift = 32 - coding.bits;
    // Float values exactly as stored, never scaled to +-1.
    sf_command(handle, SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);

    info.channels = static_cast<std::int16_t>(format.channels);
    info.sampleRate = format.samplerate;
    info.bitsPerSample = static_cast<std::int16_t>(coding.bits);
    info.kind = coding.kind;
    info.format = file->floating ? names.floating : names.integer;
    const std::int64_t frames = std::max<std::int64_t>(format.frames, 0);
    info.sampleCount = coding.kind == SampleKind::none ? 0 : frames;
    info.dataSize = frames * format.channels * (coding.bits / 8);
    info.dataOffset = 0;
    return file;
}

std::int64_t readSoundValues(SoundFile& file, int channel, std::int64_t first, std::int64_t count,
                             std::vector<unsigned char>& buffer) {
    if (count <= 0 || channel < 0 || channel >= file.channels) return 0;
    if (sf_seek(file.handle, first, SEEK_SET) < 0) return 0;
    const auto frames = static_cast<std::size_t>(count);
    const auto channels = static_cast<std::size_t>(file.channels);
    const std::size_t cell = file.floating ? sizeof(double) : sizeof(std::int32_t);
    if (buffer.size() < frames * channels * cell) buffer.resize(frames * channels * cell);
    // The frames are read whole and the channel's values moved to the front in
    // place: value i moves from i * channels + channel to i, never forward.
    std::int64_t got = 0;
    if (file.floating) {
        auto* values = reinterpret_cast<double*>(buffer.data());
        got = sf_readf_double(file.handle, values, count);
        for (std::int64_t i = 0; i < got; ++i) values[i] = values[i * file.channels + channel];
    } else {
        auto* values = reinterpret_cast<std::int32_t*>(buffer.data());
        got = sf_readf_int(file.handle, values, count);
        for (std::int64_t i = 0; i < got; ++i) {
            values[i] = values[i * file.channels + channel] >> file.shift;
        }
    }
    return std::max<std::int64_t>(got, 0);
}

}  // namespace trellmark
