#pragma once

#include <string>
#include <string_view>

// The program's path texts are 8-bit texts in the system's code page; Windows itself names
// files in UTF-16.
namespace vexmor::platform::windows {

// The 8-bit text as UTF-16 (MultiByteToWideChar with CP_ACP).
std::wstring wideFromCodePage(std::string_view text);

// The UTF-16 text in the system's code page (WideCharToMultiByte with CP_ACP); false when some
// character has no form there. `text` then holds a best-effort form with replacement marks.
bool codePageFromWide(std::wstring_view wide, std::string& text);

}  // namespace vexmor::platform::windows
