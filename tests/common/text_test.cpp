#include "common/text.h"

#include <gtest/gtest.h>

namespace vexmor {
namespace {

TEST(TextTest, LowersOnlyAsciiLetters) {
    EXPECT_EQ(toLowerAscii("C:\\Games\\ICR2\\Cars\\"), "c:\\games\\icr2\\cars\\");
    EXPECT_EQ(toLowerAscii("\xC4\xD6Z@["), "\xC4\xD6z@[");
}

TEST(TextTest, LastSeparatorOfEitherKindSplitsAPath) {
    // An absolute Linux path with Windows separators after it.
    EXPECT_EQ(directoryPart("/home/u/Out\\cars\\body.3do"), "/home/u/Out\\cars\\");
    EXPECT_EQ(directoryPart("a\\b/c\\d.mip"), "a\\b/c\\");
    EXPECT_EQ(directoryPart("a/b\\c/d.mip"), "a/b\\c/");
    EXPECT_EQ(directoryPart("plain.mip"), "");
    EXPECT_EQ(fileNamePart("/x/y\\Car1.MIP"), "Car1.MIP");
    EXPECT_EQ(fileNamePart("Car1.MIP"), "Car1.MIP");
}

TEST(TextTest, ExtensionIsExactlyThreeCharactersAfterTheLastDot) {
    EXPECT_EQ(extensionOf("car.MIP"), "mip");
    EXPECT_EQ(extensionOf("x.Mi4"), "mi4");
    EXPECT_EQ(extensionOf("car.mipx"), "");
    EXPECT_EQ(extensionOf("x.mi"), "");
    EXPECT_EQ(extensionOf("readme"), "");
    EXPECT_EQ(extensionOf("a.b\\c.3do"), "3do");
}

TEST(TextTest, PrintableNamesEscapeControlBytesButTabAndHighBytes) {
    EXPECT_EQ(printableName(std::string("a\x1B[2K\r\n\x7F\0b", 10)),
              "a\\x1B[2K\\x0D\\x0A\\x7F\\x00b");
    EXPECT_EQ(printableName("tab\there caf\xE9"), "tab\there caf\xE9");
}

}  // namespace
}  // namespace vexmor
