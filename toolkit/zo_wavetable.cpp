// The module's one wavetable. Defined here rather than inline in the header: an inline
// function's static lives in a section shared between object files, which Windows
// linkers cannot leave uninitialised, so the half-megabyte table would be stored in the
// DLL file; here it takes space only when the module is loaded.
#include "zo_lfo.h"

namespace zo {

const ZoWavetable& ZoWavetable::instance() {
    static const ZoWavetable table;
    return table;
}

} // namespace zo
