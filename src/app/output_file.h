#pragma once

#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "platform/whole_file.h"

namespace vexmor {

class RunContext;

// One file a run writes: checked to lie inside the output folder, written whole under a
// temporary name and renamed into place by commit(). Every failure prints its one line and marks
// the run (exit code 4); a file that is not ready has said so already, and its commit fails
// quietly.
class OutputFile {
public:
    OutputFile(RunContext& context, std::string pathText);

    bool ready() const { return file_ && file_->ready() && !failed_; }

    // The temporary file as an emptied binary stream (closed when not ready).
    std::ofstream openStream() const;
    // The temporary file as it is, for patching in place after copyFrom (closed when not ready).
    std::ofstream openForPatching() const;

    // Fills the temporary file with a copy of `sourceText`. False (with its line) on failure.
    bool copyFrom(std::string_view sourceText);
    // Reports a failure found by the writer itself; the file is then abandoned.
    void fail(std::string_view reason);

    // Renames the temporary file into place; with `out`, only when every write to it succeeded.
    bool commit();
    bool commit(std::ofstream& out);

private:
    bool settle(const std::string& failure);

    RunContext& context_;
    std::string path_;
    std::optional<platform::WholeFile> file_;
    bool failed_ = false;
};

// Copies a file whole to `destinationText` inside the output folder. False (with its line) when
// it could not.
bool copyToOutput(RunContext& context, std::string_view sourceText,
                  std::string_view destinationText);

}  // namespace vexmor
