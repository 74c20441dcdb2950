// The debug console: where diagnostic dumps go. Not for any path a host reaches while
// processing; nothing in the effects calls it.
//
// The backend is chosen at link time: fxconsole_stderr (standard error), fxconsole_memory
// (keeps the texts for tests, console_memory.h) and, on Windows, fxconsole_win32 (the
// process's console, created when it has none).
#pragma once

namespace fxplatform {

// Writes a zero-terminated text as it is, without adding a line break. Any thread.
void debugPrint(const char* text);

} // namespace fxplatform
