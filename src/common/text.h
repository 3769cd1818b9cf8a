#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Small text rules that every stage shares. Paths are 8-bit texts whose separators may be
// `\` or `/`; the last separator of either kind is the one that splits a path.
namespace vexmor {

// The letter lowered (A to Z) or raised (a to z); every other byte, 0x80 and above included,
// unchanged: case is folded in ASCII letters only, whatever the code page.
constexpr char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// A copy with the letters A to Z lowered; every other byte, 0x80 and above included, unchanged.
std::string toLowerAscii(std::string_view text);

// Position of the last `\` or `/` (whichever comes later), or npos when there is none.
std::size_t lastSeparator(std::string_view path);

// The path up to and including its last separator; empty when it has none.
std::string_view directoryPart(std::string_view path);

// The text after the last separator, or the whole text when it has none.
std::string_view fileNamePart(std::string_view path);

// `folder` ending in `\`, so relative names can be joined to it by plain concatenation: one `\`
// is appended unless the text is empty (the current folder) or ends in `\` already. A text
// ending in `/` still gets one.
std::string withTrailingSeparator(std::string folder);

// The three characters after the last dot, lowered, when exactly three follow it; else empty.
std::string extensionOf(std::string_view path);

// A name taken from a file as it may be shown on the console: bytes below 0x20 other than tab,
// and 0x7F, become `\xNN` (upper-case hex), so a name cannot erase or forge console lines.
std::string printableName(std::string_view name);
// True when printableName would show `text` as it is.
bool isPrintable(std::string_view text);

// True when `text` ends with `suffix`.
bool endsWith(std::string_view text, std::string_view suffix);

}  // namespace vexmor
