#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <span>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "app/process_exit.h"
#include "app/run_context.h"

namespace vexmor {
struct SourceCatalogue;
}

// What every fuzz target shares: one scratch folder per fuzzing process, a run context whose
// console goes nowhere, and the splitting of one input into several files.
namespace vexmor::fuzz {

// A folder in memory (/dev/shm) or else below the temporary folder, made once per process and
// made the working folder, emptied before each input and removed when the process ends. Reusing
// it keeps each iteration cheap.
class ScratchFolder {
public:
    static ScratchFolder& instance();

    const std::filesystem::path& path() const { return path_; }
    // The folder as a path text ending in `/`, ready for relative names to be appended.
    std::string text() const { return path_.string() + "/"; }
    // Removes everything inside the folder; the folder itself stays.
    void clear();
    // Writes `bytes` to `relative` below the folder, creating its folders; returns the path text.
    std::string write(std::string_view relative, std::span<const std::uint8_t> bytes);

    // Aborts when the file at `relative` no longer holds `bytes`: a reader changed its source.
    void expectUnchanged(std::string_view relative, std::span<const std::uint8_t> bytes) const;

    // Aborts when anything below the folder lies outside the names in `allowedTops` (relative
    // top-level names) or is a link: a reader wrote where it must not.
    void expectOnlyTopLevel(const std::vector<std::string>& allowedTops) const;

private:
    ScratchFolder();
    std::filesystem::path path_;
};

// Swallows console output; with VEXMOR_FUZZ_VERBOSE set in the environment, the console goes to
// standard output instead, to see what a reproduced input prints.
class QuietRun {
public:
    QuietRun();
    QuietRun(const QuietRun&) = delete;
    QuietRun& operator=(const QuietRun&) = delete;

private:
    class NullBuffer : public std::streambuf {
    protected:
        int overflow(int c) override { return c == traits_type::eof() ? 0 : c; }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    };
    NullBuffer nullBuffer_;
    std::ostream sink_;

public:
    RunContext context;
};

// Splits `input` at every `separator`, giving at most `maxPieces` pieces (the last one keeps the
// rest, separators included).
std::vector<std::span<const std::uint8_t>> splitInput(std::span<const std::uint8_t> input,
                                                      std::string_view separator,
                                                      std::size_t maxPieces);

// Loads a palette of 256 distinct colours into the catalogue, as loadPalette would.
void loadFixedPalette(SourceCatalogue& catalogue);

// Runs `body`, taking a stage's early end of the process as the end of the input.
template <typename Body>
void untilProcessExit(Body&& body) {
    try {
        body();
    } catch (const ProcessExit&) {
    }
}

}  // namespace vexmor::fuzz
