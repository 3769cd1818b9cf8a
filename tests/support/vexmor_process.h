#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vexmor::test {

struct ProcessResult {
    int exitCode = -1;
    std::string output;  // standard output, line ends as written
    std::vector<std::string> lines() const;
};

struct ProcessOptions {
    ProcessOptions(std::filesystem::path workingFolder = {}, std::filesystem::path tmpdir = {})
        : workingFolder(std::move(workingFolder)), tmpdir(std::move(tmpdir)) {}
    std::filesystem::path workingFolder;  // empty: the test's own
    std::filesystem::path tmpdir;         // TMPDIR of the child, where the report lands
};

// Runs the built tool with `args`. The command that starts it is the built binary, or the
// words of VEXMOR_TEST_COMMAND when set (so the same tests can drive another build).
ProcessResult runVexmor(const std::vector<std::string>& args, const ProcessOptions& options = {});

}  // namespace vexmor::test
