// The squeezer module: what `main` creates, and how this module's framework texts read.
#include "compressor_plugin.h"
#include "module_entry.h"
#include "module_options.h"

#include <new>

const ModuleOptions& moduleOptions() {
    static constexpr ModuleOptions options{kMinusInfinityLetters, kDefaultUniqueId, false,
                                           kHostCompatibilityByDefault};
    return options;
}

AudioEffect* createEffect(HostCallback host) {
    return new (std::nothrow) squeezer::CompressorPlugin(host);
}
