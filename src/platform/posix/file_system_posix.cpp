#include <dirent.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/file_system.h"
#include "platform/native_entries.h"

// The POSIX half of the file-system layer: the program's Windows path texts are mapped onto a
// case-sensitive file system, and the Windows delete call has a stand-in.
namespace vexmor::platform {
namespace fs = std::filesystem;

namespace {

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return upperAscii(x) == upperAscii(y);
           });
}

bool existsAsWritten(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

struct FolderCloser {
    void operator()(DIR* folder) const { closedir(folder); }
};

// The entry of `folder` whose name equals `component` without regard to ASCII case; the
// smallest such name in byte order when several do. The listing is read with readdir, which
// hands out each name without a copy: this runs for every new file the tool makes.
std::optional<std::string> findIgnoringCase(const fs::path& folder, std::string_view component) {
    const std::unique_ptr<DIR, FolderCloser> listing(
        opendir(folder.empty() ? "." : folder.c_str()));
    if (!listing) {
        return std::nullopt;  // a folder that cannot be listed holds no other spelling
    }
    std::optional<std::string> best;
    while (const dirent* entry = readdir(listing.get())) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        if (equalIgnoringAsciiCase(name, component) && (!best || name < *best)) {
            best = std::string(name);
        }
    }
    return best;
}

}  // namespace

fs::path nativePath(std::string_view pathText) {
    std::string text(pathText);
    std::replace(text.begin(), text.end(), '\\', '/');
    fs::path written(text);
    if (text.empty() || existsAsWritten(written)) {
        return written;
    }

    // Most paths that do not exist yet name a new file or folder in a folder that does: then only
    // the last name needs looking up, not every folder on the way.
    const std::size_t nameEnd = text.find_last_not_of('/');
    const std::size_t parentEnd = nameEnd == std::string::npos ? nameEnd : text.rfind('/', nameEnd);
    if (parentEnd != std::string::npos && parentEnd > 0) {
        const std::string_view name(text.data() + parentEnd + 1, nameEnd - parentEnd);
        fs::path parent(text.substr(0, parentEnd));
        if (name != "." && name != ".." && existsAsWritten(parent)) {
            const std::optional<std::string> match = findIgnoringCase(parent, name);
            parent /= match ? *match : std::string(name);
            if (text.back() == '/') {
                parent += "/";
            }
            return parent;
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
    if (!fs::is_directory(fs::symlink_status(path, error))) {
        fs::remove(path, error);
    }
}

fs::path reportFilePath() {
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    return (error ? fs::path("/tmp") : folder) / "mi433.csv";
}

namespace detail {

std::string entryName(const fs::path& path) {
    return path.filename().string();
}

std::string genericText(const fs::path& path) {
    return path.generic_string();
}

EntryKind entryKind(const fs::path& path) {
    std::error_code error;
    const fs::file_status own = fs::symlink_status(path, error);
    if (error) {
        throw FileSystemError("directory_entry::status", error, path.generic_string());
    }
    if (fs::is_directory(own)) {
        return EntryKind::folder;
    }
    // Links are followed for the status of files, never into directories.
    const fs::file_status target = fs::is_symlink(own) ? fs::status(path, error) : own;
    if (error && error != std::errc::no_such_file_or_directory) {
        throw FileSystemError("directory_entry::status", error, path.generic_string());
    }
    return fs::is_regular_file(target) ? EntryKind::file : EntryKind::skipped;
}

bool sameComponent(const fs::path& a, const fs::path& b) {
    return a == b;
}

}  // namespace detail
}  // namespace vexmor::platform
