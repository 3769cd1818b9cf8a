#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Small text rules that every stage shares. Paths are 8-bit texts whose separators may be
// `\` or `/`; the last separator of either kind is the one that splits a path.
namespace vexmor {

// A copy with the letters A to Z lowered; every other byte, 0x80 and above included, unchanged.
std::string toLowerAscii(std::string_view text);

// Position of the last `\` or `/` (whichever comes later), or npos when there is none.
std::size_t lastSeparator(std::string_view path);

// The path up to and including its last separator; empty when it has none.
std::string_view directoryPart(std::string_view path);

// The text after the last separator, or the whole text when it has none.
std::string_view fileNamePart(std::string_view path);

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
