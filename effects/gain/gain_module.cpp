// The gain module: what `main` creates, and how this module's framework texts read.
#include "adualflanger.h"
#include "module_entry.h"
#include "module_options.h"

#include <new>

const ModuleOptions& moduleOptions() {
    static constexpr ModuleOptions options{kMinusInfinityDegree, 0x516D5478, true,
                                           kHostCompatibilityByDefault};
    return options;
}

AudioEffect* createEffect(HostCallback host) {
    return new (std::nothrow) gain::ADualFlanger(host);
}
