#include <windows.h>

#include <string>

#include "platform/file_system.h"
#include "platform/native_entries.h"
#include "platform/windows/code_page.h"

// The Windows half of the file-system layer: path texts are used as they are, since Windows
// takes both separators and finds names without regard to case itself.
namespace vexmor::platform {
namespace fs = std::filesystem;

namespace {

// The 8-bit form of a native path, with replacement marks where a character has none.
std::string lossyText(const std::wstring& wide) {
    std::string text;
    windows::codePageFromWide(wide, text);
    return text;
}

std::error_code lastError() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

}  // namespace

fs::path nativePath(std::string_view pathText) {
    return fs::path(windows::wideFromCodePage(pathText));
}

void deleteFile(std::string_view pathText) {
    DeleteFileA(std::string(pathText).c_str());
}

fs::path reportFilePath() {
    return fs::path(L"c:\\temp\\mi433.csv");
}

ReportOpening openReportStream(std::ofstream& stream, const fs::path& path) {
    // Held open without FILE_SHARE_DELETE while the stream opens the same path, the file checked
    // here cannot be replaced in between.
    const HANDLE checked =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (checked == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        std::error_code statusError;
        return error == ERROR_ACCESS_DENIED && fs::is_directory(path, statusError)
                   ? ReportOpening::refused
                   : ReportOpening::failed;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool regular = GetFileInformationByHandle(checked, &information) &&
                         GetFileType(checked) == FILE_TYPE_DISK &&
                         (information.dwFileAttributes &
                          (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
    if (regular) {
        stream.open(path, std::ios::out | std::ios::trunc);
    }
    CloseHandle(checked);
    if (!regular) {
        return ReportOpening::refused;
    }
    return stream.is_open() ? ReportOpening::opened : ReportOpening::failed;
}

namespace detail {

fs::path writtenPath(std::string_view pathText) {
    return nativePath(pathText);
}

std::string entryName(const fs::path& path) {
    std::string name;
    if (!windows::codePageFromWide(path.filename().native(), name)) {
        throw FileSystemError("recursive_directory_iterator::operator++",
                              std::error_code(ERROR_NO_UNICODE_TRANSLATION, std::system_category()),
                              genericText(path));
    }
    return name;
}

std::string genericText(const fs::path& path) {
    return lossyText(path.generic_wstring());
}

EntryKind entryKind(const fs::directory_entry& entry) {
    const fs::path& path = entry.path();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return EntryKind::skipped;  // gone since the folder was listed
        }
        throw FileSystemError("directory_entry::status",
                              std::error_code(static_cast<int>(error), std::system_category()),
                              genericText(path));
    }
    const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // Directory links and junctions are not followed.
        return link ? EntryKind::skipped : EntryKind::folder;
    }
    if (!link) {
        return EntryKind::file;
    }
    // A link to a file counts as the file it names; a dangling link is told apart.
    HANDLE target =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (target == INVALID_HANDLE_VALUE) {
        const std::error_code error = lastError();
        if (error.value() == ERROR_FILE_NOT_FOUND || error.value() == ERROR_PATH_NOT_FOUND) {
            return EntryKind::brokenLink;
        }
        throw FileSystemError("directory_entry::status", error, genericText(path));
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const BOOL known = GetFileInformationByHandle(target, &information);
    const std::error_code error = known ? std::error_code() : lastError();
    CloseHandle(target);
    if (!known) {
        throw FileSystemError("directory_entry::status", error, genericText(path));
    }
    return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::skipped
                                                                          : EntryKind::file;
}

bool isLink(const fs::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void removeEntry(const fs::path& path, std::error_code& error) {
    // A directory link or junction is removed as the folder entry it is, never entered.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = lastError();
        return;
    }
    const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                             ? RemoveDirectoryW(path.c_str())
                             : DeleteFileW(path.c_str());
    error = removed ? std::error_code() : lastError();
}

bool sameComponent(const fs::path& a, const fs::path& b) {
    // NTFS compares names by their upper-cased UTF-16 units, as this call does.
    return a == b || CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace detail
}  // namespace vexmor::platform
