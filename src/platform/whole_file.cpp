#include "platform/whole_file.h"

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>

#include "platform/file_system.h"
#include "platform/folder_index.h"
#include "platform/native_entries.h"

namespace vexmor::platform {
namespace fs = std::filesystem;

namespace {

// A temporary name beside the final one that no other writer of this run or of another process
// picks: the process number and a count, tried again on the rare clash with a stray file. `make`
// makes the entry at a name, failing with file_exists when the name is taken.
template <typename Make>
std::error_code makeTemporary(const fs::path& finalPath, fs::path& temporary, const Make& make) {
    static std::atomic<unsigned long> count{0};
    std::error_code error;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = finalPath;
        temporary += "." + std::to_string(detail::processNumber()) + "-" +
                     std::to_string(count.fetch_add(1)) + ".vexmor-tmp";
        // Not noted in the folder index: the name is never looked up, and the index learns the
        // folder's new state when the file is renamed or removed.
        error = make(temporary);
        if (error != std::errc::file_exists) {
            return error;
        }
    }
    return error;
}

std::string reasonOf(const std::error_code& error) {
    return error ? error.message() : std::string();
}

}  // namespace

WholeFile::WholeFile(std::string_view finalPathText, Filling filling)
    : final_(nativePath(finalPathText)) {
    if (final_.filename().empty()) {
        failure_ = std::make_error_code(std::errc::is_a_directory).message();
        return;
    }
    // Where no unnamed file can be made, the named way says what is wrong with the folder.
    if (filling == Filling::onlyByWrite &&
        !detail::createUnnamedFile(final_.parent_path(), kept_)) {
        unnamed_ = true;
        return;
    }
    const std::error_code error = makeTemporary(final_, temporary_, [this](const fs::path& path) {
        return detail::createNewFile(path, kept_);
    });
    if (error) {
        failure_ = reasonOf(error);
        temporary_.clear();
    }
}

WholeFile::~WholeFile() {
    detail::closeKept(kept_);
    if (!committed_ && !temporary_.empty()) {
        std::error_code ignored;
        const FolderChange change;
        fs::remove(temporary_, ignored);
        noteEntryRemoved(temporary_);
    }
}

std::string WholeFile::temporaryPathText() const {
    return detail::genericText(temporary_);
}

std::error_code WholeFile::write(std::span<const std::uint8_t> bytes) {
    if (unnamed_) {
        return detail::writeKept(kept_, bytes);
    }
    return detail::writeContents(kept_, temporary_, bytes);
}

std::string WholeFile::copyFrom(std::string_view sourceText) {
    if (!ready()) {
        return failure_;
    }
    return reasonOf(detail::copyContents(nativePath(sourceText), temporary_));
}

std::ofstream WholeFile::openStream() const {
    // Opened without truncating: the file was made empty moments ago, and on ext4 truncating it
    // again would make its close start writing it to disk (the guard for rewrites in place).
    return std::ofstream(temporary_, std::ios::binary | std::ios::in | std::ios::out);
}

std::string WholeFile::commit() {
    if (!ready()) {
        return failure_;
    }
    if (unnamed_) {
        return commitUnnamed();
    }
    // Some file systems report a failed write only at the close.
    if (const std::error_code closed = detail::closeKept(kept_)) {
        return reasonOf(closed);
    }
    const FolderChange change;
    const std::error_code error = detail::replaceFile(temporary_, final_);
    if (error) {
        return reasonOf(error);
    }
    noteFileRenamed(temporary_, final_);
    committed_ = true;
    return {};
}

std::string WholeFile::commitUnnamed() {
    const FolderChange change;
    std::error_code error = detail::nameKept(kept_, final_);
    if (!error) {
        // A failed close (see commit()) takes back the name given a moment ago, which held
        // nothing before: the folder is left as it was.
        error = detail::closeKept(kept_);
        if (error) {
            std::error_code ignored;
            fs::remove(final_, ignored);
            return reasonOf(error);
        }
        noteEntryCreated(final_);
        committed_ = true;
        return {};
    }
    if (error != std::errc::file_exists) {
        return reasonOf(error);
    }
    // Something is at the final name: the file takes a temporary name and replaces it from there,
    // as a named temporary file would; the destructor removes that name if this fails.
    error = makeTemporary(final_, temporary_,
                          [this](const fs::path& path) { return detail::nameKept(kept_, path); });
    if (error) {
        temporary_.clear();
        return reasonOf(error);
    }
    unnamed_ = false;
    return commit();
}

std::string WholeFile::commit(std::ofstream& out) {
    if (!ready()) {
        return failure_;
    }
    // The stream keeps no reason of its own: errno right after the failing call is the system's.
    // A write that already failed was the stream's last call to the system.
    const int writeError = out.good() ? 0 : errno;
    errno = 0;
    out.flush();
    const int flushError = errno;
    const bool written = out.good();
    out.close();
    const int closeError = errno;
    if (!written || out.fail()) {
        const int code = writeError != 0 ? writeError : flushError != 0 ? flushError : closeError;
        return code != 0 ? std::generic_category().message(code) : "write error";
    }
    return commit();
}

std::string copyFileWhole(std::string_view sourceText, std::string_view destinationText) {
    WholeFile file(destinationText);
    const std::string failure = file.copyFrom(sourceText);
    return failure.empty() ? file.commit() : failure;
}

}  // namespace vexmor::platform
