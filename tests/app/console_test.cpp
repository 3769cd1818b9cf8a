#include "app/console.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

namespace vexmor {
namespace {

TEST(FormatMessageTest, FieldFormsFormatAsTheTemplatesExpect) {
    EXPECT_EQ(formatMessage("{} and {}", 12, "text"), "12 and text");
    EXPECT_EQ(formatMessage("{0:} {1:} {0:}", -3, std::uint64_t{7}), "-3 7 -3");
    EXPECT_EQ(formatMessage("total size {2:} (0x{2:08X}) bytes", 0, 0, std::uint64_t{3072}),
              "total size 3072 (0x00000C00) bytes");
    EXPECT_EQ(formatMessage("{:X}", 0xFFFFFFE0u), "FFFFFFE0");
    EXPECT_EQ(formatMessage("{:0X}", std::uint64_t{20}), "14");
    EXPECT_EQ(formatMessage("{:b}", 15u), "1111");
    EXPECT_EQ(formatMessage("{:b}", 0xFFFFFFFCu), "11111111111111111111111111111100");
}

TEST(FormatMessageTest, PaddedHexKeepsEveryDigitOfLargeValues) {
    EXPECT_EQ(formatMessage("{:08X}", 0xFF563412u), "FF563412");
    EXPECT_EQ(formatMessage("{:08X}", std::uint64_t{0x123456789A}), "123456789A");
    EXPECT_EQ(formatMessage("{:08X}", 5), "00000005");
}

TEST(FormatMessageTest, FlagsPrintAsWords) {
    EXPECT_EQ(formatMessage("{} {}", true, false), "true false");
}

TEST(FormatMessageTest, DoublesUseTheShortestRoundTripForm) {
    EXPECT_EQ(formatMessage("{}", 1536.0), "1536");
    EXPECT_EQ(formatMessage("{}", 0.5), "0.5");
    EXPECT_EQ(formatMessage("{}", 3072 * 0.0009765625 * 0.0009765625), "0.0029296875");
    EXPECT_EQ(formatMessage("{}", 1e-05), "1e-05");
    EXPECT_EQ(formatMessage("{}", 1e+20), "1e+20");
    EXPECT_EQ(formatMessage("{}", 0.0), "0");
}

TEST(ConsoleTest, WritesWholeLinesAndShowsDetailLinesOnlyWithInfo) {
    std::ostringstream out;
    bool info = false;
    Console console(out, info);
    console.printLine("first");
    console.printInfoLine("hidden {}", 1);
    info = true;
    console.printInfoLine("shown {}", 2);
    // Texts reach the line with control bytes shown, so a name cannot erase or forge lines.
    console.printLine("{} {}", std::string("a\x1B[2J\rb\n"), "\tc\x7F");
    EXPECT_EQ(out.str(), "first\nshown 2\na\\x1B[2J\\x0Db\\x0A \tc\\x7F\n");
}

TEST(ConsoleTest, FixedTextsAreNotFormatted) {
    std::ostringstream out;
    bool info = false;
    Console console(out, info);
    const std::string text = "braces {} stay";
    console.printLine(std::string_view(text));
    EXPECT_EQ(out.str(), "braces {} stay\n");
}

TEST(ConsoleTest, LinesLongerThanTheStackBufferComeOutWhole) {
    std::ostringstream out;
    bool info = true;
    Console console(out, info);
    const std::string path(1000, 'p');
    console.printLine(std::string_view(path));
    console.printInfoLine("3DO {}: {}", path, 7);
    const int bits = 1;
    console.printLineWith("{} bits {}", fmt::make_format_args(path, bits));
    EXPECT_EQ(out.str(), path + "\n3DO " + path + ": 7\n" + path + " bits 1\n");
}

}  // namespace
}  // namespace vexmor
