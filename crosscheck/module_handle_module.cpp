// A plug-in DLL for fxhost-win's module-handle check: its `main` hands out an effect only
// when the module's load entry has stored this DLL's own handle in hInstance, which
// is where an editor loads its pictures from.
#include "audioeffect.h"
#include "module_entry.h"
#include "module_options.h"

#include <windows.h>

#include <new>

const ModuleOptions& moduleOptions() {
    static constexpr ModuleOptions options{kMinusInfinityDegree, kDefaultUniqueId, false,
                                           kHostCompatibilityByDefault};
    return options;
}

namespace {
class SilentEffect : public AudioEffect {
public:
    explicit SilentEffect(HostCallback host) : AudioEffect(host, 1, 1) {}
    void process(float**, float**, std::int32_t) override {}
};
} // namespace

AudioEffect* createEffect(HostCallback host) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&createEffect), &self) ||
        hInstance != self)
        return nullptr;
    return new (std::nothrow) SilentEffect(host);
}
