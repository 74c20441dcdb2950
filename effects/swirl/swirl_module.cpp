// The swirl module: what `main` creates, and how this module's framework texts read.
#include "aum.h"
#include "module_entry.h"
#include "module_options.h"

#include <new>

const ModuleOptions& moduleOptions() {
    static constexpr ModuleOptions options{kMinusInfinityDegree, kDefaultUniqueId, false,
                                           kHostCompatibilityByDefault};
    return options;
}

AudioEffect* createEffect(HostCallback host) {
    return new (std::nothrow) swirl::AUM(host);
}
