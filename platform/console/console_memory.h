// The in-memory console backend: keeps everything written, for tests to read.
#pragma once

#include <string>

namespace fxplatform {

// All texts written so far, joined in order.
std::string consoleOutput();
void clearConsoleOutput();

} // namespace fxplatform
