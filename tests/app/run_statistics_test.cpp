#include "app/run_statistics.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/console.h"

namespace vexmor {
namespace {

std::string statisticsFor(RunStatistics s) {
    std::ostringstream out;
    bool info = false;
    Console console(out, info);
    printStatistics(s, console);
    return out.str();
}

TEST(RunStatisticsTest, OddCountTakesTheMiddleSizeDoubled) {
    RunStatistics s;
    s.mipLevelSizes = {30, 10, 20};
    const std::string out = statisticsFor(s);
    EXPECT_NE(out.find("median size 40 bytes (0.0390625 KB, 3.814697265625e-05 MB)"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Inter-quartile range 20 bytes\n"), std::string::npos) << out;
}

TEST(RunStatisticsTest, EvenCountAveragesTheMiddlePair) {
    RunStatistics s;
    s.mipLevelSizes = {40, 10, 30, 20};
    const std::string out = statisticsFor(s);
    EXPECT_NE(out.find("median size 50 bytes"), std::string::npos) << out;
    EXPECT_NE(out.find("Inter-quartile range 20 bytes\n"), std::string::npos) << out;
}

TEST(RunStatisticsTest, PrintsTheFourLines) {
    RunStatistics s;
    s.numPaletted = 2;
    s.numMipFiles = 1;
    s.totalMipBytes = 3072;
    s.mipLevelSizes = {3072};
    s.maxMipWidth = 32;
    s.maxMipHeight = 96;
    s.largestMipSize = 3072;
    s.largestMipWidth = 32;
    s.largestMipHeight = 96;
    EXPECT_EQ(statisticsFor(s),
              "Num paletted 2, Num mips 1, total size 3072 (0x00000C00) bytes (3 KB, "
              "0.0029296875 MB)\n"
              "Max MIP dims 32x96, median size 6144 bytes (6 KB, 0.005859375 MB)\n"
              "Inter-quartile range 0 bytes\n"
              "Largest MIP size 3072 bytes (0x00000C00) of dims 32x96\n");
}

TEST(RunStatisticsTest, DoublesTakeTheExponentFormOnlyWhereItIsShorter) {
    RunStatistics s;
    s.totalMipBytes = 392;
    s.mipLevelSizes = {100000, 0, 100000, 0};
    std::string out = statisticsFor(s);
    // 0.00037384033203125 and 3.7384033203125e-04 are equally long: the fixed form wins.
    EXPECT_NE(out.find("(0.3828125 KB, 0.00037384033203125 MB)"), std::string::npos) << out;
    EXPECT_NE(out.find("median size 1e+05 bytes (97.65625 KB, 0.095367431640625 MB)"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Inter-quartile range 1e+05 bytes\n"), std::string::npos) << out;

    s = {};
    s.totalMipBytes = 1536 * 1024;
    s.mipLevelSizes = {1600000000};
    out = statisticsFor(s);
    EXPECT_NE(out.find("(1536 KB, 1.5 MB)"), std::string::npos) << out;
    EXPECT_NE(out.find("median size 3.2e+09 bytes (3125000 KB, 3051.7578125 MB)"),
              std::string::npos)
        << out;
}

TEST(RunStatisticsTest, NoLevelsPrintZeros) {
    EXPECT_EQ(statisticsFor({}),
              "Num paletted 0, Num mips 0, total size 0 (0x00000000) bytes (0 KB, 0 MB)\n"
              "Max MIP dims 0x0, median size 0 bytes (0 KB, 0 MB)\n"
              "Inter-quartile range 0 bytes\n"
              "Largest MIP size 0 bytes (0x00000000) of dims 0x0\n");
}

}  // namespace
}  // namespace vexmor
