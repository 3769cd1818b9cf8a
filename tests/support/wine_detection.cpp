#include "support/wine_detection.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vexmor::test {

bool runningUnderWine() {
#ifdef _WIN32
    // Wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace vexmor::test
