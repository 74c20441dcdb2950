// Copies into windows that a thread other than the window thread asked for (the meter,
// drawn from the audio thread), waiting for the window thread's next pump. The X11 and
// Windows backends keep processing free of system calls this way. A fixed board, no
// allocation; the backend's lock is held around every operation.
#pragma once

namespace fxwin {

template <class Window, class Picture, int Capacity> class PendingCopies {
public:
    struct Copy {
        bool pending = false;
        Window window{};
        int x = 0, y = 0, width = 0, height = 0, sourceX = 0, sourceY = 0;
        Picture picture{};
    };

    // The latest copy into a rectangle replaces any still waiting there. False when every
    // slot holds another rectangle.
    bool note(const Copy& copy) {
        Copy* slot = nullptr;
        for (Copy& c : copies)
            if (c.window == copy.window && c.x == copy.x && c.y == copy.y &&
                c.width == copy.width && c.height == copy.height) {
                slot = &c;
                break;
            }
        if (!slot)
            for (Copy& c : copies)
                if (!c.window) {
                    slot = &c;
                    break;
                }
        if (!slot) return false;
        *slot = copy;
        slot->pending = true;
        return true;
    }

    // Takes the waiting copies off the board, for the window thread to make once it has
    // let go of the lock. Returns how many.
    int take(Copy (&taken)[Capacity]) {
        int count = 0;
        for (Copy& c : copies)
            if (c.pending) {
                taken[count++] = c;
                c.pending = false;
            }
        return count;
    }

    // Forgets the copies into `window` or from `picture`; a null one matches nothing.
    void forget(Window window, Picture picture) {
        for (Copy& c : copies)
            if ((window && c.window == window) || (picture && c.picture == picture)) c = Copy{};
    }

    void clear() {
        for (Copy& c : copies)
            c = Copy{};
    }

private:
    Copy copies[Capacity];
};

} // namespace fxwin
