#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <utility>

#include "common/text.h"
#include "platform/file_system.h"
#include "platform/folder_index.h"
#include "platform/native_entries.h"
#include "platform/posix/folder_lookup.h"

// The POSIX half of the file-system layer: the program's Windows path texts are mapped onto a
// case-sensitive file system, and the Windows delete call has a stand-in.
namespace vexmor::platform {
namespace fs = std::filesystem;

namespace {

bool existsAsWritten(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// A path's last name and the folder it is in, for a path that has both.
struct LastName {
    fs::path folder;
    std::string_view name;
};

std::optional<LastName> lastNameOf(const std::string& text) {
    const std::size_t nameEnd = text.find_last_not_of('/');
    const std::size_t folderEnd = nameEnd == std::string::npos ? nameEnd : text.rfind('/', nameEnd);
    if (folderEnd == std::string::npos || folderEnd == 0) {
        return std::nullopt;
    }
    const std::string_view name(text.data() + folderEnd + 1, nameEnd - folderEnd);
    if (name == "." || name == "..") {
        return std::nullopt;
    }
    return LastName{fs::path(text.substr(0, folderEnd)), name};
}

// The path to `last`'s folder and `spelling`, with the text's trailing separator.
fs::path spelledIn(const LastName& last, const std::string& spelling, const std::string& text) {
    fs::path path = last.folder / spelling;
    if (text.back() == '/') {
        path += "/";
    }
    return path;
}

}  // namespace

fs::path nativePath(std::string_view pathText) {
    fs::path written = detail::writtenPath(pathText);
    const std::string& text = written.native();
    if (text.empty()) {
        return written;
    }
    // In a folder whose names are kept (see folder_index.h), they answer with one look at the
    // folder and none at the name: a run writing thousands of files into one folder asks this
    // for each.
    const std::optional<LastName> last = lastNameOf(text);
    if (last) {
        if (const std::optional<std::string> kept = nameInKeptFolder(last->folder, last->name)) {
            return *kept == last->name ? written : spelledIn(*last, *kept, text);
        }
    }
    if (existsAsWritten(written)) {
        return written;
    }
    // Most paths that do not exist yet name a new file or folder in a folder that does: then only
    // the last name needs looking up, not every folder on the way. The folder's listing is kept.
    if (last) {
        if (const std::optional<std::string> match = nameInFolder(last->folder, last->name)) {
            return spelledIn(*last, *match, text);
        }
    }

    fs::path resolved = text.front() == '/' ? fs::path("/") : fs::path();
    bool resolving = true;  // past a missing component nothing below it can exist
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string_view component(text.data() + start, end - start);
        start = end + 1;
        if (component.empty()) {
            continue;
        }
        if (!resolving || component == "." || component == "..") {
            resolved /= fs::path(std::string(component));
            continue;
        }
        fs::path candidate = resolved / fs::path(std::string(component));
        if (existsAsWritten(candidate)) {
            resolved = std::move(candidate);
        } else if (std::optional<std::string> match = findIgnoringCase(resolved, component)) {
            resolved /= *match;
        } else {
            resolved = std::move(candidate);
            resolving = false;
        }
    }
    if (text.back() == '/') {
        resolved += "/";
    }
    return resolved;
}

void deleteFile(std::string_view pathText) {
    const fs::path path = nativePath(pathText);
    std::error_code error;
    const FolderChange change;
    if (!fs::is_directory(fs::symlink_status(path, error)) && fs::remove(path, error)) {
        noteEntryRemoved(path);
    }
}

fs::path reportFilePath() {
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    return (error ? fs::path("/tmp") : folder) / "mi433.csv";
}

ReportOpening openReportStream(std::ofstream& stream, const fs::path& path) {
    // O_NOFOLLOW refuses a link as the last component; O_NONBLOCK keeps a FIFO from blocking.
    const int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        // A link, a folder, or a FIFO no one reads: something is there that is not a file.
        const bool occupied = errno == ELOOP || errno == EISDIR || errno == ENXIO;
        return occupied ? ReportOpening::refused : ReportOpening::failed;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return ReportOpening::refused;
    }
    // The stream opens the very file checked through the descriptor's own name, so nothing put
    // at the path meanwhile is written through.
    const int emptied = ::ftruncate(descriptor, 0);
    if (emptied == 0) {
        stream.open("/proc/self/fd/" + std::to_string(descriptor), std::ios::out | std::ios::app);
    }
    ::close(descriptor);
    return stream.is_open() ? ReportOpening::opened : ReportOpening::failed;
}

namespace detail {

fs::path writtenPath(std::string_view pathText) {
    std::string text(pathText);
    std::replace(text.begin(), text.end(), '\\', '/');
    return fs::path(std::move(text));
}

std::string entryName(const fs::path& path) {
    return path.filename().string();
}

std::string genericText(const fs::path& path) {
    return path.generic_string();
}

EntryKind entryKind(const fs::directory_entry& entry) {
    const fs::path& path = entry.path();
    const auto fail = [&path](const std::error_code& error) {
        return FileSystemError("directory_entry::status", error, path.generic_string());
    };
    // The listing gives most entries' own type: only a link, or an entry of a file system that
    // does not say, takes a look.
    std::error_code error;
    const bool link = entry.is_symlink(error);
    if (!error && !link) {
        const bool folder = entry.is_directory(error);
        const bool file = !error && !folder && entry.is_regular_file(error);
        if (error) {
            throw fail(error);
        }
        return folder ? EntryKind::folder : file ? EntryKind::file : EntryKind::skipped;
    }
    if (error) {
        throw fail(error);
    }
    // Links are followed for the status of files, never into directories.
    const fs::file_status target = fs::status(path, error);
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) {
        return EntryKind::brokenLink;
    }
    if (error) {
        throw fail(error);
    }
    return fs::is_regular_file(target) ? EntryKind::file : EntryKind::skipped;
}

bool isLink(const fs::path& path) {
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(path, error));
}

void removeEntry(const fs::path& path, std::error_code& error) {
    fs::remove(path, error);
}

// The tool finds names without regard to ASCII case, so two spellings are one folder to it.
bool sameComponent(const fs::path& a, const fs::path& b) {
    return toLowerAscii(a.native()) == toLowerAscii(b.native());
}

}  // namespace detail
}  // namespace vexmor::platform
