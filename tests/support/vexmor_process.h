#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vexmor::test {

struct ProcessResult {
    int exitCode = -1;
    std::string output;  // standard output, line ends as written
    std::string errors;  // standard error
    std::vector<std::string> lines() const;
};

struct ProcessOptions {
    ProcessOptions(std::filesystem::path workingFolder = {}, std::filesystem::path tmpdir = {})
        : workingFolder(std::move(workingFolder)), tmpdir(std::move(tmpdir)) {}
    std::filesystem::path workingFolder;  // empty: the test's own
    // TMPDIR of the child, where the report lands. The Windows build writes its report to the
    // fixed c:\temp\mi433.csv; there the harness copies tmpdir's mi433.csv to that place before
    // the run and back after it, so tests find the report in tmpdir on both platforms.
    std::filesystem::path tmpdir;
    // The largest file the child may write (RLIMIT_FSIZE), 0 for no limit: writes beyond it fail
    // as on a full disk (SIGXFSZ is ignored in the child, so they fail instead of killing it).
    // POSIX only.
    std::uint64_t fileSizeLimit = 0;
    // When the tests run as root, the child runs as the user nobody instead, so that folder
    // permissions bind it as they bind a modder's own account. POSIX only.
    bool unprivileged = false;
};

// The words of the command that starts the tool: those of VEXMOR_TEST_COMMAND when set, else
// the built binary (on Windows vexmor.exe beside the test program).
std::vector<std::string> toolCommand();

#ifdef _WIN32
// vexmor.exe in the folder of the running test program, as 8-bit text.
std::string builtToolBesideTests();
#endif

// Runs the built tool with `args`. The command that starts it is the built binary, or the
// words of VEXMOR_TEST_COMMAND when set (so the same tests can drive another build).
ProcessResult runVexmor(const std::vector<std::string>& args, const ProcessOptions& options = {});

// Runs any program: `command` is the program followed by its arguments.
ProcessResult runProgram(const std::vector<std::string>& command,
                         const ProcessOptions& options = {});

}  // namespace vexmor::test
