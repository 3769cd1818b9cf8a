#include "platform/windows/code_page.h"

#include <windows.h>

#include <climits>

namespace vexmor::platform::windows {

std::wstring wideFromCodePage(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

bool codePageFromWide(std::wstring_view wide, std::string& text) {
    text.clear();
    if (wide.empty() || wide.size() > INT_MAX) {
        return wide.empty();
    }
    const int size = static_cast<int>(wide.size());
    // No best-fit mapping: a look-alike character would name another file. A UTF-8 code page
    // reports unmappable input (lone surrogates) by failing instead of by a default character.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    int length =
        WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
    const bool mappable = length > 0;
    if (!mappable) {
        length = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
        usedDefaultOut = nullptr;
    }
    text.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(CP_ACP, mappable ? flags : 0, wide.data(), size, text.data(), length,
                        nullptr, usedDefaultOut);
    return mappable && !usedDefault;
}

}  // namespace vexmor::platform::windows
