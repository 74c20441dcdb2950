// Message boxes: a text with a caption and one OK button, shown until the user dismisses
// it. Main thread (whichever thread creates an effect); blocks while the box is shown.
//
// The backend is chosen at link time:
//   fxmessagebox_system  on Linux a small dialog window when an X display can be opened,
//                        otherwise the caption and text on standard error; on Windows
//                        the system's task-modal information box
//   fxmessagebox_memory  records the boxes for tests (message_box_memory.h)
//
// On Linux the environment variable FX_MESSAGE_BOX changes where boxes go, for programs
// that create effects by the hundred (tests, benchmarks, the fuzzer, the demo):
//   FX_MESSAGE_BOX=stderr  standard error, without trying a display
//   FX_MESSAGE_BOX=off     nowhere
#pragma once

namespace fxplatform {

void showMessageBox(const char* caption, const char* text);

} // namespace fxplatform
