#include "mesh/byte_stream_buf.h"

#include <gtest/gtest.h>

#include <fstream>
#include <istream>
#include <string>
#include <vector>

#include "mesh/mesh_stream.h"
#include "support/temp_dir.h"

namespace vexmor {
namespace {

struct Observed {
    std::ios::iostate state;
    std::int64_t position;
    std::streamsize count;
    std::string bytes;
    bool operator==(const Observed&) const = default;
};

// Runs the same reads and seeks on a stream and records what each one left behind.
std::vector<Observed> exercise(std::istream& stream) {
    std::vector<Observed> seen;
    const auto read = [&](std::size_t n) {
        std::string bytes(n, '\0');
        stream.read(bytes.data(), static_cast<std::streamsize>(n));
        const std::streamsize count = stream.gcount();
        const std::ios::iostate state = stream.rdstate();
        seen.push_back({state, readPosition(stream), count, bytes.substr(0, count)});
    };
    read(3);
    stream.seekg(100);  // past the end: accepted, like a file
    seen.push_back({stream.rdstate(), readPosition(stream), 0, {}});
    read(4);
    stream.seekg(0);  // a failed stream does not seek
    read(1);
    stream.clear();
    stream.seekg(6);
    read(4);  // two bytes left
    stream.clear();
    stream.seekg(-1, std::ios::end);
    read(1);
    stream.seekg(-20, std::ios::cur);
    seen.push_back({stream.rdstate(), readPosition(stream), 0, {}});
    return seen;
}

TEST(ByteStreamBufTest, SeeksAndReadsLikeAFile) {
    const std::string content = "abcdefgh";
    test::TempDir dir;
    test::writeFile(dir / "f.bin", content);
    std::ifstream file(dir / "f.bin", std::ios::binary);
    ByteStreamBuf buffer(std::vector<char>(content.begin(), content.end()));
    std::istream memory(&buffer);

    const std::vector<Observed> fromFile = exercise(file);
    EXPECT_EQ(exercise(memory), fromFile);
    EXPECT_EQ(fromFile[1].position, 100);
    EXPECT_EQ(fromFile[4].count, 2);
}

}  // namespace
}  // namespace vexmor
