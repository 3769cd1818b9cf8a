#include "output_file.h"

#include <array>
#include <fstream>
#include <stdexcept>

namespace vexmor::sample {
namespace {

constexpr std::size_t kPiece = 1 << 16;

}  // namespace

void writeBinaryFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("could not write " + path.string());
    }
}

std::uint64_t appendFileTo(std::ostream& out, const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("could not read " + path.string());
    }
    std::array<char, kPiece> piece;
    std::uint64_t copied = 0;
    while (in) {
        in.read(piece.data(), piece.size());
        const std::streamsize got = in.gcount();
        out.write(piece.data(), got);
        copied += static_cast<std::uint64_t>(got);
    }
    if (!out) {
        throw std::runtime_error("could not append " + path.string());
    }
    return copied;
}

}  // namespace vexmor::sample
