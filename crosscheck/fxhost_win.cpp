// fxhost-win: our test host on Windows (run under Wine by scripts/check-windows.sh).
// It loads the plug-in DLLs through the same host library as the Linux tools.
//
//   fxhost-win report PLUGIN.dll OUT.txt   the plug-in's report (report.h), for
//                                          comparison with the Linux build's
//   fxhost-win load PLUGIN.dll             loads it and calls its `main`
//   fxhost-win editor PLUGIN.dll PIC.bmp   the squeezer's editor in a window of ours,
//                                          moved with real mouse input; needs a
//                                          desktop (editor_check_win.h)
//   fxhost-win notices PLUGIN.dll          answers the plug-in's "Notice" boxes with
//                                          the mouse and checks their texts and
//                                          order; needs a desktop (notice_check_win.h)
//
// Each command is one row of the table below; checks that need a desktop join there.
#include "editor_check_win.h"
#include "notice_check_win.h"
#include "plugin_host.h"
#include "report.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int reportCommand(int argc, char** argv) {
    if (argc != 2) return 2;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::fprintf(stderr, "fxhost-win: cannot write %s\n", argv[1]);
        return 1;
    }
    try {
        fxcheck::writeReport(argv[0], out);
    } catch (const fxhost::LoadError& e) {
        std::fprintf(stderr, "fxhost-win: %s\n", e.what());
        std::fclose(out);
        return 1;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

// Loads the DLL and calls its `main`: the module-handle check DLL (module_handle_module)
// answers only when the load entry stored its handle.
int loadCommand(int argc, char** argv) {
    if (argc != 1) return 2;
    try {
        auto plugin = fxhost::Plugin::load(argv[0]);
        std::printf("%s: main returned a record\n", argv[0]);
        return 0;
    } catch (const fxhost::LoadError& e) {
        std::fprintf(stderr, "fxhost-win: %s\n", e.what());
        return 1;
    }
}

struct Command {
    const char* name;
    const char* arguments;
    int (*run)(int argc, char** argv); // the arguments after the command's name
};

constexpr Command kCommands[] = {
    {"report", "PLUGIN.dll OUT.txt", reportCommand},
    {"load", "PLUGIN.dll", loadCommand},
    {"editor", "PLUGIN.dll PICTURE.bmp", fxcheck::editorCommand},
    {"notices", "PLUGIN.dll", fxcheck::noticesCommand},
};

int usage() {
    for (const Command& command : kCommands)
        std::fprintf(stderr, "usage: fxhost-win %s %s\n", command.name, command.arguments);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) != 0) continue;
        const int status = command.run(argc - 2, argv + 2);
        return status == 2 ? usage() : status;
    }
    return usage();
}
