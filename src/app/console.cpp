#include "app/console.h"

#include <algorithm>
#include <utility>

namespace vexmor {
namespace {

// Kept lines are released before they pass this many bytes: a stage printing detail lines while
// an image is written must not gather them all in memory.
constexpr std::size_t kMostKeptBytes = 64 * 1024;

// Released lines are written once they fill this many bytes: one write per image would cost a
// program reading the output a wake-up per image.
constexpr std::size_t kReleasedBatchBytes = 8 * 1024;

}  // namespace

void Console::printLine(std::string_view text) {
    Line line;
    line.append(text);
    writeOut(line);
}

void Console::printLineWith(fmt::string_view tpl, fmt::format_args args) {
    Line line;
    fmt::vformat_to(std::back_inserter(line), tpl, args);
    writeOut(line);
}

void Console::writeLine(std::ostream& stream, Line& line) {
    line.push_back('\n');
    stream.write(line.data(), static_cast<std::streamsize>(line.size()));
    stream.flush();
}

void Console::writeOut(Line& line) {
    if (releasing_) {
        released_.append(line.data(), line.size());
        released_.push_back('\n');
        return;
    }
    if (!holding_) {
        writeLine(*out_, line);
        return;
    }
    kept_.append(line.data(), line.size());
    kept_.push_back('\n');
    if (kept_.size() > kMostKeptBytes && whenFull_) {
        const std::function<void()> full = whenFull_;  // release() clears the member
        full();
    }
}

void Console::hold(std::function<void()> whenFull) {
    holding_ = true;
    whenFull_ = std::move(whenFull);
}

void Console::release(std::uint64_t mark, const std::function<void()>& first) {
    releasing_ = true;
    first();
    releasing_ = false;
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>(kept_.size(), mark > keptBefore_ ? mark - keptBefore_ : 0));
    released_.append(kept_, 0, count);
    kept_.erase(0, count);
    keptBefore_ += count;
    if (released_.size() >= kReleasedBatchBytes) {
        writeReleased();
    }
}

void Console::endHold() {
    release(keptMark(), [] {});
    holding_ = false;
    whenFull_ = nullptr;
    writeReleased();
}

void Console::writeReleased() {
    if (!released_.empty()) {
        out_->write(released_.data(), static_cast<std::streamsize>(released_.size()));
        out_->flush();
        released_.clear();
    }
}

}  // namespace vexmor
