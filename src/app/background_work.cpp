#include "app/background_work.h"

#include <algorithm>
#include <utility>

#include "app/console.h"

namespace vexmor {

BackgroundWork::~BackgroundWork() {
    settle();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

void BackgroundWork::start(std::function<void()> work, std::function<void()> finish,
                           std::function<void()> report, std::uint64_t bytes) {
    if (!enabled_) {
        settle();
        work();
        if (finish) {
            finish();
        }
        report();
        return;
    }
    while (settleOldest(true)) {
    }
    const auto full = [this, bytes] {
        const std::lock_guard<std::mutex> lock(mutex_);
        return !pieces_.empty() &&
               (pieces_.size() >= kMostInHand || bytesInHand_ + bytes > kMostBytesInHand);
    };
    while (full()) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            waitForOldest(kSettleBatch, lock);
        }
        while (settleOldest(true)) {
        }
    }
    while (workers_.size() < kWorkers) {
        workers_.emplace_back(&BackgroundWork::serve, this, workers_.empty());
    }
    console_.hold([this] { settle(); });
    bool wake = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        Piece& piece = pieces_.emplace_back();
        piece.work = std::move(work);
        piece.finish = std::move(finish);
        piece.report = std::move(report);
        piece.mark = console_.keptMark();
        piece.bytes = bytes;
        bytesInHand_ += bytes;
        wake = ++untaken_ >= kWakeBatch;
    }
    if (wake) {
        workReady_.notify_all();
    }
}

void BackgroundWork::settle() {
    while (settleOldest(false)) {
    }
}

bool BackgroundWork::settleOldest(bool onlyDone) {
    std::function<void()> report;
    std::uint64_t next = 0;
    bool last = false;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (pieces_.empty() || (onlyDone && !pieces_.front().done)) {
            return false;
        }
        waitForOldest(1, lock);
        report = std::move(pieces_.front().report);
        bytesInHand_ -= pieces_.front().bytes;
        pieces_.pop_front();
        last = pieces_.empty();
        next = last ? console_.keptMark() : pieces_.front().mark;
    }
    // The piece's lines, then those printed between its start and the next piece's.
    console_.release(next, report);
    if (last) {
        console_.endHold();
    }
    return true;
}

void BackgroundWork::waitForOldest(std::size_t count, std::unique_lock<std::mutex>& lock) {
    count = std::min(count, pieces_.size());
    if (oldestDone(count)) {
        return;
    }
    workReady_.notify_all();  // pieces short of a batch may still wait for a worker
    awaited_ = count;
    oldestDone_.wait(lock, [this, count] { return oldestDone(count); });
    awaited_ = 0;
}

bool BackgroundWork::oldestDone(std::size_t count) const {
    return std::all_of(pieces_.begin(), pieces_.begin() + static_cast<std::ptrdiff_t>(count),
                       [](const Piece& piece) { return piece.done; });
}

void BackgroundWork::serve(bool finishing) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        workReady_.wait(lock, [this, finishing] {
            return stopping_ || untaken_ > 0 || (finishing && unfinished_ > 0);
        });
        // Pieces are only ever added at the back, and removed at the front once done: the piece
        // taken stays where it is.
        const bool finishStep = finishing && unfinished_ > 0;
        const auto found =
            std::find_if(pieces_.begin(), pieces_.end(), [finishStep](const Piece& piece) {
                return finishStep ? piece.worked && !piece.finishing : !piece.taken;
            });
        if (found == pieces_.end()) {
            return;  // stopping, with nothing left
        }
        Piece& piece = *found;
        if (finishStep) {
            piece.finishing = true;
            --unfinished_;
        } else {
            piece.taken = true;
            --untaken_;
        }
        lock.unlock();
        (finishStep ? piece.finish : piece.work)();
        lock.lock();
        const bool done = finishStep || !piece.finish;
        if (done) {
            piece.done = true;
        } else {
            piece.worked = true;
            ++unfinished_;
        }
        // Woken threads would at once wait for the mutex: they are woken once it is free.
        const bool wakeRun = done && awaited_ > 0 && oldestDone(awaited_);
        const bool wakeFinisher = !done && !finishing;
        if (wakeRun || wakeFinisher) {
            lock.unlock();
            if (wakeRun) {
                oldestDone_.notify_one();
            }
            if (wakeFinisher) {
                workReady_.notify_all();
            }
            lock.lock();
        }
    }
}

}  // namespace vexmor
