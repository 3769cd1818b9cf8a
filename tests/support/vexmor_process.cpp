#include "support/vexmor_process.h"

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "support/captured_run.h"

namespace vexmor::test {

std::vector<std::string> toolCommand() {
    if (const char* command = std::getenv("VEXMOR_TEST_COMMAND"); command && *command) {
        std::vector<std::string> words;
        std::istringstream in(command);
        for (std::string word; in >> word;) {
            words.push_back(word);
        }
        return words;
    }
#ifdef _WIN32
    return {builtToolBesideTests()};
#else
    return {VEXMOR_TEST_BINARY};
#endif
}

std::vector<std::string> ProcessResult::lines() const {
    return splitLines(output);
}

ProcessResult runVexmor(const std::vector<std::string>& args, const ProcessOptions& options) {
    std::vector<std::string> words = toolCommand();
    words.insert(words.end(), args.begin(), args.end());
    return runProgram(words, options);
}

// The Windows build starts programs with CreateProcess (vexmor_process_windows.cpp).
#ifndef _WIN32
ProcessResult runProgram(const std::vector<std::string>& command, const ProcessOptions& options) {
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    // Standard error goes to a file, read once the child has ended: two pipes would need a
    // reader for each.
    const std::unique_ptr<FILE, int (*)(FILE*)> errors(std::tmpfile(), &std::fclose);
    if (!errors) {
        throw std::runtime_error("tmpfile failed");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::dup2(::fileno(errors.get()), STDERR_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0) {
            ::_exit(127);
        }
        if (!options.tmpdir.empty()) {
            ::setenv("TMPDIR", options.tmpdir.c_str(), 1);
        }
        if (options.fileSizeLimit != 0) {
            ::signal(SIGXFSZ, SIG_IGN);  // kept across exec: writes past the limit fail
            const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                ::_exit(127);
            }
        }
        constexpr uid_t kNobody = 65534;
        if (options.unprivileged && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(127);
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
    const int errorFd = ::fileno(errors.get());
    ::lseek(errorFd, 0, SEEK_SET);  // the child moved the offset both share
    for (ssize_t n; (n = ::read(errorFd, buffer, sizeof buffer)) > 0;) {
        result.errors.append(buffer, static_cast<std::size_t>(n));
    }
    return result;
}

#endif  // _WIN32

}  // namespace vexmor::test
