// The sample generator, and every main job of the tool run on what it writes, as a user running
// scripts/run-sample would see them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/little_endian.h"
#include "common/text.h"
#include "support/captured_run.h"
#include "support/source_snapshot.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Small enough to keep the suite quick under the sanitizers, large enough for two car folders,
// nested meshes, shrinking (256 > 128) and track textures of several sizes and level counts.
const std::vector<std::string> kSmallSet{"--seed",           "7",  "--car-textures", "8",
                                         "--track-textures", "14", "--meshes",       "4"};
constexpr std::uint32_t kCarTextures = 8;
constexpr std::uint32_t kTrackTextures = 14;
constexpr std::uint32_t kMeshes = 4;
constexpr std::uint32_t kCarLevels = 4;

// The generator built with the tests; on Windows beside them, as the tool is.
std::string generatorBinary() {
#ifdef _WIN32
    return (fs::path(builtToolBesideTests()).parent_path() / "vexmor-sample.exe").string();
#else
    return VEXMOR_SAMPLE_BINARY;
#endif
}

ProcessResult generate(const fs::path& folder, std::vector<std::string> options) {
    std::vector<std::string> command{generatorBinary()};
    command.insert(command.end(), options.begin(), options.end());
    command.push_back(folder.string());
    return runProgram(command);
}

struct DatEntry {
    std::string name;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

std::vector<DatEntry> readDatDirectory(const Bytes& archive) {
    std::vector<DatEntry> entries;
    const std::uint16_t count = readU16(archive, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 2 + 27 * i;
        const auto* name = reinterpret_cast<const char*>(&archive[at + 10]);
        entries.push_back({std::string(name, strnlen(name, 13)), readU32(archive, at + 23),
                           readU32(archive, at + 2)});
    }
    return entries;
}

struct MeshTables {
    std::vector<std::string> mips, pmps, meshes;
};

MeshTables readMeshTables(const Bytes& mesh) {
    MeshTables tables;
    std::size_t at = 20;
    for (std::size_t k = 0; k < 3; ++k) {
        std::vector<std::string>& table = k == 0   ? tables.mips
                                          : k == 1 ? tables.pmps
                                                   : tables.meshes;
        for (std::uint32_t i = 0; i < readU32(mesh, 8 + 4 * k); ++i, at += 8) {
            const auto* name = reinterpret_cast<const char*>(&mesh[at]);
            table.emplace_back(name, strnlen(name, 8));
        }
    }
    return tables;
}

struct MipGeometry {
    std::uint32_t width = 0, heightMinus2 = 0, numMips = 0;
    std::uint64_t levelBytes = 0;  // all levels together
};

MipGeometry readMipGeometry(const Bytes& mip) {
    MipGeometry g{readU32(mip, 8), readU32(mip, 12), readU32(mip, 16)};
    for (std::uint32_t i = 0; i < g.numMips; ++i) {
        g.levelBytes += std::uint64_t{g.width >> i} * ((g.heightMinus2 >> i) + 2);
    }
    return g;
}

std::vector<std::string> withExtension(const std::vector<std::string>& files,
                                       std::string_view extension) {
    std::vector<std::string> found;
    std::copy_if(files.begin(), files.end(), std::back_inserter(found),
                 [&](const std::string& f) { return extensionOf(f) == extension; });
    return found;
}

// The tool copies meshes under lower-cased file names (in the folders' own case): it lower-cases
// the paths it builds, which Windows does not mind.
std::string meshCopyName(const std::string& relative) {
    return std::string(directoryPart(relative)) + toLowerAscii(fileNamePart(relative));
}

std::string withoutExtension(const std::string& relative) {
    return relative.substr(0, relative.size() - 4);
}

// Each file's path keyed by its lower-cased form, to find names the way Windows does.
std::map<std::string, std::string> byLowerCase(const std::vector<std::string>& files) {
    std::map<std::string, std::string> map;
    for (const std::string& f : files) {
        map.emplace(toLowerAscii(f), f);
    }
    return map;
}

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// ---- The generator ------------------------------------------------------------------------

TEST(SampleGenerator, TheSameSeedGivesTheSameBytesAndAnotherSeedOtherPictures) {
    TempDir dir;
    ASSERT_EQ(generate(dir / "a", kSmallSet).exitCode, 0);
    ASSERT_EQ(generate(dir / "b", kSmallSet).exitCode, 0);
    std::vector<std::string> otherSeed = kSmallSet;
    otherSeed[1] = "8";
    ASSERT_EQ(generate(dir / "c", otherSeed).exitCode, 0);

    const std::vector<std::string> files = listFiles(dir / "a");
    ASSERT_EQ(files, listFiles(dir / "b"));
    for (const std::string& f : files) {
        EXPECT_EQ(readFile(dir / "a" / f), readFile(dir / "b" / f)) << f;
    }
    // Names follow the counts, not the seed; every picture and the archive change with it.
    ASSERT_EQ(files, listFiles(dir / "c"));
    for (const std::string& f : files) {
        if (extensionOf(f) == "mip" || extensionOf(f) == "dat") {
            EXPECT_NE(readFile(dir / "a" / f), readFile(dir / "c" / f)) << f;
        }
    }
}

TEST(SampleGenerator, WritesTheCountsAndSizesAskedFor) {
    TempDir dir;
    const ProcessResult run = generate(dir.path(), {"--car-textures", "15", "--track-textures",
                                                    "30", "--texture-size", "64", "--meshes", "5"});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const fs::path cars = dir / "Cars/Sample";
    const std::vector<std::string> carFiles = listFiles(cars);
    EXPECT_EQ(withExtension(carFiles, "mip").size(), 15u);
    EXPECT_EQ(withExtension(carFiles, "3do").size(), 5u);
    std::set<std::string> folders;
    for (const std::string& f : carFiles) {
        folders.insert(std::string(directoryPart(f)));
    }
    EXPECT_EQ(folders, (std::set<std::string>{"Falcon/", "Falcon/Spares/", "HORNET/"}));
    for (const std::string& f : withExtension(carFiles, "mip")) {
        const Bytes mip = readFile(cars / f);
        const MipGeometry g = readMipGeometry(mip);
        EXPECT_EQ(g.width, 64u) << f;
        EXPECT_EQ(g.heightMinus2, 64u) << f;
        EXPECT_EQ(g.numMips, kCarLevels) << f;
        EXPECT_EQ(readU32(mip, 0), mip.size() - 4) << f;
        EXPECT_EQ(mip.size(), 24 + 12 * g.numMips + g.levelBytes) << f;
    }

    const Bytes archive = readFile(dir / "Tracks/Sample.dat");
    const std::vector<DatEntry> entries = readDatDirectory(archive);
    ASSERT_EQ(entries.size(), 30u + 5u + 1u);
    std::set<std::string> names;
    std::set<std::uint32_t> widths;
    for (const DatEntry& e : entries) {
        EXPECT_LE(e.name.size(), 12u) << e.name;
        EXPECT_TRUE(names.insert(toLowerAscii(e.name)).second) << e.name;
        ASSERT_LE(std::uint64_t{e.offset} + e.length, archive.size()) << e.name;
        if (extensionOf(e.name) == "mip") {
            const Bytes mip(archive.begin() + e.offset, archive.begin() + e.offset + e.length);
            widths.insert(readMipGeometry(mip).width);
            EXPECT_EQ(readU32(mip, 0), e.length - 4) << e.name;
        }
    }
    EXPECT_TRUE(names.contains("sunny.pcx"));
    EXPECT_EQ(withExtension(std::vector<std::string>(names.begin(), names.end()), "mip").size(),
              30u);
    EXPECT_EQ(widths, (std::set<std::uint32_t>{16, 32, 64}));
}

TEST(SampleGenerator, MeshesNameTexturesAndMeshesOfTheirOwnFolder) {
    TempDir dir;
    ASSERT_EQ(generate(dir.path(), kSmallSet).exitCode, 0);
    const fs::path cars = dir / "Cars/Sample";
    const std::map<std::string, std::string> files = byLowerCase(listFiles(cars));
    std::size_t nestedNames = 0;
    for (const std::string& mesh : withExtension(listFiles(cars), "3do")) {
        const MeshTables tables = readMeshTables(readFile(cars / mesh));
        const std::string folder = toLowerAscii(directoryPart(mesh));
        EXPECT_FALSE(tables.mips.empty()) << mesh;
        for (const std::string& mip : tables.mips) {
            EXPECT_TRUE(files.contains(folder + toLowerAscii(mip) + ".mip")) << mesh << " " << mip;
        }
        for (const std::string& nested : tables.meshes) {
            EXPECT_TRUE(files.contains(folder + toLowerAscii(nested) + ".3do")) << mesh;
            ++nestedNames;
        }
    }
    EXPECT_GT(nestedNames, 0u);
}

TEST(SampleGenerator, ThePaletteIsAFullPcxAndTexturesUseManyOfItsColours) {
    TempDir dir;
    ASSERT_EQ(generate(dir.path(), kSmallSet).exitCode, 0);
    const Bytes archive = readFile(dir / "Tracks/Sample.dat");
    Bytes pcx;
    for (const DatEntry& e : readDatDirectory(archive)) {
        if (e.name == "sunny.pcx") {
            pcx.assign(archive.begin() + e.offset, archive.begin() + e.offset + e.length);
        }
    }
    ASSERT_GT(pcx.size(), 128u + 769u);
    EXPECT_EQ(pcx[0], 0x0A);  // a PCX header: ZSoft, version 5, run-length encoded, 8 bits
    EXPECT_EQ(pcx[1], 5);
    EXPECT_EQ(pcx[3], 8);
    EXPECT_EQ(pcx[pcx.size() - 769], 0x0C);
    std::set<std::uint32_t> colours;
    for (std::size_t i = pcx.size() - 768; i < pcx.size(); i += 3) {
        colours.insert(std::uint32_t{pcx[i]} << 16 | pcx[i + 1] << 8 | pcx[i + 2]);
    }
    EXPECT_EQ(colours.size(), 256u);

    std::set<std::uint8_t> used;
    const fs::path cars = dir / "Cars/Sample";
    for (const std::string& f : withExtension(listFiles(cars), "mip")) {
        const Bytes mip = readFile(cars / f);
        const std::set<std::uint8_t> own(mip.begin() + 24 + 12 * kCarLevels, mip.end());
        EXPECT_GE(own.size(), 5u) << f;
        used.insert(own.begin(), own.end());
    }
    EXPECT_GE(used.size(), 64u);
}

TEST(SampleGenerator, RefusesToWriteOverASetAndReportsBadOptions) {
    TempDir dir;
    ASSERT_EQ(generate(dir.path(), kSmallSet).exitCode, 0);
    const Bytes before = readFile(dir / "Tracks/Sample.dat");
    EXPECT_EQ(generate(dir.path(), {"--seed", "9"}).exitCode, 1);
    EXPECT_EQ(readFile(dir / "Tracks/Sample.dat"), before);

    const fs::path fresh = dir / "fresh";
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--texture-size", "100"},
                                               {"--texture-size", "2048"},
                                               {"--meshes", "0"},
                                               {"--car-textures", "many"},
                                               {"--seed"},
                                               {"--colour", "red"}}) {
        EXPECT_EQ(generate(fresh, bad).exitCode, 2) << bad[0];
    }
    EXPECT_EQ(runProgram({generatorBinary()}).exitCode, 2);
    EXPECT_FALSE(fs::exists(fresh));
    const ProcessResult help = runProgram({generatorBinary(), "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(hasLine(help.lines(), "Usage: vexmor-sample [options] <output folder>"));
}

// ---- The tool's jobs on the sample --------------------------------------------------------

class SampleScenario : public ::testing::Test {
protected:
    // One sample, unpacked once, for every job below; each job writes a folder of its own.
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        generated_ = generate(dir_->path(), kSmallSet);
        const SourceSnapshot archiveBefore(archive());
        unpacked_ = runVexmor({archive().string(), "-unpack", track().string()}, options());
        archiveChanges_ = archiveBefore.differences();
    }
    static void TearDownTestSuite() { dir_.reset(); }

    void SetUp() override {
        ASSERT_EQ(generated_.exitCode, 0) << generated_.output;
        ASSERT_EQ(unpacked_.exitCode, 0) << unpacked_.output;
    }

    static fs::path cars() { return dir_->path() / "Cars/Sample"; }
    static fs::path archive() { return dir_->path() / "Tracks/Sample.dat"; }
    static fs::path track() { return dir_->path() / "Tracks/Sample"; }
    static fs::path out(std::string_view job) { return dir_->path() / "out" / job; }
    // The report mi433.csv lands in the sample's folder.
    static ProcessOptions options() { return {{}, dir_->path()}; }

    // Runs one job and checks that its source (the first argument) is left as it was.
    static ProcessResult run(std::vector<std::string> args) {
        const SourceSnapshot source(args.front());
        ProcessResult result = runVexmor(args, options());
        source.expectUnchanged();
        return result;
    }

    static std::vector<std::string> carMips() { return withExtension(listFiles(cars()), "mip"); }
    static std::vector<std::string> carMeshes() { return withExtension(listFiles(cars()), "3do"); }

    static inline std::unique_ptr<TempDir> dir_;
    static inline ProcessResult generated_;
    static inline ProcessResult unpacked_;
    static inline std::vector<std::string> archiveChanges_;
};

TEST_F(SampleScenario, ListingAndUnpackingShowAndWriteEveryMember) {
    EXPECT_EQ(archiveChanges_, std::vector<std::string>{});
    const Bytes bytes = readFile(archive());
    const std::vector<DatEntry> entries = readDatDirectory(bytes);
    ASSERT_EQ(entries.size(), kTrackTextures + kMeshes + 1);

    std::vector<std::string> names;
    for (const DatEntry& e : entries) {
        names.push_back(e.name);
        EXPECT_EQ(readFile(track() / e.name),
                  Bytes(bytes.begin() + e.offset, bytes.begin() + e.offset + e.length))
            << e.name;
    }
    EXPECT_EQ(listFiles(track()), sorted(names));

    const ProcessResult listing = run({archive().string(), "-info"});
    ASSERT_EQ(listing.exitCode, 0);
    EXPECT_TRUE(hasLine(listing.lines(), "DAT file reportedly contains 19 files"));
    for (const DatEntry& e : entries) {
        EXPECT_TRUE(hasLine(listing.lines(), "File " + e.name + ", offset " +
                                                 std::to_string(e.offset) + ", length " +
                                                 std::to_string(e.length)))
            << e.name;
    }
}

TEST_F(SampleScenario, TrackConversionLeavesAnMi4ForEveryMipAndTheMeshesUnchanged) {
    const ProcessResult convert =
        run({track().string(), "-track", "-convert", out("track").string()});
    ASSERT_EQ(convert.exitCode, 0) << convert.output;

    std::vector<std::string> expected;
    std::uint64_t levelBytes = 0;
    std::uint32_t levels = 0;
    for (const std::string& f : listFiles(track())) {
        if (extensionOf(f) == "mip") {
            const MipGeometry g = readMipGeometry(readFile(track() / f));
            levelBytes += g.levelBytes;
            levels += g.numMips;
            const Bytes mi4 = readFile(out("track") / (withoutExtension(f) + ".mi4"));
            ASSERT_GE(mi4.size(), 24u) << f;
            EXPECT_EQ(readU32(mi4, 8), g.width) << f;
            EXPECT_EQ(readU32(mi4, 12), g.heightMinus2 + 2) << f;
            EXPECT_EQ(readU32(mi4, 16), g.numMips) << f;
            expected.push_back(withoutExtension(f) + ".mi4");
        } else if (extensionOf(f) == "3do") {
            EXPECT_EQ(readFile(out("track") / meshCopyName(f)), readFile(track() / f)) << f;
            expected.push_back(meshCopyName(f));
        }
    }
    EXPECT_EQ(listFiles(out("track")), sorted(expected));
    const std::vector<std::string> lines = convert.lines();
    EXPECT_TRUE(hasLine(
        lines, "Total number of MIPS 14, size " + std::to_string(2 * levelBytes) + ", resized 14"))
        << convert.output;
    EXPECT_TRUE(hasLine(lines, "Total number of 3DOs 4, resized 0, with texture coordinates 0"));

    // Exploding the converted track: a PNG per MI4 level, and a report row for each.
    const ProcessResult explode =
        run({out("track").string(), "-explode", out("mi4-images").string()});
    ASSERT_EQ(explode.exitCode, 0);
    const std::vector<std::string> images = listFiles(out("mi4-images"));
    EXPECT_EQ(images.size(), levels);
    EXPECT_TRUE(std::all_of(images.begin(), images.end(), [](const std::string& f) {
        return f.find(".mi4.") != std::string::npos && endsWith(f, ".png");
    }));
    EXPECT_EQ(splitLines(readText(dir_->path() / "mi433.csv")).size(), levels + 1);
    EXPECT_TRUE(hasLine(explode.lines(),
                        "Num paletted 14, Num mips 0, total size 0 (0x00000000) "
                        "bytes (0 KB, 0 MB)"));
}

TEST_F(SampleScenario, CarConversionShrinksEveryTextureAndCopiesTheMeshesByteForByte) {
    const ProcessResult convert = run({cars().string(), "-convert", out("cars").string()});
    ASSERT_EQ(convert.exitCode, 0) << convert.output;

    std::vector<std::string> expected;
    for (const std::string& f : carMips()) {
        const Bytes mip = readFile(out("cars") / f);
        ASSERT_FALSE(mip.empty()) << f;
        const MipGeometry g = readMipGeometry(mip);
        EXPECT_EQ(g.width, 128u) << f;
        EXPECT_EQ(g.heightMinus2, 256u) << f;
        EXPECT_EQ(g.numMips, kCarLevels) << f;
        EXPECT_EQ(mip.size(), 24 + 12 * kCarLevels + g.levelBytes) << f;
        expected.push_back(f);
    }
    for (const std::string& f : carMeshes()) {
        EXPECT_EQ(readFile(out("cars") / meshCopyName(f)), readFile(cars() / f)) << f;
        expected.push_back(meshCopyName(f));
    }
    EXPECT_EQ(listFiles(out("cars")), sorted(expected));

    // Halved textures: 128 × 258, 64 × 130, 32 × 66 and 16 × 34 bytes, counted twice.
    const std::vector<std::string> lines = convert.lines();
    EXPECT_TRUE(hasLine(lines, "Total number of MIPS 8, size " +
                                   std::to_string(kCarTextures * 2 * 44000) + ", resized 8"))
        << convert.output;
    EXPECT_TRUE(hasLine(lines,
                        "Total number of MIP levels 32, minimum mip levels 4, maximum mip "
                        "levels 4"));
    EXPECT_TRUE(hasLine(lines, "Total number of 3DOs 4, resized 0, with texture coordinates 0"));
}

TEST_F(SampleScenario, AMeshFilterRewritesTheMatchingMeshesAndWhatTheyNest) {
    const ProcessResult convert =
        run({cars().string(), "-convert", "wheel", out("wheels").string()});
    ASSERT_EQ(convert.exitCode, 0) << convert.output;

    std::set<std::string> expected;
    for (const std::string& f : carMeshes()) {
        if (toLowerAscii(f).find("wheel") == std::string::npos) {
            continue;
        }
        expected.insert(meshCopyName(f));
        for (const std::string& nested : readMeshTables(readFile(cars() / f)).meshes) {
            expected.insert(std::string(directoryPart(f)) + toLowerAscii(nested) + ".3do");
        }
    }
    ASSERT_FALSE(expected.empty());
    const std::vector<std::string> copies = withExtension(listFiles(out("wheels")), "3do");
    EXPECT_EQ(std::set<std::string>(copies.begin(), copies.end()), expected);
    EXPECT_EQ(withExtension(listFiles(out("wheels")), "mip").size(), kCarTextures);
}

TEST_F(SampleScenario, CompactingPointsEveryMeshAtTheMasterTexture) {
    const ProcessResult compact =
        run({cars().string(), "-compact", "256", "128", out("compact").string()});
    ASSERT_EQ(compact.exitCode, 0) << compact.output;

    std::vector<std::string> expected{"master.mip"};
    for (const std::string& f : carMeshes()) {
        const Bytes source = readFile(cars() / f);
        Bytes wanted = source;
        const std::size_t mipCount = readMeshTables(source).mips.size();
        for (std::size_t k = 0; k < mipCount; ++k) {
            const std::string field("master\0\0", 8);
            std::copy(field.begin(), field.end(), wanted.begin() + 20 + 8 * k);
        }
        EXPECT_EQ(readFile(out("compact") / meshCopyName(f)), wanted) << f;
        expected.push_back(meshCopyName(f));
    }
    EXPECT_EQ(listFiles(out("compact")), sorted(expected));
    EXPECT_EQ(fs::file_size(out("compact") / "master.mip"), 32804u);
    EXPECT_TRUE(hasLine(compact.lines(),
                        "Total number of 3DOs 4, resized 0, with texture "
                        "coordinates 0"));
}

TEST_F(SampleScenario, ExplodingTheCarSetNeedsThePaletteAndNamesEveryLevel) {
    const ProcessResult refused = run({cars().string(), "-explode", out("no-palette").string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(hasLine(refused.lines(),
                        "To explode a carset a palette file (sunny.pcx) needs to "
                        "be specified with the -palette <path>"));

    const std::string palette = (track() / "sunny.pcx").string();
    const ProcessResult all =
        run({cars().string(), "-palette", palette, "-report", "-explode", out("images").string()});
    ASSERT_EQ(all.exitCode, 0) << all.output;
    const ProcessResult first =
        run({cars().string(), "-palette", palette, "-explode0", out("images0").string()});
    ASSERT_EQ(first.exitCode, 0) << first.output;

    std::vector<std::string> images, firstImages;
    for (const std::string& f : carMips()) {
        for (std::uint32_t i = 0; i < kCarLevels; ++i) {
            const std::uint32_t w = 256 >> i, h = (256 >> i) + 2;
            images.push_back(f + "." + std::to_string(i + 1) + ".4." + std::to_string(w) + "x" +
                             std::to_string(h) + "." + std::to_string(w * h) + "B.png");
        }
        firstImages.push_back(withoutExtension(f) + ".png");
    }
    EXPECT_EQ(listFiles(out("images")), sorted(images));
    EXPECT_EQ(listFiles(out("images0")), sorted(firstImages));
    const std::vector<std::string> lines = all.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find(" num colours ") != std::string::npos;
                            }),
              kCarTextures * kCarLevels);
}

TEST_F(SampleScenario, ExplodingTheUnpackedTrackUsesItsOwnPalette) {
    const ProcessResult explode = run({track().string(), "-explode", out("track-images").string()});
    ASSERT_EQ(explode.exitCode, 0) << explode.output;
    std::uint32_t levels = 0;
    for (const std::string& f : withExtension(listFiles(track()), "mip")) {
        levels += readMipGeometry(readFile(track() / f)).numMips;
    }
    EXPECT_EQ(listFiles(out("track-images")).size(), levels);
}

}  // namespace
}  // namespace vexmor::test
