#include "common/text.h"

#include <algorithm>

namespace vexmor {

std::string toLowerAscii(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), lowerAscii);
    return lowered;
}

std::size_t lastSeparator(std::string_view path) {
    return path.find_last_of("\\/");
}

std::string_view directoryPart(std::string_view path) {
    const std::size_t separator = lastSeparator(path);
    return separator == std::string_view::npos ? std::string_view{} : path.substr(0, separator + 1);
}

std::string_view fileNamePart(std::string_view path) {
    const std::size_t separator = lastSeparator(path);
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string withTrailingSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\') {
        folder.push_back('\\');
    }
    return folder;
}

std::string extensionOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.size() - dot - 1 != 3) {
        return {};
    }
    return toLowerAscii(path.substr(dot + 1));
}

namespace {

bool needsEscape(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
}

}  // namespace

bool isPrintable(std::string_view text) {
    return std::none_of(text.begin(), text.end(), needsEscape);
}

std::string printableName(std::string_view name) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (needsEscape(c)) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0x0F];
        } else {
            shown += c;
        }
    }
    return shown;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace vexmor
