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

// The bytes read when a file is opened: enough for a 256 × 256 texture with all its levels, the
// largest the game's cars and tracks use, so almost every file is read with one call.
constexpr std::size_t kHeldBytes = 256 * 1024;

void refuseOversizeLevel(std::uint64_t byteCount) {
    if (byteCount > limits::kMaxMipLevelBytes) {
        throw std::length_error(
            formatMessage(kLevelDataTooLarge, byteCount, limits::kMaxMipLevelBytes));
    }
}

// Reads up to `bytes.size()` bytes from the stream's position; returns how many it delivered.
std::size_t readSome(std::istream& in, std::span<std::uint8_t> bytes) {
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<std::size_t>(in.gcount());
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
    held_ = std::make_unique_for_overwrite<std::uint8_t[]>(kHeldBytes);
    heldBytes_ = readSome(in_, std::span(held_.get(), kHeldBytes));
    wholeFileHeld_ = heldBytes_ < kHeldBytes;
    if (wholeFileHeld_) {
        length_ = heldBytes_;
    }
    std::array<std::uint8_t, kTextureHeaderSize> header{};
    readAt(0, header);
    header_ = decodeTextureHeader<MipHeader>(header);
}

void MipReader::readAt(std::uint64_t position, std::span<std::uint8_t> bytes) {
    if (wholeFileHeld_ || position + bytes.size() <= heldBytes_) {
        const std::size_t from =
            static_cast<std::size_t>(std::min<std::uint64_t>(position, heldBytes_));
        const std::size_t count = std::min(bytes.size(), heldBytes_ - from);
        std::copy_n(held_.get() + from, count, bytes.begin());
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(count), bytes.end(), 0);
        return;
    }
    std::fill(bytes.begin(), bytes.end(), 0);
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(position), std::ios::beg);
    readChunked(in_, bytes);
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
    std::array<std::uint8_t, kLevelRecordSize> record{};
    for (std::uint32_t i = 0; i < header_.numMips; ++i) {
        readAt(kTextureHeaderSize + std::uint64_t{kLevelRecordSize} * i, record);
        records_.push_back(decodeLevelRecord(record));
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
    const MipLevelRecord& record = records_.at(level);
    const std::uint64_t byteCount = levelByteCount(header_, level);
    refuseOversizeLevel(byteCount);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(byteCount));
    readAt(levelDataPosition(record), data);
    return data;
}

std::vector<std::uint8_t> readMipLevelData(std::istream& in, const MipLevelRecord& record,
                                           std::uint64_t byteCount) {
    refuseOversizeLevel(byteCount);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(byteCount), 0);
    // A level's bytes depend only on its record: an earlier read that ran past the end must not
    // blank a level that lies inside the file.
    in.clear();
    in.seekg(static_cast<std::streamoff>(levelDataPosition(record)), std::ios::beg);
    readChunked(in, data);
    return data;
}

}  // namespace vexmor
