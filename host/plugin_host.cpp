#include "plugin_host.h"

#include <sys/stat.h>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace fxhost {

namespace {

// The plug-in calls the host from inside `main` before it has a record to name; the
// instance being loaded on this thread answers then.
thread_local Plugin* pluginBeingLoaded = nullptr;

constexpr std::size_t kTextBufferSize = 256;
constexpr char kUntouched = 0x01;

// The platform's module loader: open by path, find an export, close.
#if defined(_WIN32)
void* openModule(const std::string& path) {
    // A bare file name would be searched for in the system's folders too.
    const bool bare = path.find_first_of("/\\:") == std::string::npos;
    return LoadLibraryA((bare ? ".\\" + path : path).c_str());
}

void* moduleEntry(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void closeModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

std::string loaderMessage() {
    char text[256];
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       GetLastError(), 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "unknown reason" : message;
}
#else
void* openModule(const std::string& path) {
    // A path without a slash would be searched for in the system's library folders.
    const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
    return dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* moduleEntry(void* module, const char* name) { return dlsym(module, name); }

void closeModule(void* module) { dlclose(module); }

std::string loaderMessage() {
    const char* message = dlerror();
    return message ? message : "unknown reason";
}
#endif

} // namespace

AudioBuffers::AudioBuffers(int channels, int frames)
    : frameCount(frames), data(static_cast<std::size_t>(channels), std::vector<float>(frames)) {
    for (auto& c : data) channelPointers.push_back(c.data());
}

void AudioBuffers::clear() {
    for (auto& c : data) std::fill(c.begin(), c.end(), 0.0f);
}

Plugin::Plugin(std::string path, void* module, HostOptions options)
    : modulePath(std::move(path)), module(module), options(options) {}

std::unique_ptr<Plugin> Plugin::load(const std::string& path, const HostOptions& options) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) throw LoadError(path + ": no such file");
    if (!S_ISREG(info.st_mode)) throw LoadError(path + ": not a file");

    void* module = openModule(path);
    if (!module) throw LoadError(path + ": not a loadable plug-in library (" + loaderMessage() + ")");

    std::unique_ptr<Plugin> plugin(new Plugin(path, module, options));
    auto entry = reinterpret_cast<MainEntry>(moduleEntry(module, "main"));
    if (!entry) throw LoadError(path + ": the library has no 'main' entry");
    return start(std::move(plugin), entry);
}

std::unique_ptr<Plugin> Plugin::attach(const std::string& name, MainEntry entry,
                                       const HostOptions& options) {
    return start(std::unique_ptr<Plugin>(new Plugin(name, nullptr, options)), entry);
}

std::unique_ptr<Plugin> Plugin::start(std::unique_ptr<Plugin> plugin, MainEntry entry) {
    const std::string& path = plugin->modulePath;
    pluginBeingLoaded = plugin.get();
    AEffect* effect = entry(&Plugin::hostCallback);
    pluginBeingLoaded = nullptr;
    if (!effect) throw LoadError(path + ": 'main' returned no effect (the plug-in refused to start)");
    if (effect->magic != kEffectMagic) {
        char text[128];
        std::snprintf(text, sizeof text, ": 'main' returned a record with the wrong magic 0x%08X",
                      static_cast<unsigned>(effect->magic));
        throw LoadError(path + text);
    }
    effect->user = plugin.get();
    plugin->effect = effect;
    return plugin;
}

Plugin::~Plugin() {
    if (effect) close();
    if (module) closeModule(module);
}

FxIntPtr Plugin::close() {
    if (!effect) return 0;
    const FxIntPtr result = effect->dispatcher(effect, opClose, 0, 0, nullptr, 0.0f);
    effect = nullptr;
    return result;
}

FxIntPtr Plugin::dispatch(std::int32_t opcode, std::int32_t index, FxIntPtr value, void* ptr,
                          float opt) {
    if (opcode == opClose) return close();
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::optional<std::string> Plugin::queryText(std::int32_t opcode, std::int32_t index) {
    char buffer[kTextBufferSize];
    std::memset(buffer, kUntouched, sizeof buffer);
    dispatch(opcode, index, 0, buffer);
    const void* end = std::memchr(buffer, 0, sizeof buffer);
    if (!end) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(static_cast<const char*>(end) - buffer));
}

void Plugin::setProgramName(const std::string& name) {
    std::vector<char> text(name.begin(), name.end());
    text.push_back(0);
    dispatch(opSetProgramName, 0, 0, text.data());
}

std::vector<HostCall> Plugin::calls() const {
    std::lock_guard<std::mutex> lock(callsMutex);
    return recordedCalls;
}

FxIntPtr Plugin::answer(std::int32_t opcode, std::int32_t index, FxIntPtr value, float opt) {
    {
        std::lock_guard<std::mutex> lock(callsMutex);
        recordedCalls.push_back({opcode, index, value, opt});
    }
    switch (opcode) {
    case hostVersion: return options.version;
    case hostPinConnected: return 0; // every pin is connected
    default: return 0;               // automation, idle and the rest need no answer
    }
}

FxIntPtr FX_CDECL Plugin::hostCallback(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                       FxIntPtr value, void*, float opt) {
    Plugin* plugin = effect && effect->user ? static_cast<Plugin*>(effect->user) : pluginBeingLoaded;
    if (!plugin) return opcode == hostVersion ? 1 : 0;
    return plugin->answer(opcode, index, value, opt);
}

std::string flagNames(std::int32_t flags) {
    static const struct {
        std::int32_t bit;
        const char* name;
    } kNames[] = {{flagHasEditor, "hasEditor"},       {flagHasClip, "hasClip"},
                  {flagHasVu, "hasVu"},               {flagCanMono, "canMono"},
                  {flagCanReplacing, "canReplacing"}, {flagProgramChunks, "programChunks"}};
    std::string text;
    for (const auto& n : kNames) {
        if (!(flags & n.bit)) continue;
        if (!text.empty()) text += ' ';
        text += n.name;
    }
    const std::int32_t known = 0x3F;
    if (flags & ~known) {
        char other[32];
        std::snprintf(other, sizeof other, "%s0x%X", text.empty() ? "" : " ",
                      static_cast<unsigned>(flags & ~known));
        text += other;
    }
    return text.empty() ? "none" : text;
}

std::string fourCharText(std::int32_t code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((static_cast<std::uint32_t>(code) >> shift) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

} // namespace fxhost
