#include "platform/file_system.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// The entry of `folder` whose name equals `component` without regard to ASCII case; the
// smallest such name in byte order when several do.
std::optional<std::string> findIgnoringCase(const fs::path& folder, std::string_view component) {
    std::error_code error;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder,
                              fs::directory_options::skip_permission_denied, error);
    std::optional<std::string> best;
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::string name = it->path().filename().string();
        if (equalIgnoringAsciiCase(name, component) && (!best || name < *best)) {
            best = std::move(name);
        }
    }
    return best;
}

std::string upperCased(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), upperAscii);
    return upper;
}

struct NamedEntry {
    std::string sortKey;
    std::string name;
    fs::path path;
};

std::vector<NamedEntry> sortedEntries(const fs::path& folder, std::string_view operation) {
    std::error_code error;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    if (error) {
        throw FileSystemError(operation, error, folder.generic_string());
    }
    std::vector<NamedEntry> entries;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) {
            break;
        }
        std::string name = it->path().filename().string();
        entries.push_back({upperCased(name), std::move(name), it->path()});
    }
    if (error) {
        throw FileSystemError("recursive_directory_iterator::operator++", error,
                              folder.generic_string());
    }
    std::sort(entries.begin(), entries.end(), [](const NamedEntry& a, const NamedEntry& b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.name < b.name;
    });
    return entries;
}

void walkFolder(const fs::path& folder, const std::string& relativeFolder,
                std::string_view operation, const std::function<void(const std::string&)>& onFile) {
    for (const NamedEntry& entry : sortedEntries(folder, operation)) {
        std::error_code error;
        const fs::file_status own = fs::symlink_status(entry.path, error);
        if (error) {
            throw FileSystemError("directory_entry::status", error, entry.path.generic_string());
        }
        const std::string relative = relativeFolder + entry.name;
        if (fs::is_directory(own)) {
            walkFolder(entry.path, relative + "/", "recursive_directory_iterator::operator++",
                       onFile);
            continue;
        }
        // Links are followed for the status of files, never into directories.
        const fs::file_status target = fs::is_symlink(own) ? fs::status(entry.path, error) : own;
        if (error && error != std::errc::no_such_file_or_directory) {
            throw FileSystemError("directory_entry::status", error, entry.path.generic_string());
        }
        if (fs::is_regular_file(target)) {
            onFile(relative);
        }
    }
}

}  // namespace

FileSystemError::FileSystemError(std::string_view operation, const std::error_code& error,
                                 std::string_view path)
    : std::runtime_error(std::string(operation) + ": " + error.message() + ": \"" +
                         std::string(path) + "\"") {}

fs::path nativePath(std::string_view pathText) {
    std::string text(pathText);
    std::replace(text.begin(), text.end(), '\\', '/');
    fs::path written(text);
    if (text.empty() || existsAsWritten(written)) {
        return written;
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

PathKind pathKind(std::string_view pathText) {
    const fs::path path = nativePath(pathText);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error && error != std::errc::no_such_file_or_directory &&
        error != std::errc::not_a_directory) {
        throw FileSystemError("status", error, pathText);
    }
    switch (status.type()) {
        case fs::file_type::not_found:
        case fs::file_type::none:
            return PathKind::missing;
        case fs::file_type::directory:
            return PathKind::directory;
        case fs::file_type::regular:
            return PathKind::regularFile;
        default:
            return PathKind::other;
    }
}

void createDirectory(std::string_view pathText) {
    std::error_code error;
    fs::create_directory(nativePath(pathText), error);
    if (error) {
        throw FileSystemError("create_directory", error, pathText);
    }
}

void removeAll(std::string_view pathText) {
    std::error_code error;
    fs::remove_all(nativePath(pathText), error);
    if (error) {
        throw FileSystemError("remove_all", error, pathText);
    }
}

void copyFile(std::string_view sourceText, std::string_view destinationText) {
    std::error_code error;
    fs::copy_file(nativePath(sourceText), nativePath(destinationText),
                  fs::copy_options::overwrite_existing, error);
}

void deleteFile(std::string_view pathText) {
    const fs::path path = nativePath(pathText);
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(path, error))) {
        fs::remove(path, error);
    }
}

std::ifstream openForReading(std::string_view pathText) {
    return std::ifstream(nativePath(pathText), std::ios::binary);
}

std::ofstream openForWriting(std::string_view pathText) {
    return std::ofstream(nativePath(pathText), std::ios::binary | std::ios::trunc);
}

std::fstream openForUpdate(std::string_view pathText) {
    return std::fstream(nativePath(pathText), std::ios::binary | std::ios::in | std::ios::out);
}

fs::path resolvedAbsolute(std::string_view pathText) {
    std::error_code error;
    fs::path absolute = fs::absolute(nativePath(pathText), error);
    fs::path resolved = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : resolved;
}

bool isFileSystemRoot(std::string_view pathText) {
    const fs::path path = resolvedAbsolute(pathText);
    return path == path.root_path();
}

bool isSameOrInside(std::string_view innerText, std::string_view outerText) {
    const fs::path inner = resolvedAbsolute(innerText);
    const fs::path outer = resolvedAbsolute(outerText);
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o) {
        if (o->empty()) {
            continue;  // the empty name a trailing separator leaves
        }
        if (i == inner.end() || *i != *o) {
            return false;
        }
        ++i;
    }
    return true;
}

void walkRegularFiles(std::string_view folderText,
                      const std::function<void(const std::string& relativePath)>& onFile) {
    walkFolder(nativePath(folderText), std::string(),
               "recursive_directory_iterator::recursive_directory_iterator", onFile);
}

fs::path reportFilePath() {
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    return (error ? fs::path("/tmp") : folder) / "mi433.csv";
}

}  // namespace vexmor::platform
