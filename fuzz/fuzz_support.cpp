#include "fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <system_error>

#include "catalogue/source_catalogue.h"

namespace vexmor::fuzz {
namespace fs = std::filesystem;

namespace {

void removeScratch() {
    std::error_code error;
    fs::remove_all(ScratchFolder::instance().path(), error);
}

// Every input writes and removes files: a folder in memory makes that many times faster than a
// disk. VEXMOR_FUZZ_TMPDIR chooses another place.
fs::path scratchBase() {
    if (const char* chosen = std::getenv("VEXMOR_FUZZ_TMPDIR"); chosen && *chosen) {
        return chosen;
    }
    std::error_code error;
    if (fs::is_directory("/dev/shm", error)) {
        return "/dev/shm";
    }
    return fs::temp_directory_path();
}

}  // namespace

ScratchFolder::ScratchFolder() {
    path_ = scratchBase() / ("vexmor-fuzz-" + std::to_string(::getpid()));
    std::error_code error;
    fs::remove_all(path_, error);
    fs::create_directories(path_);
    // Relative path texts then resolve inside the folder, where the checks see what they wrote.
    fs::current_path(path_);
    std::atexit(removeScratch);
}

ScratchFolder& ScratchFolder::instance() {
    static ScratchFolder folder;
    return folder;
}

void ScratchFolder::clear() {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(path_, error)) {
        fs::remove_all(entry.path(), error);
    }
}

std::string ScratchFolder::write(std::string_view relative, std::span<const std::uint8_t> bytes) {
    const fs::path file = path_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return file.string();
}

void ScratchFolder::expectUnchanged(std::string_view relative,
                                    std::span<const std::uint8_t> bytes) const {
    // One byte more than expected is read, so a file that grew is caught too.
    std::ifstream in(path_ / relative, std::ios::binary);
    std::vector<std::uint8_t> now(bytes.size() + 1);
    in.read(reinterpret_cast<char*>(now.data()), static_cast<std::streamsize>(now.size()));
    now.resize(static_cast<std::size_t>(in.gcount()));
    if (!std::equal(now.begin(), now.end(), bytes.begin(), bytes.end())) {
        std::fprintf(stderr, "vexmor fuzz: the source file %s was changed\n",
                     std::string(relative).c_str());
        std::abort();
    }
}

void ScratchFolder::expectOnlyTopLevel(const std::vector<std::string>& allowedTops) const {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(path_, error)) {
        const std::string name = entry.path().filename().string();
        if (std::find(allowedTops.begin(), allowedTops.end(), name) == allowedTops.end()) {
            std::fprintf(stderr, "vexmor fuzz: unexpected file %s in the scratch folder\n",
                         entry.path().c_str());
            std::abort();
        }
    }
    for (auto it = fs::recursive_directory_iterator(path_, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_symlink(error)) {
            std::fprintf(stderr, "vexmor fuzz: link %s made below the scratch folder\n",
                         it->path().c_str());
            std::abort();
        }
    }
}

QuietRun::QuietRun()
    : sink_(std::getenv("VEXMOR_FUZZ_VERBOSE") ? std::cout.rdbuf() : &nullBuffer_),
      context(sink_) {}

std::vector<std::span<const std::uint8_t>> splitInput(std::span<const std::uint8_t> input,
                                                      std::string_view separator,
                                                      std::size_t maxPieces) {
    std::vector<std::span<const std::uint8_t>> pieces;
    while (pieces.size() + 1 < maxPieces) {
        const auto at = std::search(input.begin(), input.end(), separator.begin(), separator.end(),
                                    [](std::uint8_t byte, char wanted) {
                                        return byte == static_cast<std::uint8_t>(wanted);
                                    });
        if (at == input.end()) {
            break;
        }
        const auto length = static_cast<std::size_t>(at - input.begin());
        pieces.push_back(input.first(length));
        input = input.subspan(length + separator.size());
    }
    pieces.push_back(input);
    return pieces;
}

void loadFixedPalette(SourceCatalogue& catalogue) {
    catalogue.paletteLoaded = true;
    catalogue.paletteColours.clear();
    for (std::uint32_t i = 0; i < 256; ++i) {
        const std::uint8_t red = static_cast<std::uint8_t>(i);
        const std::uint8_t green = static_cast<std::uint8_t>(255 - i);
        const std::uint8_t blue = static_cast<std::uint8_t>(i * 7);
        catalogue.paletteRgb[3 * i] = red;
        catalogue.paletteRgb[3 * i + 1] = green;
        catalogue.paletteRgb[3 * i + 2] = blue;
        catalogue.paletteColours.push_back(0xFF000000u + (std::uint32_t{blue} << 16) +
                                           (std::uint32_t{green} << 8) + red);
    }
}

}  // namespace vexmor::fuzz
