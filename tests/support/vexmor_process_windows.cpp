// Child processes on Windows: CreateProcess with standard output on a pipe, standard error in a
// temporary file.
#ifdef _WIN32
#include <windows.h>

#include <stdexcept>

#include "platform/windows/code_page.h"
#include "support/vexmor_process.h"

namespace vexmor::test {
namespace fs = std::filesystem;

namespace {

// One argument as the C runtime's command-line parser reads it back: quoted when it holds
// blanks or quotes, with the backslashes before a quote doubled.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring out = L"\"";
    for (auto it = argument.begin();; ++it) {
        std::size_t backslashes = 0;
        while (it != argument.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == argument.end()) {
            out.append(backslashes * 2, L'\\');
            break;
        }
        if (*it == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        out.push_back(*it);
    }
    out.push_back(L'"');
    return out;
}

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE* out() { return &handle_; }
    void reset() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

// The Windows build's report has a fixed place; a test's tmpdir stands for it.
const fs::path& reportPlace() {
    static const fs::path place(L"c:\\temp\\mi433.csv");
    return place;
}

// Copies `from` over `to`, or removes `to` when `from` does not exist. (The C++ library's
// copy_file takes any two files for the same one on Windows and refuses to copy.)
void mirror(const fs::path& from, const fs::path& to) {
    if (GetFileAttributesW(from.c_str()) != INVALID_FILE_ATTRIBUTES) {
        CopyFileW(from.c_str(), to.c_str(), FALSE);
    } else {
        DeleteFileW(to.c_str());
    }
}

// An inheritable temporary file that disappears with its last handle.
HANDLE temporaryFile(SECURITY_ATTRIBUTES& inheritable) {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"vx", 0, name) == 0) {
        throw std::runtime_error("GetTempFileName failed");
    }
    const HANDLE file = CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("CreateFile failed");
    }
    return file;
}

}  // namespace

std::string builtToolBesideTests() {
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length < program.size()) {
            program.resize(length);
            break;
        }
        program.resize(program.size() * 2);
    }
    const std::wstring tool = (fs::path(program).parent_path() / L"vexmor.exe").native();
    const int length = WideCharToMultiByte(CP_ACP, 0, tool.data(), static_cast<int>(tool.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, tool.data(), static_cast<int>(tool.size()), text.data(), length,
                        nullptr, nullptr);
    return text;
}

ProcessResult runProgram(const std::vector<std::string>& command, const ProcessOptions& options) {
    std::wstring commandLine;
    for (const std::string& word : command) {
        if (!commandLine.empty()) {
            commandLine.push_back(L' ');
        }
        commandLine += quoted(platform::windows::wideFromCodePage(word));
    }

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle readEnd;
    Handle writeEnd;
    if (!CreatePipe(readEnd.out(), writeEnd.out(), &inheritable, 0) ||
        !SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    // Standard error goes to a file, read once the child has ended: two pipes would need a
    // reader for each.
    const Handle errors(temporaryFile(inheritable));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = errors.get();

    if (!options.tmpdir.empty()) {
        mirror(options.tmpdir / "mi433.csv", reportPlace());
    }
    const std::wstring folder = options.workingFolder.native();
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    writeEnd.reset();  // the child holds the only writing end: reading ends when it exits
    ProcessResult result;
    if (!started) {
        result.exitCode = 127;  // as a shell reports a program it cannot start
        return result;
    }
    const Handle child(process.hProcess);
    const Handle thread(process.hThread);
    char buffer[65536];
    DWORD count = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) {
        result.output.append(buffer, count);
    }
    WaitForSingleObject(child.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    result.exitCode = static_cast<int>(code);
    SetFilePointer(errors.get(), 0, nullptr, FILE_BEGIN);  // the child moved the shared position
    while (ReadFile(errors.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) {
        result.errors.append(buffer, count);
    }
    if (!options.tmpdir.empty()) {
        mirror(reportPlace(), options.tmpdir / "mi433.csv");
    }
    return result;
}

}  // namespace vexmor::test

#endif  // _WIN32
