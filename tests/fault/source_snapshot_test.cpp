#include "support/source_snapshot.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>

#include "support/temp_dir.h"

namespace vexmor::test {

void SourceSnapshot::expectUnchanged() const {
    for (const std::string& difference : differences()) {
        ADD_FAILURE() << "source changed: " << difference;
    }
}

namespace {

namespace fs = std::filesystem;

class SourceSnapshotTest : public ::testing::Test {
protected:
    SourceSnapshotTest() {
        writeFile(dir / "src/a.mip", "abc");
        writeFile(dir / "src/Sub/b.3do", "xyz");
    }
    TempDir dir;
};

TEST_F(SourceSnapshotTest, AnUntouchedTreeHasNoDifferences) {
    const SourceSnapshot snapshot(dir / "src");
    writeFile(dir / "elsewhere.txt", "outside the source");
    EXPECT_TRUE(snapshot.differences().empty());
    snapshot.expectUnchanged();
}

TEST_F(SourceSnapshotTest, SeesChangedAddedRemovedAndRewrittenFiles) {
    const SourceSnapshot snapshot(dir / "src");
    writeFile(dir / "src/a.mip", "abd");
    writeFile(dir / "src/Sub/new.png", "");
    fs::remove(dir / "src/Sub/b.3do");
    EXPECT_EQ(snapshot.differences(),
              (std::vector<std::string>{"Sub/b.3do was removed", "a.mip changed its contents",
                                        "Sub/new.png was added"}));

    const SourceSnapshot again(dir / "src");
    // The same bytes written again still count: the run must not open the source for writing.
    fs::last_write_time(dir / "src/a.mip",
                        fs::last_write_time(dir / "src/a.mip") + std::chrono::seconds(5));
    EXPECT_EQ(again.differences(), std::vector<std::string>{"a.mip was written to"});
    EXPECT_NONFATAL_FAILURE(again.expectUnchanged(), "source changed: a.mip was written to");
}

TEST_F(SourceSnapshotTest, AnArchiveIsItsOwnSnapshot) {
    writeFile(dir / "Monza.dat", "archive");
    const SourceSnapshot snapshot(dir / "Monza.dat");
    writeFile(dir / "Monza/member.mip", "unpacked beside it");
    EXPECT_TRUE(snapshot.differences().empty());
    writeFile(dir / "Monza.dat", "archivE");
    EXPECT_EQ(snapshot.differences(), std::vector<std::string>{". changed its contents"});
}

}  // namespace
}  // namespace vexmor::test
