#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "app/limits.h"

namespace vexmor {

class Console;

// Work done on other threads while the run goes on, settled in the order it was started: images
// are encoded and written while the run reads the next texture. What a piece has to say is printed
// where it was started: the console keeps back the lines printed after the start until the
// piece is settled, and its report runs on the run's own thread, the only one that touches the
// run context or prints. Until enabled, pieces run at once on the calling thread (stages driven
// one by one, as tests do, find their files when the call returns).
class BackgroundWork {
public:
    explicit BackgroundWork(Console& console) : console_(console) {}
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    void enable() { enabled_ = true; }

    // Starts `work`, which must neither print, touch the run context nor raise an exception (one
    // escaping it ends the process); `report` runs on this thread when the piece is settled. The
    // piece holds `bytes` of data until then. Pieces found finished are settled first, and while
    // kMostInHand pieces or kMostBytesInHand bytes would be under way this waits for the oldest.
    void start(std::function<void()> work, std::function<void()> report, std::uint64_t bytes) {
        start(std::move(work), {}, std::move(report), bytes);
    }

    // The same with a second step, `finish`, run after `work` under the same rules, always on one
    // and the same thread: steps that change folders are done there, so that no two wait on each
    // other's hold on a folder.
    void start(std::function<void()> work, std::function<void()> finish,
               std::function<void()> report, std::uint64_t bytes);

    // Waits for every piece under way, runs their reports and prints the lines kept back behind
    // them.
    void settle();

private:
    // Pieces under way at once, and the bytes they hold: each holds its image's pixels.
    static constexpr std::size_t kMostInHand = limits::kMaxImagesInHand;
    static constexpr std::uint64_t kMostBytesInHand = limits::kMaxImageBytesInHand;
    // Threads doing the work: with the run's own thread, enough to keep two cores busy.
    static constexpr std::size_t kWorkers = 2;
    // Sleeping workers are woken once this many pieces wait, not for each: a wake-up costs
    // about as much as a small image. For the same reason the run, finding its hands full, waits
    // until this many of the oldest pieces are done, not for each one.
    static constexpr std::size_t kWakeBatch = 4;
    static constexpr std::size_t kSettleBatch = 8;

    struct Piece {
        std::function<void()> work;
        std::function<void()> finish;  // may be empty
        std::function<void()> report;
        std::uint64_t mark = 0;  // the console's kept lines when it started
        std::uint64_t bytes = 0;
        bool taken = false;
        bool worked = false;     // its work is done; its finish waits for the finishing thread
        bool finishing = false;  // the finishing thread took its finish
        bool done = false;
    };

    // Waits for the oldest piece and settles it; false when there is none (or, when `onlyDone`,
    // none finished).
    bool settleOldest(bool onlyDone);
    // Waits until the oldest `count` pieces (or all, when fewer) are done.
    void waitForOldest(std::size_t count, std::unique_lock<std::mutex>& lock);
    bool oldestDone(std::size_t count) const;
    // A worker's loop; the finishing worker also takes every finish step, those first.
    void serve(bool finishing);

    Console& console_;
    bool enabled_ = false;
    std::uint64_t bytesInHand_ = 0;  // of the pieces not yet settled; this thread's only

    // Shared with the workers.
    std::mutex mutex_;
    std::condition_variable workReady_;   // workers wait on it
    std::condition_variable oldestDone_;  // this thread waits on it for the oldest pieces
    std::size_t awaited_ = 0;             // how many of the oldest pieces it waits for
    std::deque<Piece> pieces_;            // oldest first; only this thread adds and removes them
    std::size_t untaken_ = 0;             // pieces no worker has taken yet
    std::size_t unfinished_ = 0;          // pieces whose finish waits for the finishing worker
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace vexmor
