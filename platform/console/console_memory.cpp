#include "console_memory.h"

#include "console.h"

#include <mutex>

namespace fxplatform {

namespace {

std::mutex& outputMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& output() {
    static std::string text;
    return text;
}

} // namespace

void debugPrint(const char* text) {
    std::lock_guard lock(outputMutex());
    output() += text;
}

std::string consoleOutput() {
    std::lock_guard lock(outputMutex());
    return output();
}

void clearConsoleOutput() {
    std::lock_guard lock(outputMutex());
    output().clear();
}

} // namespace fxplatform
