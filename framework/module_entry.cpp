#include "module_entry.h"

#include "audioeffect.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

std::atomic<bool> oome{false};
void* hInstance = nullptr;

AEffect* runMain(HostCallback host) {
    if (!host || host(nullptr, hostVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    AudioEffect* effect = createEffect(host);
    if (!effect) return nullptr;
    if (oome.load()) {
        delete effect;
        return nullptr;
    }
    return effect->getEffectRecord();
}

#if defined(FX_MODULE_EXPORTS_MAIN)
// The one export. C++ reserves the name `main` for programs, so the function has
// another name in the source and `main` as its symbol: `_main` on 32-bit Windows, where
// C symbols carry a leading underscore. On Windows the module definition
// (exports.def) exports it, elsewhere its visibility does.
#if defined(_WIN32)
#define FX_EXPORT
#else
#define FX_EXPORT __attribute__((visibility("default")))
#endif
#if defined(_WIN32) && !defined(_WIN64)
#define FX_MAIN_SYMBOL "_main"
#else
#define FX_MAIN_SYMBOL "main"
#endif

extern "C" FX_EXPORT AEffect* FX_CDECL pluginMain(HostCallback host) __asm__(FX_MAIN_SYMBOL);
extern "C" AEffect* FX_CDECL pluginMain(HostCallback host) { return runMain(host); }
#endif

#if defined(_WIN32)
extern "C" BOOL WINAPI DllEntryPoint(HINSTANCE module, DWORD, LPVOID) {
    hInstance = module;
    return 1;
}
#else
namespace {
// The library's own handle, noted when it is loaded as DllEntryPoint does on Windows.
__attribute__((constructor)) void noteModuleHandle() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&noteModuleHandle), &info)) hInstance = info.dli_fbase;
}
} // namespace
#endif
