#include "platform/whole_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vexmor::platform {
namespace {

namespace fs = std::filesystem;
using test::listFiles;
using test::readText;
using test::TempDir;
using test::writeFile;

TEST(WholeFileTest, AppearsOnlyWhenCommittedAndLeavesNoTemporaryFile) {
    TempDir dir;
    writeFile(dir / "out/old.bin", "old bytes");
    {
        WholeFile abandoned((dir / "out/old.bin").string());
        ASSERT_TRUE(abandoned.ready());
        std::ofstream out = abandoned.openStream();
        out << "half";
    }
    EXPECT_EQ(readText(dir / "out/old.bin"), "old bytes");
    EXPECT_EQ(listFiles(dir.path()), std::vector<std::string>{"out/old.bin"});

    WholeFile file((dir / "out/old.bin").string());
    std::ofstream out = file.openStream();
    out << "new bytes";
    EXPECT_EQ(file.commit(out), "");
    EXPECT_EQ(readText(dir / "out/old.bin"), "new bytes");
    EXPECT_EQ(listFiles(dir.path()), std::vector<std::string>{"out/old.bin"});

    const std::string text = "bytes in one write";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    {
        WholeFile abandoned((dir / "out/old.bin").string());
        EXPECT_FALSE(abandoned.write(bytes));
    }
    EXPECT_EQ(readText(dir / "out/old.bin"), "new bytes");
    WholeFile written((dir / "out/old.bin").string());
    EXPECT_FALSE(written.write(bytes));
    EXPECT_EQ(written.commit(), "");
    EXPECT_EQ(readText(dir / "out/old.bin"), text);
    EXPECT_EQ(listFiles(dir.path()), std::vector<std::string>{"out/old.bin"});
}

// A file filled only by write() may be made without a name: it must still replace what is at its
// name whole, leave nothing when abandoned, and never write through a link.
TEST(WholeFileTest, AFileFilledOnlyByWriteAppearsWholeUnderItsNameAlone) {
    TempDir dir;
    writeFile(dir / "out/old.bin", "old bytes");
    writeFile(dir / "elsewhere/precious.txt", "keep me");
    const std::string text = "bytes in one write";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    const auto write = [&](const std::string& name, bool commit) {
        WholeFile file((dir / "out" / name).string(), WholeFile::Filling::onlyByWrite);
        EXPECT_FALSE(file.write(bytes));
        return commit ? file.commit() : std::string("abandoned");
    };
    EXPECT_EQ(write("new.bin", false), "abandoned");
    EXPECT_EQ(write("old.bin", false), "abandoned");
    EXPECT_EQ(readText(dir / "out/old.bin"), "old bytes");
    EXPECT_EQ(listFiles(dir / "out"), std::vector<std::string>{"old.bin"});

    EXPECT_EQ(write("new.bin", true), "");
    EXPECT_EQ(write("old.bin", true), "");
    EXPECT_EQ(readText(dir / "out/new.bin"), text);
    EXPECT_EQ(readText(dir / "out/old.bin"), text);
    EXPECT_EQ(listFiles(dir / "out"), (std::vector<std::string>{"new.bin", "old.bin"}));
#ifndef _WIN32
    fs::create_symlink(dir / "elsewhere/precious.txt", dir / "out/link.bin");
    EXPECT_EQ(write("link.bin", true), "");
    EXPECT_FALSE(fs::is_symlink(dir / "out/link.bin"));
    EXPECT_EQ(readText(dir / "out/link.bin"), text);
    EXPECT_EQ(readText(dir / "elsewhere/precious.txt"), "keep me");
#endif
}

TEST(WholeFileTest, SaysWhyWhenTheFolderIsMissing) {
    TempDir dir;
    WholeFile file((dir / "missing/x.bin").string());
    EXPECT_FALSE(file.ready());
    EXPECT_NE(file.commit(), "");
    EXPECT_NE(copyFileWhole((dir / "nothing.bin").string(), (dir / "copy.bin").string()), "");
    EXPECT_FALSE(fs::exists(dir / "copy.bin"));
}

#ifndef _WIN32
TEST(WholeFileTest, ReplacesALinkInsteadOfWritingThroughIt) {
    TempDir dir;
    writeFile(dir / "elsewhere/precious.txt", "keep me");
    writeFile(dir / "source.bin", "copied");
    fs::create_directories(dir / "out");
    fs::create_symlink(dir / "elsewhere/precious.txt", dir / "out/copy.bin");
    fs::create_symlink(dir / "elsewhere/precious.txt", dir / "out/written.bin");

    EXPECT_EQ(copyFileWhole((dir / "source.bin").string(), (dir / "out/copy.bin").string()), "");
    WholeFile file((dir / "out/written.bin").string());
    std::ofstream out = file.openStream();
    out << "written";
    EXPECT_EQ(file.commit(out), "");

    EXPECT_EQ(readText(dir / "elsewhere/precious.txt"), "keep me");
    EXPECT_FALSE(fs::is_symlink(dir / "out/copy.bin"));
    EXPECT_EQ(readText(dir / "out/copy.bin"), "copied");
    EXPECT_EQ(readText(dir / "out/written.bin"), "written");
}
#endif

}  // namespace
}  // namespace vexmor::platform
