#include "support/temp_dir.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vexmor::test {
namespace fs = std::filesystem;

namespace {

int processId() {
#ifdef _WIN32
    return ::_getpid();
#else
    return ::getpid();
#endif
}

// The system's temporary folder. On Windows it is named as the tool names a source folder
// after lower-casing it, with `/` separators: the same folder on a file system that ignores
// case, so tests can expect folder texts in the tool's output just as on Linux.
fs::path temporaryBase() {
#ifdef _WIN32
    std::wstring text = fs::temp_directory_path().generic_wstring();
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) {
        return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    });
    return fs::path(text);
#else
    return fs::temp_directory_path();
#endif
}

}  // namespace

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const fs::path base = temporaryBase();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        fs::path candidate = base.generic_string() + "/vexmor-test-" + std::to_string(processId()) +
                             "-" + std::to_string(counter++);
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code error;
    // A test may have made folders read-only; give the rights back before removing them.
    for (auto it = fs::recursive_directory_iterator(path_, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
    }
    fs::remove_all(path_, error);
}

void writeFile(const fs::path& path, std::string_view bytes) {
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    writeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> listFiles(const fs::path& root) {
    std::vector<std::string> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file() && it->path().filename() != ".vexmor-output") {
            files.push_back(fs::relative(it->path(), root).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace vexmor::test
