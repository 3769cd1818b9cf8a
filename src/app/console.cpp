#include "app/console.h"

namespace vexmor {

void Console::printLine(std::string_view text) {
    std::string line;
    line.reserve(text.size() + 1);
    line.append(text);
    line.push_back('\n');
    out_->write(line.data(), static_cast<std::streamsize>(line.size()));
    out_->flush();
}

}  // namespace vexmor
