#include "support/vexmor_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "support/captured_run.h"

namespace vexmor::test {
namespace {

std::vector<std::string> toolCommand() {
    if (const char* command = std::getenv("VEXMOR_TEST_COMMAND"); command && *command) {
        std::vector<std::string> words;
        std::istringstream in(command);
        for (std::string word; in >> word;) {
            words.push_back(word);
        }
        return words;
    }
    return {VEXMOR_TEST_BINARY};
}

}  // namespace

std::vector<std::string> ProcessResult::lines() const {
    return splitLines(output);
}

ProcessResult runVexmor(const std::vector<std::string>& args, const ProcessOptions& options) {
    std::vector<std::string> words = toolCommand();
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0) {
            ::_exit(127);
        }
        if (!options.tmpdir.empty()) {
            ::setenv("TMPDIR", options.tmpdir.c_str(), 1);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    ProcessResult result;
    char buffer[65536];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        result.output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace vexmor::test
