#include "wave/wave_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <span>
#include <utility>

#include "wave/value_decoding.hpp"
#include "wave/wave_format.hpp"

namespace trellmark {
namespace {

using waveformat::getUint16;
using waveformat::getUint32;

// Closes the descriptor on every way out.
struct OpenFile {
    int fd = -1;
    std::int64_t size = 0;
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
};

// O_NONBLOCK keeps a FIFO or a device from stalling the open; anything but a
// regular file is then treated as a file that cannot be opened, because its
// "contents" could be endless or change under a second read.
bool openRegularFile(const std::string& path, OpenFile& file) {
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0) return false;
    struct stat status {};
    if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(file.fd);
        file.fd = -1;
        return false;
    }
    file.size = status.st_size;
    return true;
}

// Reads up to size bytes at offset; returns how many arrived before the end of
// the file or an error.
std::size_t readAt(int fd, unsigned char* bytes, std::size_t size, std::int64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

ValueCoding codingOf(std::uint16_t formatTag, std::uint16_t bits) {
    if (formatTag == floatTag) return bits == 32 ? ValueCoding::float32 : ValueCoding::float64;
    switch (bits) {
        case 8:
            return ValueCoding::unsigned8;
        case 16:
            return ValueCoding::signed16;
        case 24:
            return ValueCoding::signed24;
        default:
            return ValueCoding::signed32;
    }
}

bool isFloat(ValueCoding coding) {
    return coding == ValueCoding::float32 || coding == ValueCoding::float64;
}

// size / unit to the nearest whole number, ties to even: the count of values
// a data size promises, as the old floating-point quotient of the same fields
// gave it.
std::int64_t roundedQuotient(std::uint64_t size, std::uint64_t unit) {
    std::uint64_t quotient = size / unit;
    const std::uint64_t remainder = size % unit;
    if (remainder > unit - remainder || (remainder == unit - remainder && quotient % 2 == 1)) {
        ++quotient;
    }
    return static_cast<std::int64_t>(
        std::min<std::uint64_t>(quotient, std::numeric_limits<std::int64_t>::max()));
}

bool layoutReadable(WaveProblem problem) {
    return problem == WaveProblem::none || problem == WaveProblem::dataBeforeFormat;
}

// The format fields a RIFF walk found, and how to reach the channel's values.
void takeLayout(const RiffLayout& layout, int channel, WaveFile& file, WaveInfo& info) {
    file.problem = layout.problem;
    file.dataCut = layout.dataCut;
    info.channels = static_cast<std::int16_t>(layout.channels);
    info.sampleRate = static_cast<std::int32_t>(layout.sampleRate);
    info.bitsPerSample = static_cast<std::int16_t>(layout.bitsPerSample);
    info.dataSize = static_cast<std::int64_t>(
        std::min<std::uint64_t>(layout.dataSize, std::numeric_limits<std::int64_t>::max()));
    info.dataOffset = layout.dataOffset;
    info.channel = static_cast<std::int16_t>(channel);
    const bool floating = layout.formatTag == floatTag;
    const bool pcm = layout.formatTag == pcmTag;
    if (layout.rf64) {
        info.format = floating ? "RF64 float" : pcm ? "RF64 PCM" : "RF64";
    } else {
        info.format = floating ? "WAV float" : pcm ? "WAV PCM" : "WAV";
    }
    if (!layoutReadable(layout.problem)) return;

    info.kind = floating ? SampleKind::floating : SampleKind::integer;
    const ValueCoding coding = codingOf(layout.formatTag, layout.bitsPerSample);
    const int width = codingWidth(coding);
    const std::int64_t frameBytes = static_cast<std::int64_t>(width) * layout.channels;
    info.sampleCount = roundedQuotient(layout.dataSize, static_cast<std::uint64_t>(frameBytes));
    if (channel < 0 || channel >= layout.channels) return;
    file.coding = coding;
    file.stride = frameBytes;
    const std::int64_t base = layout.dataOffset + static_cast<std::int64_t>(channel) * width;
    if (file.fileSize > base) {
        const std::int64_t present = (file.fileSize - base + frameBytes - 1) / frameBytes;
        file.valuesInFile = std::min(present, info.sampleCount);
    }
}

}  // namespace

int codingWidth(ValueCoding coding) {
    switch (coding) {
        case ValueCoding::unsigned8:
            return 1;
        case ValueCoding::signed16:
            return 2;
        case ValueCoding::signed24:
            return 3;
        case ValueCoding::signed32:
        case ValueCoding::float32:
            return 4;
        case ValueCoding::float64:
            return 8;
        case ValueCoding::none:
            break;
    }
    return 0;
}

std::int32_t decode16(const unsigned char* bytes) {
    return static_cast<std::int16_t>(getUint16(bytes));
}

std::int32_t decode24(const unsigned char* bytes) {
    const std::int32_t u = bytes[0] + 256 * bytes[1] + 65536 * bytes[2];
    return u > 8388607 ? u - 16777216 : u;
}

HeldWave::~HeldWave() {
    sound.reset();
    if (descriptor >= 0) ::close(descriptor);
}

void openWave(HeldWave& held, const std::string& path, WaveInfo& info, int channel) {
    held.sound.reset();
    if (held.descriptor >= 0) ::close(held.descriptor);
    held.descriptor = -1;
    WaveFile& file = held.file;
    file = WaveFile{};
    file.path = path;
    info = WaveInfo{};
    OpenFile open;
    file.opened = openRegularFile(path, open);
    if (!file.opened) return;
    file.fileSize = open.size;
    const int fd = open.fd;
    // The chunks of most files lie in their first bytes: one read serves them.
    unsigned char head[256];
    const std::size_t inHead = readAt(fd, head, sizeof head, 0);
    const RiffLayout layout = walkRiffChunks(
        [&](unsigned char* bytes, std::size_t size, std::int64_t offset) {
            if (offset >= 0 && static_cast<std::uint64_t>(offset) + size <= inHead) {
                std::memcpy(bytes, head + offset, size);
                return size;
            }
            return readAt(fd, bytes, size, offset);
        },
        file.fileSize);
    if (layout.problem != WaveProblem::notWave) {
        takeLayout(layout, channel, file, info);
    } else if (SoundFileHandle sound = openSoundFile(fd, info)) {
        info.channel = static_cast<std::int16_t>(channel);
        if (info.kind != SampleKind::none && channel >= 0 && channel < info.channels) {
            file.coding =
                info.kind == SampleKind::floating ? ValueCoding::float64 : ValueCoding::signed32;
            file.stride = codingWidth(file.coding);
            file.valuesInFile = info.sampleCount;
        } else if (info.kind == SampleKind::none) {
            file.problem = WaveProblem::unsupportedFormat;
        }
        held.sound = std::move(sound);
    } else {
        file.problem = WaveProblem::notWave;
    }
    held.descriptor = std::exchange(open.fd, -1);
}

namespace {

// The values of [first, first + count) that lie in the file; none when the
// file has no values or nothing of the range is stored.
struct StoredRange {
    std::int64_t begin = 0;  // values begin .. end - 1
    std::int64_t end = 0;
};

StoredRange storedRange(const WaveFile& file, const WaveInfo& info, std::int64_t first,
                        std::int64_t count) {
    const std::int64_t limit = std::min<std::int64_t>(info.sampleCount, file.valuesInFile);
    if (file.coding == ValueCoding::none || count <= 0 || first >= limit) return {};
    // Clamp [first, first + count) to [0, limit) without ever forming a sum
    // that could overflow: first + count only when first is not positive.
    const std::int64_t begin = std::max<std::int64_t>(first, 0);
    const std::int64_t end =
        (first > 0 && count > limit - first) ? limit : std::min(first + count, limit);
    if (end <= begin) return {};
    return {begin, end};
}

// The whole values among the stored bytes, and whether a value cut by the end
// of the file follows them.
std::size_t wholeValues(const StoredValues& stored) {
    const auto size = static_cast<std::int64_t>(stored.bytes.size());
    if (stored.bytesPerValue == 0 || size < stored.bytesPerValue) return 0;
    const std::int64_t whole = (size - stored.bytesPerValue) / stored.stride + 1;
    return static_cast<std::size_t>(std::min(whole, stored.end - stored.begin));
}

bool hasCutValue(const StoredValues& stored, std::size_t whole) {
    return static_cast<std::int64_t>(whole) < stored.end - stored.begin &&
           whole * static_cast<std::size_t>(stored.stride) < stored.bytes.size();
}

template <class Value>
Value decodeOne(ValueCoding coding, const unsigned char* bytes) {
    switch (coding) {
        case ValueCoding::unsigned8:
            return static_cast<Value>(static_cast<std::int32_t>(bytes[0]) - 128);
        case ValueCoding::signed16:
            return static_cast<Value>(decode16(bytes));
        case ValueCoding::signed24:
            return static_cast<Value>(decode24(bytes));
        case ValueCoding::signed32:
            return static_cast<Value>(static_cast<std::int32_t>(getUint32(bytes)));
        case ValueCoding::float32:
        case ValueCoding::float64:
            if constexpr (std::is_same_v<Value, double>) {
                if (coding == ValueCoding::float32) {
                    float value = 0;
                    std::memcpy(&value, bytes, sizeof value);
                    return static_cast<double>(value) * floatUnit;
                }
                double value = 0;
                std::memcpy(&value, bytes, sizeof value);
                return value * floatUnit;
            }
            return 0;  // floats have no integer form
        case ValueCoding::none:
            break;
    }
    return 0;
}

// The value cut off by the end of the file, from the bytes present and zeros.
template <class Value>
Value cutValue(const StoredValues& stored, std::size_t whole) {
    unsigned char cell[8] = {};
    const std::size_t from = whole * static_cast<std::size_t>(stored.stride);
    std::copy(stored.bytes.begin() + static_cast<std::ptrdiff_t>(from), stored.bytes.end(), cell);
    return decodeOne<Value>(stored.coding, cell);
}

// The 16- and 24-bit values of a mono file lie side by side: the fast decoders
// take them.
bool contiguousFast(const StoredValues& stored) {
    return (stored.coding == ValueCoding::signed16 || stored.coding == ValueCoding::signed24) &&
           stored.stride == stored.bytesPerValue;
}

template <class Value>
void decodeInto(const StoredValues& stored, std::vector<Value>& values) {
    const auto total = static_cast<std::size_t>(stored.count);
    values.resize(total);
    Value* const all = values.data();
    std::size_t filled = 0;  // values[0, filled) are final; the rest become 0
    if (stored.bytesPerValue > 0) {
        const auto skipped = static_cast<std::size_t>(stored.begin - stored.first);
        std::fill(all, all + skipped, Value{0});
        Value* target = all + skipped;
        const std::size_t whole = wholeValues(stored);
        if constexpr (std::is_same_v<Value, std::int32_t>) {
            if (contiguousFast(stored)) {
                decodeValues(fastestDecodePath(), stored.bytes, stored.bytesPerValue, target);
            } else {
                for (std::size_t i = 0; i < whole; ++i) {
                    target[i] = decodeOne<Value>(stored.coding, &stored.bytes[i * stored.stride]);
                }
            }
        } else {
            for (std::size_t i = 0; i < whole; ++i) {
                target[i] = decodeOne<Value>(stored.coding, &stored.bytes[i * stored.stride]);
            }
        }
        filled = skipped + whole;
        if (hasCutValue(stored, whole)) {
            target[whole] = cutValue<Value>(stored, whole);
            ++filled;
        }
    }
    std::fill(all + filled, all + total, Value{0});
}

StoredValues readSound(const HeldWave& held, const WaveInfo& info, const StoredRange& range,
                       StoredValues stored, std::vector<unsigned char>& buffer) {
    const std::int64_t got =
        readSoundValues(*held.sound, info.channel, range.begin, range.end - range.begin, buffer);
    stored.coding = held.file.coding;
    stored.bytesPerValue = codingWidth(stored.coding);
    stored.stride = stored.bytesPerValue;
    stored.begin = range.begin;
    stored.end = range.begin + got;
    stored.bytes = {buffer.data(), static_cast<std::size_t>(got * stored.bytesPerValue)};
    return stored;
}

}  // namespace

StoredValues readStored(const HeldWave& held, const WaveInfo& info, std::int64_t first,
                        std::int64_t count, std::vector<unsigned char>& buffer) {
    StoredValues stored;
    stored.first = first;
    stored.count = std::max<std::int64_t>(count, 0);
    const WaveFile& file = held.file;
    const StoredRange range = storedRange(file, info, first, count);
    if (range.end <= range.begin || held.descriptor < 0) return stored;
    if (held.sound) return readSound(held, info, range, stored, buffer);

    stored.coding = file.coding;
    stored.bytesPerValue = codingWidth(file.coding);
    stored.stride = static_cast<int>(file.stride);
    stored.begin = range.begin;
    stored.end = range.end;
    // From the first byte of the first value to the last byte of the last one:
    // only what the file really holds.
    const std::int64_t offset = info.dataOffset +
                                static_cast<std::int64_t>(info.channel) * stored.bytesPerValue +
                                range.begin * file.stride;
    const std::int64_t span = (range.end - range.begin - 1) * file.stride + stored.bytesPerValue;
    const std::int64_t available = std::max<std::int64_t>(file.fileSize - offset, 0);
    const auto size = static_cast<std::size_t>(std::min(span, available));
    // The buffer only grows, so that it is not cleared on every read.
    if (buffer.size() < size) buffer.resize(size);
    stored.bytes = {buffer.data(), readAt(held.descriptor, buffer.data(), size, offset)};
    return stored;
}

void decodeStored(const StoredValues& stored, std::vector<std::int32_t>& values) {
    decodeInto(stored, values);
}

void decodeStored(const StoredValues& stored, std::vector<double>& values) {
    decodeInto(stored, values);
}

std::int64_t firstStoredAbove(const StoredValues& stored, std::int32_t threshold) {
    // The values decodeStored gives, in order: zeros before the stored ones,
    // the whole stored values, a cut one, zeros after.
    const bool zeroAbove = 0 > threshold;
    std::int64_t index = 0;
    if (stored.bytesPerValue > 0) {
        const std::int64_t skipped = stored.begin - stored.first;
        if (skipped > 0 && zeroAbove) return 0;
        const std::size_t whole = wholeValues(stored);
        std::size_t x = whole;
        if (contiguousFast(stored)) {
            x = firstValueAbove(fastestDecodePath(), stored.bytes, stored.bytesPerValue, threshold);
        } else {
            for (std::size_t i = 0; i < whole && x == whole; ++i) {
                if (decodeOne<double>(stored.coding, &stored.bytes[i * stored.stride]) >
                    threshold) {
                    x = i;
                }
            }
        }
        if (x < whole) return skipped + static_cast<std::int64_t>(x);
        index = skipped + static_cast<std::int64_t>(whole);
        if (hasCutValue(stored, whole)) {
            if (cutValue<double>(stored, whole) > threshold) return index;
            ++index;
        }
    }
    return index < stored.count && zeroAbove ? index : stored.count;
}

FloatProblem floatProblemIn(const StoredValues& stored) {
    if (!isFloat(stored.coding)) return FloatProblem::none;
    FloatProblem worst = FloatProblem::none;
    const auto judge = [&](double value) {
        FloatProblem problem = FloatProblem::none;
        if (std::isnan(value)) {
            problem = FloatProblem::notANumber;
        } else if (std::isinf(value)) {
            problem = FloatProblem::infinite;
        } else if (std::fabs(value) > floatLimit * floatUnit) {
            problem = FloatProblem::beyondRange;
        }
        worst = std::max(worst, problem);
    };
    const std::size_t whole = wholeValues(stored);
    for (std::size_t i = 0; i < whole; ++i) {
        judge(decodeOne<double>(stored.coding, &stored.bytes[i * stored.stride]));
    }
    if (hasCutValue(stored, whole)) judge(cutValue<double>(stored, whole));
    return worst;
}

void loadValues(HeldWave& held, const WaveInfo& info, std::int64_t first, std::int64_t count,
                std::vector<std::int32_t>& values) {
    decodeStored(readStored(held, info, first, count, held.bytes), values);
}

void loadValues(HeldWave& held, const WaveInfo& info, std::int64_t first, std::int64_t count,
                std::vector<double>& values) {
    decodeStored(readStored(held, info, first, count, held.bytes), values);
}

}  // namespace trellmark
