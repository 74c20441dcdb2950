// The effect that squeezer's `main` creates: the compressor engine with its identifier
// and its bitmap editor.
#pragma once

#include "compressor.h"

namespace squeezer {

class CompressorPlugin : public Compressor {
public:
    static constexpr std::int32_t kUniqueId = 0x53514258; // SQBX

    // Main thread. Sets `oome` when the editor or any of its controls cannot be made.
    explicit CompressorPlugin(HostCallback host);
};

} // namespace squeezer
