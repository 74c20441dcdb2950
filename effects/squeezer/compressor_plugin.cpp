#include "compressor_plugin.h"

#include "compressor_editor.h"
#include "module_entry.h"

#include <new>

namespace squeezer {

CompressorPlugin::CompressorPlugin(HostCallback host) : Compressor(host) {
    setUniqueID(kUniqueId);
    auto* made = new (std::nothrow) CompressorEditor(this);
    if (!made) {
        oome = true;
        return;
    }
    // Kept in every case, also when the editor did not attach itself, so that the base
    // destructor frees it.
    editor = made;
}

} // namespace squeezer
