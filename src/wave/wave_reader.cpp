#include "wave/wave_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

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

WaveFile READWAVEFILE(const std::string& path, WaveInfo& info) {
    WaveFile file;
    file.path = path;
    OpenFile open;
    file.opened = openRegularFile(path, open);

    unsigned char header[headerSize] = {};
    if (file.opened) {
        file.fileSize = open.size;
        readAt(open.fd, header, headerSize, 0);
    }
    info = READHEADER(header);

    const int bytes = bytesPerValue(info.bitsPerSample);
    const std::int64_t dataBytes = file.fileSize - static_cast<std::int64_t>(headerSize);
    if (bytes > 0 && dataBytes > 0) {
        const std::int64_t present = (dataBytes + bytes - 1) / bytes;
        file.valuesInFile = std::min<std::int64_t>(present, info.sampleCount);
    }
    return file;
}

void LOADARRAY(const WaveFile& file, const WaveInfo& info, std::int64_t first, std::int64_t count,
               std::vector<std::int32_t>& values) {
    values.assign(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)), 0);
    const int bytes = bytesPerValue(info.bitsPerSample);
    const std::int64_t limit = std::min<std::int64_t>(info.sampleCount, file.valuesInFile);
    if (bytes == 0 || count <= 0 || first >= limit) return;

    // Clamp [first, first + count) to [0, limit) without ever forming a sum
    // that could overflow: first + count only when first is not positive.
    const std::int64_t begin = std::max<std::int64_t>(first, 0);
    const std::int64_t end =
        (first > 0 && count > limit - first) ? limit : std::min(first + count, limit);
    if (end <= begin) return;

    OpenFile open;
    if (!openRegularFile(file.path, open)) return;

    // Only the bytes the file really holds are loaded, whatever the header says.
    const std::int64_t offset = static_cast<std::int64_t>(headerSize) + begin * bytes;
    const std::int64_t wanted = (end - begin) * bytes;
    const std::int64_t available = std::max<std::int64_t>(open.size - offset, 0);
    std::vector<unsigned char> block(static_cast<std::size_t>(std::min(wanted, available)));
    block.resize(readAt(open.fd, block.data(), block.size(), offset));

    std::int32_t* target = values.data() + (begin - first);
    const std::size_t whole = block.size() / bytes;
    for (std::size_t i = 0; i < whole; ++i) {
        const unsigned char* cell = block.data() + i * bytes;
        target[i] = bytes == 2 ? decode16(cell) : decode24(cell);
    }
    // A value cut off by the end of the file is decoded from the bytes present
    // and zeros for the rest.
    if (whole * bytes < block.size() && static_cast<std::int64_t>(whole) < end - begin) {
        unsigned char cell[3] = {};
        std::copy(block.begin() + whole * bytes, block.end(), cell);
        target[whole] = bytes == 2 ? decode16(cell) : decode24(cell);
    }
}

}  // namespace trellmark
