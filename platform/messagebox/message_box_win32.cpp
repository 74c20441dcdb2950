// Windows: the system's message box, without an owner window, with an information icon,
// task-modal.
#include "message_box.h"

#include <windows.h>

namespace fxplatform {

void showMessageBox(const char* caption, const char* text) {
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONINFORMATION | MB_TASKMODAL); // 0x2040
}

} // namespace fxplatform
