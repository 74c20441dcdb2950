// The trio module: what `main` creates, the three notices it shows every time it creates
// an effect, and how this module's framework texts read.
#include "message_box.h"
#include "module_entry.h"
#include "module_options.h"
#include "zo_multi_effect.h"

#include <new>

const ModuleOptions& moduleOptions() {
    static constexpr ModuleOptions options{kMinusInfinityDoubleDegree, kDefaultUniqueId, true,
                                           kHostCompatibilityByDefault};
    return options;
}

namespace {

constexpr const char* kNoticeCaption = "Notice";
constexpr const char* kNotices[] = {
    ("To use the Trinity properly, you must make\nSure to bring your channel volume fader "
     "*DOWN*\n all the way, and set the Aux Send for the FX to \n *PRE* "),
    "If you forget to do this, it will not sound as\n good as it will if you do!!",
    "Enjoy!",
};

} // namespace

// Main thread. The notices come after the effect is made and before `main` returns it,
// one after the other, each waiting for its OK.
AudioEffect* createEffect(HostCallback host) {
    auto* effect = new (std::nothrow) trio::ZoMultiEffect(host);
    if (!effect) return nullptr;
    // A ring that could not be allocated: `main` hands out nothing, and has nothing to
    // announce.
    if (!effect->isComplete()) {
        oome = true;
        return effect;
    }
    for (const char* notice : kNotices)
        fxplatform::showMessageBox(kNoticeCaption, notice);
    return effect;
}
