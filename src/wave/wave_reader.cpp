#include "wave/wave_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <span>
#include <utility>

#include "wave/value_decoding.hpp"
#include "wave/wave_format.hpp"

namespace trellmark {
namespace {

using namespace waveformat;

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

int bytesPerValue(std::int16_t bitsPerSample) {
    if (bitsPerSample == 16) return 2;
    if (bitsPerSample == 24) return 3;
    return 0;
}

}  // namespace

std::int32_t decode16(const unsigned char* bytes) {
    return static_cast<std::int16_t>(getUint16(bytes));
}

std::int32_t decode24(const unsigned char* bytes) {
    const std::int32_t u = bytes[0] + 256 * bytes[1] + 65536 * bytes[2];
    return u > 8388607 ? u - 16777216 : u;
}

WaveInfo READHEADER(const unsigned char header[44]) {
    WaveInfo info;
    info.channels = header[channelsOffset];
    info.sampleRate = static_cast<std::int32_t>(getUint32(header + sampleRateOffset));
    info.bitsPerSample = static_cast<std::int16_t>(getUint16(header + bitsPerSampleOffset));
    info.dataSize = static_cast<std::int32_t>(getUint32(header + dataSizeOffset));
    const double quotient = (info.dataSize * 8.0) / (static_cast<double>(info.bitsPerSample) *
                                                     static_cast<double>(info.channels));
    // A header that divides by zero or promises a negative or impossible count
    // describes no samples at all.
    const double rounded = std::nearbyint(quotient);
    if (std::isfinite(rounded) && rounded >= 0 &&
        rounded <= std::numeric_limits<std::int32_t>::max()) {
        info.sampleCount = static_cast<std::int32_t>(rounded);
    }
    return info;
}

HeldWave::~HeldWave() {
    if (descriptor >= 0) ::close(descriptor);
}

void openWave(HeldWave& held, const std::string& path, WaveInfo& info) {
    if (held.descriptor >= 0) ::close(held.descriptor);
    held.descriptor = -1;
    WaveFile& file = held.file;
    file = WaveFile{};
    file.path = path;
    OpenFile open;
    file.opened = openRegularFile(path, open);

    unsigned char header[headerSize] = {};
    if (file.opened) {
        file.fileSize = open.size;
        readAt(open.fd, header, headerSize, 0);
        held.descriptor = std::exchange(open.fd, -1);
    }
    info = READHEADER(header);

    const int bytes = bytesPerValue(info.bitsPerSample);
    const std::int64_t dataBytes = file.fileSize - static_cast<std::int64_t>(headerSize);
    if (bytes > 0 && dataBytes > 0) {
        const std::int64_t present = (dataBytes + bytes - 1) / bytes;
        file.valuesInFile = std::min<std::int64_t>(present, info.sampleCount);
    }
}

WaveFile READWAVEFILE(const std::string& path, WaveInfo& info) {
    HeldWave held;
    openWave(held, path, info);
    return held.file;
}

namespace {

// The values of [first, first + count) that lie in the file and the bytes they
// take there; none when the depth has no values or nothing of the range is
// stored.
struct StoredRange {
    std::int64_t begin = 0;  // values begin .. end - 1
    std::int64_t end = 0;
    int bytesPerValue = 0;
    std::int64_t offset = 0;  // bytes size from offset: only what the file really holds
    std::int64_t size = 0;
};

StoredRange storedRange(std::int64_t fileSize, const WaveFile& file, const WaveInfo& info,
                        std::int64_t first, std::int64_t count) {
    StoredRange range;
    const int bytes = bytesPerValue(info.bitsPerSample);
    const std::int64_t limit = std::min<std::int64_t>(info.sampleCount, file.valuesInFile);
    if (bytes == 0 || count <= 0 || first >= limit) return range;
    // Clamp [first, first + count) to [0, limit) without ever forming a sum
    // that could overflow: first + count only when first is not positive.
    const std::int64_t begin = std::max<std::int64_t>(first, 0);
    const std::int64_t end =
        (first > 0 && count > limit - first) ? limit : std::min(first + count, limit);
    if (end <= begin) return range;
    range.begin = begin;
    range.end = end;
    range.bytesPerValue = bytes;
    range.offset = static_cast<std::int64_t>(headerSize) + begin * bytes;
    const std::int64_t available = std::max<std::int64_t>(fileSize - range.offset, 0);
    range.size = std::min((end - begin) * bytes, available);
    return range;
}

StoredValues readFrom(int fd, std::int64_t fileSize, const WaveFile& file, const WaveInfo& info,
                      std::int64_t first, std::int64_t count, std::vector<unsigned char>& buffer) {
    StoredValues stored;
    stored.first = first;
    stored.count = std::max<std::int64_t>(count, 0);
    const StoredRange range = storedRange(fileSize, file, info, first, count);
    if (range.bytesPerValue == 0 || fd < 0) return stored;
    stored.begin = range.begin;
    stored.end = range.end;
    stored.bytesPerValue = range.bytesPerValue;
    // The buffer only grows, so that it is not cleared on every read.
    const auto size = static_cast<std::size_t>(range.size);
    if (buffer.size() < size) buffer.resize(size);
    stored.bytes = {buffer.data(), readAt(fd, buffer.data(), size, range.offset)};
    return stored;
}

// The value cut off by the end of the file, from the bytes present and zeros.
std::int32_t cutValue(const StoredValues& stored, std::size_t whole) {
    unsigned char cell[3] = {};
    std::copy(stored.bytes.begin() + whole * stored.bytesPerValue, stored.bytes.end(), cell);
    return stored.bytesPerValue == 2 ? decode16(cell) : decode24(cell);
}

// Whether a cut value follows the whole values of stored.
bool hasCutValue(const StoredValues& stored, std::size_t whole) {
    return whole * stored.bytesPerValue < stored.bytes.size() &&
           static_cast<std::int64_t>(whole) < stored.end - stored.begin;
}

}  // namespace

StoredValues readStored(const HeldWave& held, const WaveInfo& info, std::int64_t first,
                        std::int64_t count, std::vector<unsigned char>& buffer) {
    return readFrom(held.descriptor, held.file.fileSize, held.file, info, first, count, buffer);
}

void decodeStored(const StoredValues& stored, std::vector<std::int32_t>& values) {
    const auto total = static_cast<std::size_t>(stored.count);
    values.resize(total);
    std::int32_t* const all = values.data();
    std::size_t filled = 0;  // values[0, filled) are final; the rest become 0
    const int bytes = stored.bytesPerValue;
    if (bytes > 0) {
        const auto skipped = static_cast<std::size_t>(stored.begin - stored.first);
        std::fill(all, all + skipped, 0);
        std::int32_t* target = all + skipped;
        decodeValues(fastestDecodePath(), stored.bytes, bytes, target);
        const std::size_t whole = stored.bytes.size() / bytes;
        filled = skipped + whole;
        if (hasCutValue(stored, whole)) {
            target[whole] = cutValue(stored, whole);
            ++filled;
        }
    }
    std::fill(all + filled, all + total, 0);
}

std::int64_t firstStoredAbove(const StoredValues& stored, std::int32_t threshold) {
    // The values decodeStored gives, in order: zeros before the stored ones,
    // the whole stored values, a cut one, zeros after.
    const bool zeroAbove = 0 > threshold;
    const int bytes = stored.bytesPerValue;
    std::int64_t index = 0;
    if (bytes > 0) {
        const std::int64_t skipped = stored.begin - stored.first;
        if (skipped > 0 && zeroAbove) return 0;
        const std::size_t whole = stored.bytes.size() / bytes;
        const std::size_t x = firstValueAbove(fastestDecodePath(), stored.bytes, bytes, threshold);
        if (x < whole) return skipped + static_cast<std::int64_t>(x);
        index = skipped + static_cast<std::int64_t>(whole);
        if (hasCutValue(stored, whole)) {
            if (cutValue(stored, whole) > threshold) return index;
            ++index;
        }
    }
    return index < stored.count && zeroAbove ? index : stored.count;
}

void loadValues(HeldWave& held, const WaveInfo& info, std::int64_t first, std::int64_t count,
                std::vector<std::int32_t>& values) {
    decodeStored(readStored(held, info, first, count, held.bytes), values);
}

void LOADARRAY(const WaveFile& file, const WaveInfo& info, std::int64_t first, std::int64_t count,
               std::vector<std::int32_t>& values) {
    // Opened only when something is to be read from it.
    OpenFile open;
    if (storedRange(std::numeric_limits<std::int64_t>::max(), file, info, first, count)
            .bytesPerValue > 0) {
        openRegularFile(file.path, open);
    }
    std::vector<unsigned char> buffer;
    decodeStored(readFrom(open.fd, open.size, file, info, first, count, buffer), values);
}

}  // namespace trellmark
