// Windows: the process's console, created for it when it has none (a host usually has
// none). Failures are ignored: the dump is a diagnostic aid.
#include "console.h"

#include <windows.h>

#include <cstring>

namespace fxplatform {

void debugPrint(const char* text) {
    AllocConsole();
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    WriteConsoleA(output, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

} // namespace fxplatform
