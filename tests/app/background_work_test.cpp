#include "app/background_work.h"

#include <gtest/gtest.h>

#include <future>
#include <sstream>
#include <string>

#include "app/console.h"

namespace vexmor {
namespace {

// A piece's report is printed where the piece was started, before the lines printed after the
// start, however the pieces' work ends on the other threads.
TEST(BackgroundWorkTest, ReportsComeWhereTheirWorkWasStarted) {
    std::ostringstream out;
    const bool info = false;
    Console console(out, info);
    BackgroundWork background(console);
    background.enable();

    std::promise<void> releaseFirst;
    std::shared_future<void> firstReleased = releaseFirst.get_future().share();
    console.printLine("before");
    background.start([firstReleased] { firstReleased.wait(); },
                     [&console] { console.printLine("first report"); });
    console.printLine("after first");
    background.start([] {}, [&console] { console.printLine("second report"); });
    console.printLine("after second");
    EXPECT_EQ(out.str(), "before\n");  // the first piece is still under way
    releaseFirst.set_value();
    background.settle();
    EXPECT_EQ(out.str(), "before\nfirst report\nafter first\nsecond report\nafter second\n");

    console.printLine("settled");
    EXPECT_EQ(out.str().substr(out.str().size() - 8), "settled\n");
}

// Lines printed while a piece is under way are not all kept: past a bound the piece is waited
// for and they are written, in order.
TEST(BackgroundWorkTest, KeepsOnlyABoundedShareOfLines) {
    std::ostringstream out;
    const bool info = false;
    Console console(out, info);
    BackgroundWork background(console);
    background.enable();
    background.start([] {}, [&console] { console.printLine("report"); });
    const std::string line(1000, 'x');
    for (int i = 0; i < 100; ++i) {
        console.printLine(line);
    }
    EXPECT_TRUE(out.str().starts_with("report\n" + line + "\n"));
    EXPECT_EQ(out.str().size(), 7 + 100 * (line.size() + 1));
    background.settle();
}

}  // namespace
}  // namespace vexmor
