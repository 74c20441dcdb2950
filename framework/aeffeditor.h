// AEffEditor: the base of a plug-in's own editor window. The host asks for its size
// (opcode 13), hands over a parent window (14), sends idle calls while it is open (19)
// and closes it (15). A parameter change from any call is turned into exactly one
// redraw at the next idle call: postUpdate only marks, idle redraws.
//
// Revision 2 (FX_FRAMEWORK_REVISION) adds the window callbacks draw, mouse and key, two
// reserved slots and refreshLevels between idle and update.
//
// Threads: everything runs on the host's main (window) thread, except that an effect
// may call postUpdate from wherever it changes a parameter, and refreshLevels from its
// processing.
#pragma once

#include "aeffect.h"

#include <cstdint>

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect), hostWindow(nullptr), updatePending(0) {}
    virtual ~AEffEditor() = default;

    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual std::int32_t getRect(ERect** rect) {
        *rect = nullptr;
        return 0;
    }
    virtual std::int32_t open(void* parentWindow) {
        hostWindow = parentWindow;
        return 0;
    }
    virtual void close() {}
    virtual void idle() {
        if (updatePending) {
            // Cleared first, so that a postUpdate arriving during update is kept.
            updatePending = 0;
            update();
        }
    }
#if FX_FRAMEWORK_REVISION >= 2
    virtual void draw(ERect*) {}
    virtual std::int32_t mouse(std::int32_t, std::int32_t) { return 0; }
    virtual std::int32_t key(std::int32_t) { return 0; }
    virtual void reservedA() {}
    virtual void reservedB() {}
    virtual void refreshLevels() {}
#endif
    virtual void update() {}
    virtual void postUpdate() { updatePending = 1; }

protected:
    AudioEffect* effect;
    void* hostWindow;
    std::int32_t updatePending;
};
