#include "app/background_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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
                     [&console] { console.printLine("first report"); }, 1);
    console.printLine("after first");
    background.start([] {}, [&console] { console.printLine("second report"); }, 1);
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
    background.start([] {}, [&console] { console.printLine("report"); }, 1);
    const std::string line(1000, 'x');
    for (int i = 0; i < 100; ++i) {
        console.printLine(line);
    }
    EXPECT_TRUE(out.str().starts_with("report\n" + line + "\n"));
    EXPECT_EQ(out.str().size(), 7 + 100 * (line.size() + 1));
    background.settle();
}

// The data pieces hold is bounded: a piece that would take it past the bound waits for the older
// pieces, and one larger than the bound still goes ahead alone.
TEST(BackgroundWorkTest, BoundsTheBytesInHand) {
    std::ostringstream out;
    const bool info = false;
    Console console(out, info);
    BackgroundWork background(console);
    background.enable();
    const std::uint64_t half = limits::kMaxImageBytesInHand / 2;

    std::promise<void> releaseFirst;
    std::shared_future<void> firstReleased = releaseFirst.get_future().share();
    background.start([firstReleased] { firstReleased.wait(); }, [] {}, half);
    background.start([] {}, [] {}, half);  // together at the bound: goes ahead
    std::future<void> third =
        std::async(std::launch::async, [&background] { background.start([] {}, [] {}, 1); });
    // Still waiting after a while; it cannot finish before the first piece does.
    EXPECT_EQ(third.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    releaseFirst.set_value();
    third.get();
    background.start([] {}, [] {}, 4 * limits::kMaxImageBytesInHand);
    background.settle();
}

// Finish steps (which change folders) run after their own piece's work, one at a time, all on one
// thread, while work runs on any.
TEST(BackgroundWorkTest, FinishStepsRunAfterTheirWorkOnOneThread) {
    std::ostringstream out;
    const bool info = false;
    Console console(out, info);
    BackgroundWork background(console);
    background.enable();
    constexpr int kPieces = 200;
    std::array<std::atomic<bool>, kPieces> worked{};
    std::atomic<int> finishing = 0;
    std::atomic<bool> overlapped = false;
    std::atomic<bool> early = false;
    std::mutex threadsMutex;
    std::set<std::thread::id> finishThreads;
    std::vector<int> reported;
    for (int i = 0; i < kPieces; ++i) {
        background.start(
            [&worked, i] {
                std::this_thread::sleep_for(
                    std::chrono::microseconds(50));  // both workers take some
                worked[i] = true;
            },
            [&, i] {
                overlapped = overlapped || ++finishing > 1;
                early = early || !worked[i];
                {
                    const std::lock_guard<std::mutex> lock(threadsMutex);
                    finishThreads.insert(std::this_thread::get_id());
                }
                --finishing;
            },
            [&reported, i] { reported.push_back(i); }, 1);
    }
    background.settle();
    EXPECT_FALSE(overlapped);
    EXPECT_FALSE(early);
    EXPECT_EQ(finishThreads.size(), 1u);
    ASSERT_EQ(reported.size(), std::size_t{kPieces});
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
}

}  // namespace
}  // namespace vexmor
