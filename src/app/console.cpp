#include "app/console.h"

namespace vexmor {

void Console::printLine(std::string_view text) {
    Line line;
    line.append(text);
    writeLine(line);
}

void Console::printLineWith(fmt::string_view tpl, fmt::format_args args) {
    Line line;
    fmt::vformat_to(std::back_inserter(line), tpl, args);
    writeLine(line);
}

void Console::writeLine(Line& line) {
    line.push_back('\n');
    out_->write(line.data(), static_cast<std::streamsize>(line.size()));
    out_->flush();
}

}  // namespace vexmor
