// The jetstream module: what `main` creates, and how this module's framework texts read.
#include "module_entry.h"
#include "module_options.h"
#include "zo_flanger.h"

#include <new>

const ModuleOptions& moduleOptions() {
    static constexpr ModuleOptions options{kMinusInfinityDoubleDegree, kDefaultUniqueId, true,
                                           kHostCompatibilityByDefault};
    return options;
}

AudioEffect* createEffect(HostCallback host) {
    auto* effect = new (std::nothrow) jetstream::ZoFlanger(host);
    // A ring that could not be allocated: `main` hands out nothing.
    if (effect && !effect->isComplete()) oome = true;
    return effect;
}
