#include "texture/mip_reader.h"

#include <algorithm>
#include <array>
#include <span>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "app/console.h"
#include "common/stream_length.h"
#include "platform/file_system.h"
#include "texture/chunked_stream.h"

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

// Past level 32 every level is zero pixels wide; only the levels before it can hold bytes.
constexpr std::uint64_t kLevelsWithPixels = std::uint64_t{limits::kMaxLevelShift} + 2;

// Reads the next N bytes; whatever the stream cannot deliver reads as zero.
template <std::size_t N>
std::array<std::uint8_t, N> readZeroFilled(std::istream& in) {
    std::array<std::uint8_t, N> bytes{};
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(N));
    return bytes;
}

}  // namespace

MipReader::MipReader(Console& console, std::string path, std::string_view readFrom)
    : console_(console),
      path_(std::move(path)),
      in_(platform::openForReading(readFrom.empty() ? std::string_view(path_) : readFrom)) {
    if (!in_.is_open()) {
        console_.printLine(kCouldNotOpen, path_);
        return;
    }
    header_ = decodeTextureHeader<MipHeader>(readZeroFilled<kTextureHeaderSize>(in_));
}

bool MipReader::readRecords() {
    const std::uint64_t needed =
        kTextureHeaderSize + std::uint64_t{kLevelRecordSize} * header_.numMips;
    if (header_.numMips != 0 && needed > fileLength()) {
        console_.printLine(kLevelCountTooLarge, path_, header_.numMips);
        return false;
    }
    if (header_.numMips > limits::kMaxMipLevels) {
        console_.printLine(kLevelCountAboveBound, path_, header_.numMips, limits::kMaxMipLevels);
        return false;
    }
    records_.clear();
    records_.reserve(header_.numMips);
    for (std::uint32_t i = 0; i < header_.numMips; ++i) {
        records_.push_back(decodeLevelRecord(readZeroFilled<kLevelRecordSize>(in_)));
    }
    return true;
}

bool MipReader::levelsFit() {
    const std::uint64_t levels = std::min<std::uint64_t>(header_.numMips, kLevelsWithPixels);
    std::uint64_t total = 0;
    for (std::uint64_t i = 0; i < levels; ++i) {
        const std::uint64_t bytes = levelByteCount(header_, i);
        if (bytes > limits::kMaxMipLevelBytes) {
            console_.printLine(kLevelTooLarge, path_, bytes, i, limits::kMaxMipLevelBytes);
            return false;
        }
        total += bytes;
    }
    const std::uint64_t length = fileLength();
    if (total > limits::kMipLevelBytesPerFileByte * length + limits::kMipLevelBytesAllowance) {
        console_.printLine(kLevelsBeyondFile, path_, total, length);
        return false;
    }
    return true;
}

std::uint64_t MipReader::fileLength() {
    if (!length_) {
        length_ = streamLength(in_);
    }
    return *length_;
}

std::vector<std::uint8_t> MipReader::readLevel(std::size_t level) {
    return readMipLevelData(in_, records_.at(level), levelByteCount(header_, level));
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
    readChunked(in, data);
    return data;
}

}  // namespace vexmor
