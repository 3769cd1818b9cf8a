#include "support/captured_run.h"

#include <algorithm>

#include "app/main_run.h"
#include "app/process_exit.h"

namespace vexmor::test {

int CapturedRun::run(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"vexmor"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    try {
        return mainRun(context, static_cast<int>(argv.size()), argv.data());
    } catch (const ProcessExit& exit) {
        return exit.code;
    }
}

std::vector<std::string> CapturedRun::lines() const {
    return splitLines(output());
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();  // Windows writes text-mode line ends as CR LF
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace vexmor::test
