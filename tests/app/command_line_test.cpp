#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/captured_run.h"

namespace vexmor {
namespace {

// Parses `args` (after the program name) into a fresh context.
struct Parsed {
    test::CapturedRun run;
    const RunOptions& options;
    explicit Parsed(std::vector<std::string> args) : options(run.context.options) {
        std::vector<const char*> argv{"vexmor"};
        for (const std::string& arg : args) {
            argv.push_back(arg.c_str());
        }
        parseCommandLine(run.context, static_cast<int>(argv.size()), argv.data());
    }
};

TEST(CommandLineTest, DefaultsHoldWithoutOptions) {
    Parsed p({"src"});
    EXPECT_EQ(p.options.sourcePath, "src");
    EXPECT_EQ(p.options.widthLimit, 128);
    EXPECT_EQ(p.options.heightLimit, 32768);
    EXPECT_EQ(p.options.maxMips, 8);
    EXPECT_EQ(p.options.limit, 2);
    EXPECT_FALSE(p.options.track);
    EXPECT_EQ(p.run.output(), "");
}

TEST(CommandLineTest, OptionsMatchWholeArgumentsWithoutRegardToCase) {
    Parsed p({"src", "-Info", "-REPORT", "-inf", "--info", "-TRACK"});
    EXPECT_TRUE(p.options.info);
    EXPECT_TRUE(p.options.report);
    EXPECT_TRUE(p.options.track);
    Parsed first({"-inf"});
    EXPECT_EQ(first.options.sourcePath, "-inf");
    Parsed optionFirst({"-info"});
    EXPECT_TRUE(optionFirst.options.info);
    EXPECT_EQ(optionFirst.options.sourcePath, "");
}

TEST(CommandLineTest, SourceIsLowerCasedWithOneTrailingBackslashRemoved) {
    EXPECT_EQ(Parsed({"C:\\Games\\ICR2\\Cars\\"}).options.sourcePath, "c:\\games\\icr2\\cars");
    EXPECT_EQ(Parsed({"c:\\cars\\\\"}).options.sourcePath, "c:\\cars\\");
    EXPECT_EQ(Parsed({"/tmp/T/Src"}).options.sourcePath, "/tmp/t/src");
}

TEST(CommandLineTest, OutputPathsGetOneSeparatorAndKeepTheirCase) {
    EXPECT_EQ(Parsed({"s", "-explode", "Out"}).options.outputPath, "Out\\");
    EXPECT_EQ(Parsed({"s", "-explode", "Out\\"}).options.outputPath, "Out\\");
    EXPECT_EQ(Parsed({"s", "-explode", "Out/"}).options.outputPath, "Out/\\");
    Parsed last({"s", "-unpack", "a", "-explode"});
    EXPECT_TRUE(last.options.explode);
    EXPECT_EQ(last.options.outputPath, "a\\");
    EXPECT_EQ(Parsed({"s", "-explode", "a", "-unpack", "b"}).options.outputPath, "b\\");
    Parsed zero({"s", "-explode0", "X"});
    EXPECT_TRUE(zero.options.explode);
    EXPECT_TRUE(zero.options.explodeFirstLevelOnly);
}

TEST(CommandLineTest, ConvertTakesAMeshFilterOnlyWhenTwoArgumentsFollow) {
    Parsed one({"s", "-convert", "Out"});
    EXPECT_TRUE(one.options.convert);
    EXPECT_EQ(one.options.outputPath, "Out\\");
    EXPECT_EQ(one.options.meshFilter, "");
    Parsed two({"s", "-convert", "Wheel", "Out"});
    EXPECT_EQ(two.options.meshFilter, "Wheel");
    EXPECT_EQ(two.options.outputPath, "Out\\");
    // Two arguments follow, so the option after the path is taken as the path.
    Parsed swallowed({"s", "-convert", "Out", "-track"});
    EXPECT_EQ(swallowed.options.meshFilter, "Out");
    EXPECT_EQ(swallowed.options.outputPath, "-track\\");
    EXPECT_FALSE(swallowed.options.track);
    Parsed none({"s", "-convert"});
    EXPECT_TRUE(none.options.convert);
    EXPECT_EQ(none.options.outputPath, "");
}

TEST(CommandLineTest, CompactTakesUpToThreeArguments) {
    Parsed three({"s", "-compact", "256", "128", "Out"});
    EXPECT_TRUE(three.options.compact);
    EXPECT_EQ(three.options.compactWidth, 256);
    EXPECT_EQ(three.options.compactHeight, 128);
    EXPECT_EQ(three.options.outputPath, "Out\\");
    EXPECT_EQ(three.run.output(), "");

    Parsed one({"s", "-compact", "Out"});
    EXPECT_EQ(one.options.outputPath, "Out\\");
    EXPECT_EQ(one.run.output(), "Extraction path is Out\\\n");

    Parsed two({"s", "-compact", "256", "Out"});
    EXPECT_EQ(two.options.compactWidth, 256);
    EXPECT_EQ(two.options.compactHeight, 0);
    EXPECT_EQ(two.options.outputPath, "");
    EXPECT_EQ(two.run.output(), "");

    Parsed none({"s", "-explode", "E", "-compact"});
    EXPECT_EQ(none.run.output(), "Extraction path is E\\\n");
}

TEST(CommandLineTest, CountingOptionsReadButDoNotConsumeTheirNumber) {
    Parsed max({"s", "-maxmips", "4", "-limit", "3", "-counter", "9", "-expandmips", "2"});
    EXPECT_TRUE(max.options.maxMipsGiven);
    EXPECT_EQ(max.options.maxMips, 4);
    EXPECT_TRUE(max.options.limitGiven);
    EXPECT_EQ(max.options.limit, 3);
    EXPECT_EQ(max.options.counter, 9);
    EXPECT_EQ(max.options.expandMips, 2);
    EXPECT_EQ(max.run.notes(), "");  // the numbers are read, so none is an ignored argument

    Parsed last({"s", "-maxmips"});
    EXPECT_TRUE(last.options.maxMipsGiven);
    EXPECT_EQ(last.options.maxMips, 8);
    Parsed expandLast({"s", "-expandmips"});
    EXPECT_TRUE(expandLast.options.expandMipsGiven);
    EXPECT_EQ(expandLast.options.expandMips, 0);

    // The option after it is read as a number and then takes effect itself.
    Parsed option({"s", "-maxmips", "-track"});
    EXPECT_EQ(option.options.maxMips, 0);
    EXPECT_TRUE(option.options.track);
}

TEST(CommandLineTest, PaletteWidthAndHeightAlwaysConsumeTheNextPosition) {
    Parsed palette({"s", "-palette", "-info"});
    EXPECT_TRUE(palette.options.paletteGiven);
    EXPECT_EQ(palette.options.palettePath, "-info");
    EXPECT_FALSE(palette.options.info);

    Parsed width({"s", "-width", "abc", "-height", " 64x"});
    EXPECT_EQ(width.options.widthLimit, 0);
    EXPECT_EQ(width.options.heightLimit, 64);
    EXPECT_EQ(Parsed({"s", "-width"}).options.widthLimit, 128);
    EXPECT_EQ(Parsed({"s", "-width", "-32"}).options.widthLimit, -32);
}

TEST(CommandLineTest, PackTakesTheNextPositionAsTypedWithoutASeparator) {
    Parsed p({"src", "-PACK", "Out/Monza.DAT", "-info"});
    EXPECT_TRUE(p.options.pack);
    EXPECT_EQ(p.options.packPath, "Out/Monza.DAT");
    EXPECT_TRUE(p.options.info);
    EXPECT_EQ(p.options.outputPath, "");
    Parsed last({"src", "-pack"});
    EXPECT_TRUE(last.options.pack);
    EXPECT_EQ(last.options.packPath, "");
}

TEST(CommandLineTest, EachOptionSetsItsOwnFieldsOnly) {
    Parsed p({"s", "-REDUCE", "-Quarter", "-COUNTER", "5", "-ExpandMips", "6", "-PALETTE", "Pal",
              "-WIDTH", "7", "-HEIGHT", "9", "-IMPORT", "Img", "-UNPACK", "Out"});
    EXPECT_TRUE(p.options.reduce);
    EXPECT_TRUE(p.options.quarter);
    EXPECT_TRUE(p.options.counterGiven);
    EXPECT_EQ(p.options.counter, 5);
    EXPECT_TRUE(p.options.expandMipsGiven);
    EXPECT_EQ(p.options.expandMips, 6);
    EXPECT_EQ(p.options.palettePath, "Pal");
    EXPECT_EQ(p.options.widthLimit, 7);
    EXPECT_EQ(p.options.heightLimit, 9);
    EXPECT_TRUE(p.options.importGiven);
    EXPECT_EQ(p.options.importPath, "Img\\");
    EXPECT_TRUE(p.options.unpack);
    EXPECT_EQ(p.options.outputPath, "Out\\");
    // Fields of the options not given keep their defaults.
    EXPECT_FALSE(p.options.info || p.options.explode || p.options.convert || p.options.compact ||
                 p.options.report || p.options.pack || p.options.track);
    EXPECT_FALSE(p.options.maxMipsGiven || p.options.limitGiven);
    EXPECT_EQ(p.options.maxMips, 8);
    EXPECT_EQ(p.options.limit, 2);
    EXPECT_EQ(p.run.notes(), "");
}

TEST(CommandLineTest, CarClearsTrackAndStrayArgumentsAreIgnored) {
    Parsed p({"s", "-track", "stray", "-CarSet"});
    EXPECT_FALSE(p.options.track);
    EXPECT_EQ(p.options.sourcePath, "s");
    EXPECT_EQ(p.run.output(), "");
    EXPECT_EQ(p.run.notes(), "vexmor: ignored argument stray: not an option\n");
}

}  // namespace
}  // namespace vexmor
