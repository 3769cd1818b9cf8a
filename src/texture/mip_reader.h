#pragma once

#include <cstdint>
#include <fstream>
#include <istream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "texture/mip_file.h"

namespace vexmor {

class Console;

// A MIP file read the one way every reader takes it: the header when it is opened, then the
// level records, then each level's pixels on demand. Each step that refuses the file prints its
// one line naming the file and returns false; a caller stops there.
class MipReader {
public:
    // Opens `path` and reads the header; missing bytes of a short file read as zeros. When the
    // file cannot be opened, prints "Could not open file" and isOpen() is false. With `readFrom`,
    // the bytes come from that file while every line names `path`.
    MipReader(Console& console, std::string path, std::string_view readFrom = {});

    bool isOpen() const { return in_.is_open(); }
    const MipHeader& header() const { return header_; }
    const std::vector<MipLevelRecord>& records() const { return records_; }

    // Reads the level records when the file can hold as many as the header claims and they are
    // at most limits::kMaxMipLevels.
    bool readRecords();

    // True when every level the header describes stays within limits::kMaxMipLevelBytes and all
    // levels together stay within what the file's length allows
    // (limits::kMipLevelBytesPerFileByte). readLevel throws std::length_error for a level above
    // the bound, so callers ask first.
    bool levelsFit();

    // The w × h bytes of level `level` (whose record has been read), as readMipLevelData.
    std::vector<std::uint8_t> readLevel(std::size_t level);

private:
    Console& console_;
    std::string path_;
    std::ifstream in_;
    // The file's first bytes, read with one call when it is opened: most files are smaller, and
    // then nothing more is read from the file.
    std::unique_ptr<std::uint8_t[]> held_;
    std::size_t heldBytes_ = 0;
    bool wholeFileHeld_ = false;
    MipHeader header_;
    std::vector<MipLevelRecord> records_;
    std::optional<std::uint64_t> length_;  // the file's, measured once

    std::uint64_t fileLength();
    // Fills `bytes` from `position` on; what the file does not have reads as zero.
    void readAt(std::uint64_t position, std::span<std::uint8_t> bytes);
};

// The level's `byteCount` bytes from its data position, zero-filled where the file has none.
// Each call seeks afresh, so a level that lies in the file is read even after an earlier read ran
// past the end. Throws std::length_error when `byteCount` exceeds limits::kMaxMipLevelBytes.
std::vector<std::uint8_t> readMipLevelData(std::istream& in, const MipLevelRecord& record,
                                           std::uint64_t byteCount);

}  // namespace vexmor
