#include "app/output_file.h"

#include <utility>

#include "app/output_guard.h"
#include "app/run_context.h"
#include "app/write_failure.h"

namespace vexmor {

OutputFile::OutputFile(RunContext& context, std::string pathText)
    : context_(context), path_(std::move(pathText)) {
    // An image still being written finishes first, so the run's files never change one folder
    // from two threads at once (the folder index then sees each change as the run's own).
    context_.background.settle();
    if (!mayWriteTo(context_, path_)) {
        failed_ = true;
        return;
    }
    file_.emplace(path_);
    if (!file_->ready()) {
        fail(file_->failure());
    }
}

std::ofstream OutputFile::openStream() const {
    return ready() ? file_->openStream() : std::ofstream();
}

std::ofstream OutputFile::openForPatching() const {
    // With `in` the file is opened as it is: neither created nor emptied.
    return ready() ? std::ofstream(file_->temporaryPath(),
                                   std::ios::binary | std::ios::in | std::ios::out)
                   : std::ofstream();
}

bool OutputFile::copyFrom(std::string_view sourceText) {
    return ready() && settle(file_->copyFrom(sourceText));
}

void OutputFile::fail(std::string_view reason) {
    if (!failed_) {
        reportWriteFailure(context_, path_, reason);
        failed_ = true;
    }
}

bool OutputFile::commit() {
    return ready() && settle(file_->commit());
}

bool OutputFile::commit(std::ofstream& out) {
    return ready() && settle(file_->commit(out));
}

bool OutputFile::settle(const std::string& failure) {
    if (failure.empty()) {
        return true;
    }
    fail(failure);
    return false;
}

bool copyToOutput(RunContext& context, std::string_view sourceText,
                  std::string_view destinationText) {
    OutputFile file(context, std::string(destinationText));
    return file.copyFrom(sourceText) && file.commit();
}

}  // namespace vexmor
