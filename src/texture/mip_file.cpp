#include "texture/mip_file.h"

#include <algorithm>
#include <array>
#include <span>
#include <stdexcept>
#include <string_view>

#include "app/little_endian.h"
#include "app/output_file.h"
#include "app/run_context.h"
#include "platform/file_system.h"

namespace vexmor {

namespace {

constexpr std::string_view kCouldNotOpen = "Could not open file {}";
constexpr std::string_view kLevelCountTooLarge =
    "Error - MIP {} claims {} levels, more than the file can hold";
constexpr std::string_view kLevelCountAboveBound =
    "Error - MIP {} claims {} levels, more than the {} a texture may have";
constexpr std::string_view kLevelTooLarge =
    "Error - MIP {} claims {} bytes for level {}, more than the {} bytes a level may hold";
constexpr std::string_view kLevelsBeyondFile =
    "Error - MIP {} claims {} bytes of level data, far more than its {} bytes can hold";
constexpr std::string_view kLevelDataTooLarge =
    "MIP level of {} bytes is larger than the {} bytes a level may hold";
constexpr std::string_view kReExported =
    "Re-exported {}. Original size {}, new size {}, actual data written {}";

// Texture data moves through the streams in pieces of this size.
constexpr std::size_t kChunkSize = 4096;

// Past level 32 every level is zero pixels wide; only the levels before it can hold bytes.
constexpr std::uint64_t kLevelsWithPixels = std::uint64_t{limits::kMaxLevelShift} + 2;

// Reads up to `buffer.size()` bytes; whatever the stream cannot deliver stays as it was (zero).
void readZeroFilled(std::istream& in, std::span<std::uint8_t> buffer) {
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
}

std::uint64_t streamLength(std::istream& in) {
    const std::ios::iostate state = in.rdstate();
    in.clear();
    const std::streampos here = in.tellg();
    in.seekg(0, std::ios::end);
    const std::streampos end = in.tellg();
    in.clear();
    if (here != std::streampos(-1)) {
        in.seekg(here);
    }
    in.setstate(state);
    return end == std::streampos(-1) ? 0 : static_cast<std::uint64_t>(end);
}

std::array<std::uint8_t, kMipHeaderSize> headerBytes(const MipHeader& header) {
    std::array<std::uint8_t, kMipHeaderSize> bytes{};
    writeU32(bytes, 0, header.size);
    writeU32(bytes, 4, header.reserved);
    writeU32(bytes, 8, header.width);
    writeU32(bytes, 12, header.heightMinus2);
    writeU32(bytes, 16, header.numMips);
    writeU32(bytes, 20, header.defaultColour);
    return bytes;
}

std::array<std::uint8_t, kMipLevelRecordSize> recordBytes(const MipLevelRecord& record) {
    std::array<std::uint8_t, kMipLevelRecordSize> bytes{};
    writeU32(bytes, 0, record.mipLevelInternal);
    writeU32(bytes, 4, record.magic);
    writeU32(bytes, 8, record.offset);
    return bytes;
}

void writeBytes(std::ostream& out, std::span<const std::uint8_t> bytes) {
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Writes a level in 4 KiB chunks; returns the bytes the stream accepted.
std::uint64_t writeChunked(std::ostream& out, std::span<const std::uint8_t> bytes) {
    std::uint64_t written = 0;
    for (std::size_t at = 0; at < bytes.size(); at += kChunkSize) {
        const std::span<const std::uint8_t> chunk =
            bytes.subspan(at, std::min(kChunkSize, bytes.size() - at));
        writeBytes(out, chunk);
        if (!out) {
            break;
        }
        written += chunk.size();
    }
    return written;
}

}  // namespace

MipHeader readMipHeader(std::istream& in) {
    std::array<std::uint8_t, kMipHeaderSize> bytes{};
    readZeroFilled(in, bytes);
    MipHeader header;
    header.size = readU32(bytes, 0);
    header.reserved = readU32(bytes, 4);
    header.width = readU32(bytes, 8);
    header.heightMinus2 = readU32(bytes, 12);
    header.numMips = readU32(bytes, 16);
    header.defaultColour = readU32(bytes, 20);
    return header;
}

MipLevelRecord readMipLevelRecord(std::istream& in) {
    std::array<std::uint8_t, kMipLevelRecordSize> bytes{};
    readZeroFilled(in, bytes);
    return {readU32(bytes, 0), readU32(bytes, 4), readU32(bytes, 8)};
}

std::vector<std::uint8_t> readMipLevelData(std::istream& in, const MipLevelRecord& record,
                                           std::uint64_t byteCount) {
    if (byteCount > limits::kMaxMipLevelBytes) {
        throw std::length_error(
            formatMessage(kLevelDataTooLarge, byteCount, limits::kMaxMipLevelBytes));
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(byteCount), 0);
    // A level's bytes depend only on its record: an earlier read that ran past the end must not
    // blank a level that lies inside the file.
    in.clear();
    in.seekg(static_cast<std::streamoff>(levelDataPosition(record)), std::ios::beg);
    const std::span<std::uint8_t> bytes(data);
    for (std::size_t at = 0; at < bytes.size() && in; at += kChunkSize) {
        readZeroFilled(in, bytes.subspan(at, std::min(kChunkSize, bytes.size() - at)));
    }
    return data;
}

bool mipLevelCountFits(RunContext& context, const std::string& path, const MipHeader& header,
                       std::istream& in) {
    const std::uint64_t needed =
        kMipHeaderSize + std::uint64_t{kMipLevelRecordSize} * header.numMips;
    if (header.numMips != 0 && needed > streamLength(in)) {
        context.console.printLine(kLevelCountTooLarge, path, header.numMips);
        return false;
    }
    if (header.numMips > limits::kMaxMipLevels) {
        context.console.printLine(kLevelCountAboveBound, path, header.numMips,
                                  limits::kMaxMipLevels);
        return false;
    }
    return true;
}

bool mipLevelSizeFits(RunContext& context, const std::string& path, const MipHeader& header,
                      std::istream& in) {
    const std::uint64_t levels = std::min<std::uint64_t>(header.numMips, kLevelsWithPixels);
    std::uint64_t total = 0;
    for (std::uint64_t i = 0; i < levels; ++i) {
        const std::uint64_t bytes = levelByteCount(header, i);
        if (bytes > limits::kMaxMipLevelBytes) {
            context.console.printLine(kLevelTooLarge, path, bytes, i, limits::kMaxMipLevelBytes);
            return false;
        }
        total += bytes;
    }
    const std::uint64_t length = streamLength(in);
    if (total > limits::kMipLevelBytesPerFileByte * length + limits::kMipLevelBytesAllowance) {
        context.console.printLine(kLevelsBeyondFile, path, total, length);
        return false;
    }
    return true;
}

void readMip(RunContext& context, MipImage& image, std::string path, bool withPixels) {
    image = MipImage{};
    image.path = path;
    std::ifstream in = platform::openForReading(path);
    if (!in.is_open()) {
        context.console.printLine(kCouldNotOpen, path);
        return;
    }
    image.header = readMipHeader(in);
    image.width = image.header.width;
    image.height = image.header.heightMinus2 + 2;
    // A refused file keeps its geometry but no levels, and says so in its own header, so that a
    // re-export of it stays a consistent file.
    if (!mipLevelCountFits(context, path, image.header, in) ||
        (withPixels && !mipLevelSizeFits(context, path, image.header, in))) {
        image.header.numMips = 0;
        return;
    }
    image.levelRecords.reserve(image.header.numMips);
    for (std::uint32_t i = 0; i < image.header.numMips; ++i) {
        image.levelRecords.push_back(readMipLevelRecord(in));
    }
    if (!withPixels) {
        return;
    }
    image.levels.reserve(image.levelRecords.size());
    for (std::size_t i = 0; i < image.levelRecords.size(); ++i) {
        image.levels.push_back(
            readMipLevelData(in, image.levelRecords[i], levelByteCount(image.header, i)));
    }
}

bool writeMip(RunContext& context, MipImage& image, std::string path) {
    OutputFile file(context, path);
    if (!file.ready()) {
        return false;
    }
    std::ofstream out = file.openStream();
    writeBytes(out, headerBytes(image.header));

    const std::uint32_t tableBytes = static_cast<std::uint32_t>(
        kMipHeaderSize + kMipLevelRecordSize * image.levelRecords.size());
    std::uint32_t position = tableBytes;
    for (std::size_t i = 0; i < image.levelRecords.size(); ++i) {
        MipLevelRecord& record = image.levelRecords[i];
        record.offset = record.mipLevelInternal + position - 3;
        writeBytes(out, recordBytes(record));
        if (i < image.levels.size()) {
            position += static_cast<std::uint32_t>(image.levels[i].size());
        }
    }

    std::uint64_t written = 0;
    for (const std::vector<std::uint8_t>& level : image.levels) {
        written += writeChunked(out, level);
    }
    context.console.printInfoLine(kReExported, path, std::uint64_t{image.header.size} + 4, position,
                                  written + tableBytes);

    image.header.size = position - 4;
    out.seekp(0);
    writeBytes(out, headerBytes(image.header));
    return file.commit(out);
}

}  // namespace vexmor
