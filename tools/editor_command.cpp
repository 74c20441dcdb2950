// fxhost editor PLUGIN: opens the plug-in's editor in a window of its own on the X
// display, as a host does: a top-level window of the size the editor asks for (opcode
// 13), the editor opened inside it (opcode 14), idle calls about 30 times a second, and
// processing on a second thread at the pace of real time, fed with the test signal so
// that meters move. Runs until the window is closed (or --seconds have passed).
//
// Prints each parameter change the editor reports ("automate INDEX VALUE") as it comes,
// and every parameter's value when it ends ("parameter INDEX VALUE"). SIGINT and SIGTERM
// end it the same way as closing the window.
#include "argument_reader.h"
#include "commands.h"
#include "module_name.h"
#include "number_parsing.h"
#include "plugin_host.h"
#include "test_signal.h"
#include "usage_error.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr float kSampleRate = 44100.0f;
constexpr int kBlock = 512;
constexpr auto kIdleInterval = std::chrono::milliseconds(33);
constexpr double kSignalSeconds = 6.0;

// Set by SIGINT or SIGTERM: close the editor and end as if the window had been closed.
volatile std::sig_atomic_t stopRequested = 0;
extern "C" void requestStop(int) {
    stopRequested = 1;
}

struct EditorOptions {
    std::string pluginPath;
    std::optional<double> seconds;
    std::vector<std::pair<int, float>> parameters;
    bool helpRequested = false;
};

EditorOptions parseEditorOptions(const Arguments& arguments) {
    EditorOptions options;
    std::vector<std::string> positional;
    ArgumentReader reader(arguments);
    while (const auto argument = reader.next()) {
        if (argument->optionName == "--help" || argument->optionName == "-h") {
            options.helpRequested = true;
        } else if (argument->optionName == "--seconds") {
            const auto seconds = parseNumber(reader.valueOf(*argument));
            if (!seconds || !std::isfinite(*seconds) || *seconds <= 0.0)
                throw UsageError("editor: --seconds needs a positive number");
            options.seconds = *seconds;
        } else if (argument->optionName == "--param") {
            const std::string setting = reader.valueOf(*argument);
            const auto equals = setting.find('=');
            const auto index = parseInteger(setting.substr(0, equals));
            const auto value = equals == std::string::npos
                                   ? std::nullopt
                                   : parseNumber(setting.substr(equals + 1));
            if (!index || !value || *index < 0 || *index > 100000)
                throw UsageError("editor: --param needs INDEX=VALUE, e.g. --param 1=0.5");
            options.parameters.emplace_back(static_cast<int>(*index), static_cast<float>(*value));
        } else if (argument->isOption) {
            throw UsageError("editor: unknown option '" + argument->optionName + "'");
        } else {
            positional.push_back(argument->text);
        }
    }
    if (options.helpRequested) return options;
    if (positional.size() != 1)
        throw UsageError("editor needs PLUGIN (fxhost --help shows the usage)");
    options.pluginPath = positional[0];
    return options;
}

// Processing at the pace of real time until told to stop, the test signal on every input.
class AudioThread {
public:
    explicit AudioThread(fxhost::Plugin& plugin)
        : plugin(plugin), signal(makeTestSignal(static_cast<int>(kSampleRate), kSignalSeconds)),
          inputs(std::max(1, plugin.numInputs()), kBlock),
          outputs(std::max(1, plugin.numOutputs()), kBlock), thread([this] { run(); }) {}

    ~AudioThread() {
        stopping = true;
        thread.join();
    }

private:
    void run() {
        const auto blockTime = std::chrono::duration<double>(kBlock / double(kSampleRate));
        auto next = std::chrono::steady_clock::now();
        std::size_t position = 0;
        while (!stopping) {
            for (int c = 0; c < inputs.channels(); ++c)
                for (int i = 0; i < kBlock; ++i)
                    inputs.channel(c)[i] = signal[(position + i) % signal.size()];
            position = (position + kBlock) % signal.size();
            if (plugin.canReplace()) {
                plugin.processReplacing(inputs, outputs, kBlock);
            } else {
                outputs.clear();
                plugin.process(inputs, outputs, kBlock);
            }
            next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(blockTime);
            std::this_thread::sleep_until(next);
        }
    }

    fxhost::Plugin& plugin;
    std::vector<float> signal;
    fxhost::AudioBuffers inputs;
    fxhost::AudioBuffers outputs;
    std::atomic<bool> stopping{false};
    std::thread thread;
};

class HostWindow {
public:
    HostWindow(Display* display, int width, int height, const std::string& title)
        : display(display) {
        XSetWindowAttributes attributes;
        attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
        attributes.event_mask = StructureNotifyMask;
        window =
            XCreateWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWBackPixel | CWEventMask, &attributes);
        XStoreName(display, window, title.c_str());
        deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &deleteWindow, 1);
        XSizeHints hints{};
        hints.flags = PMinSize | PMaxSize;
        hints.min_width = hints.max_width = width;
        hints.min_height = hints.max_height = height;
        XSetWMNormalHints(display, window, &hints);
        XMapWindow(display, window);
        XEvent event;
        do
            XWindowEvent(display, window, StructureNotifyMask, &event);
        while (event.type != MapNotify);
    }

    ~HostWindow() {
        XDestroyWindow(display, window);
        XSync(display, False);
    }

    // Handles the window's events; false once it was asked to close.
    bool handleEvents() {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
                return false;
            if (event.type == DestroyNotify && event.xdestroywindow.window == window) return false;
        }
        return true;
    }

    Window id() const { return window; }

private:
    Display* display;
    Window window;
    Atom deleteWindow;
};

} // namespace

int runEditor(const Arguments& arguments) {
    const EditorOptions options = parseEditorOptions(arguments);
    if (options.helpRequested) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    auto plugin = fxhost::Plugin::load(options.pluginPath);
    if (!(plugin->flags() & flagHasEditor))
        throw std::runtime_error(options.pluginPath + ": the plug-in has no editor");
    for (const auto& [index, value] : options.parameters) {
        if (index >= plugin->numParams())
            throw UsageError("editor: the plug-in has no parameter " + std::to_string(index));
        plugin->setParameter(index, value);
    }

    Display* display = XOpenDisplay(nullptr);
    if (!display) throw std::runtime_error("cannot open the X display (is DISPLAY set?)");
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    plugin->open();
    plugin->setSampleRate(kSampleRate);
    plugin->setBlockSize(kBlock);
    plugin->resume();

    ERect* rect = nullptr;
    plugin->dispatch(opEditGetRect, 0, 0, &rect);
    const int width = rect ? std::max(1, rect->right - rect->left) : 304;
    const int height = rect ? std::max(1, rect->bottom - rect->top) : 99;

    int status = 0;
    {
        HostWindow window(display, width, height, "fxhost: " + moduleName(options.pluginPath));
        plugin->dispatch(opEditOpen, 0, 0,
                         reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.id())));
        std::printf("editor open in window 0x%lx (%d x %d)\n", window.id(), width, height);
        std::fflush(stdout);
        {
            AudioThread audio(*plugin);
            const auto start = std::chrono::steady_clock::now();
            std::size_t reported = 0;
            while (window.handleEvents() && !stopRequested) {
                plugin->dispatch(opEditIdle);
                const auto calls = plugin->calls();
                for (; reported < calls.size(); ++reported)
                    if (calls[reported].opcode == hostAutomate)
                        std::printf("automate %d %.6f\n", calls[reported].index,
                                    static_cast<double>(calls[reported].opt));
                std::fflush(stdout);
                if (options.seconds && std::chrono::steady_clock::now() - start >=
                                           std::chrono::duration<double>(*options.seconds))
                    break;
                std::this_thread::sleep_for(kIdleInterval);
            }
        }
        plugin->dispatch(opEditClose);
    }
    for (int i = 0; i < plugin->numParams(); ++i)
        std::printf("parameter %d %.6f\n", i, static_cast<double>(plugin->parameter(i)));
    plugin->close();
    XCloseDisplay(display);
    return status;
}
