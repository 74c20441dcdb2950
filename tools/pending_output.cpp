#include "pending_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

// The temporary file an interrupt must remove. Only one output is pending at a time in
// these tools; the handler may only use what is async-signal-safe, hence a fixed buffer.
char interruptedFile[4096];

extern "C" void removePendingAndDie(int signal) {
    if (interruptedFile[0]) unlink(interruptedFile);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void removeOnInterrupt(const std::string& path) {
    if (path.size() >= sizeof interruptedFile) return;
    std::memcpy(interruptedFile, path.c_str(), path.size() + 1);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the shell told us to ignore (e.g. SIGINT in a background job) stays so.
        if (std::signal(signal, removePendingAndDie) == SIG_IGN) std::signal(signal, SIG_IGN);
    }
}

void forgetOnInterrupt() {
    interruptedFile[0] = 0;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t defaultFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

PendingOutput::PendingOutput(std::string destination) : destinationPath(std::move(destination)) {
    const std::string pattern =
        folderOf(destinationPath) + "/." + baseNameOf(destinationPath) + ".partial-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    descriptor = mkstemp(name.data());
    if (descriptor < 0)
        throw std::runtime_error("cannot create '" + destinationPath +
                                 "': " + std::strerror(errno));
    temporary = name.data();
    removeOnInterrupt(temporary);
}

PendingOutput::~PendingOutput() {
    if (descriptor >= 0) ::close(descriptor);
    if (!committed) {
        unlink(temporary.c_str());
        forgetOnInterrupt();
    }
}

int PendingOutput::releaseDescriptor() {
    const int released = descriptor;
    descriptor = -1;
    return released;
}

void PendingOutput::commit() {
    if (descriptor >= 0) {
        ::close(descriptor);
        descriptor = -1;
    }
    // mkstemp makes the file private to its owner; an output file should not be.
    chmod(temporary.c_str(), defaultFileMode());
    if (std::rename(temporary.c_str(), destinationPath.c_str()) != 0)
        throw std::runtime_error("cannot write '" + destinationPath + "': " + std::strerror(errno));
    committed = true;
    forgetOnInterrupt();
}
