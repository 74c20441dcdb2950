// Linux and other POSIX systems: the debug console is standard error.
#include "console.h"

#include <cstdio>

namespace fxplatform {

void debugPrint(const char* text) {
    std::fputs(text, stderr);
}

} // namespace fxplatform
