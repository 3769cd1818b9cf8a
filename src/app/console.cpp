#include "app/console.h"

namespace vexmor {

void Console::printLine(std::string_view text) {
    Line line;
    line.append(text);
    writeLine(*out_, line);
}

void Console::printLineWith(fmt::string_view tpl, fmt::format_args args) {
    Line line;
    fmt::vformat_to(std::back_inserter(line), tpl, args);
    writeLine(*out_, line);
}

void Console::writeLine(std::ostream& stream, Line& line) {
    line.push_back('\n');
    stream.write(line.data(), static_cast<std::streamsize>(line.size()));
    stream.flush();
}

}  // namespace vexmor
