#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/run_context.h"

namespace vexmor::test {

// A run context whose console is captured, for driving one operation or a whole run in-process.
class CapturedRun {
public:
    CapturedRun() : context(out_, &notes_) {}

    // Runs mainRun with `args` after the program name; a stage that ends the process gives its
    // exit code.
    int run(const std::vector<std::string>& args);

    std::string output() const { return out_.str(); }
    std::string notes() const { return notes_.str(); }  // what the tool writes to standard error
    std::vector<std::string> lines() const;
    void clearOutput() { out_.str({}); }

private:
    std::ostringstream out_;
    std::ostringstream notes_;

public:
    RunContext context;
};

// Splits console output into lines (without their line ends).
std::vector<std::string> splitLines(const std::string& text);

// True when `lines` holds `line` exactly.
bool hasLine(const std::vector<std::string>& lines, const std::string& line);

}  // namespace vexmor::test
