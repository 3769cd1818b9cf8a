#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace vexmor::platform {

// Why appending another file's bytes stopped: the source could not be read, held other than the
// bytes it was measured to hold, or the target could not be written. All empty on success.
struct AppendFailure {
    std::string reading;  // the system's reason
    bool lengthChanged = false;
    std::string writing;  // the system's reason

    bool any() const { return !reading.empty() || lengthChanged || !writing.empty(); }
};

// An existing empty file (such as a WholeFile's temporary one), filled from its start.
// Another file's bytes are moved by the system without passing through this process where it
// can (copy_file_range on Linux, as cat does), so joining files costs about one copy of their
// bytes.
class AppendFile {
public:
    // Opens the empty file `path` for writing; never through a link.
    explicit AppendFile(const std::filesystem::path& path);
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Empty once opened; else the system's reason.
    const std::string& failure() const { return failure_; }

    // Appends `bytes`; returns the system's reason on failure, else an empty text.
    std::string append(std::span<const std::uint8_t> bytes);

    // Appends the bytes of the regular file `sourceText`, which must hold exactly `length`
    // bytes, in pieces of at most `pieceSize` bytes (never the whole file in memory).
    AppendFailure appendFileBytes(std::string_view sourceText, std::uint64_t length,
                                  std::size_t pieceSize);

    // Closes the file; returns the system's reason when that fails, else an empty text.
    std::string close();

private:
    std::intptr_t handle_;  // a file descriptor on POSIX, a HANDLE on Windows
    std::string failure_;
};

}  // namespace vexmor::platform
