// The notice check of fxhost-win (notice_check_win.cpp).
#pragma once

namespace fxcheck {

// fxhost-win notices PLUGIN.dll: loads the plug-in while a second thread waits for its
// "Notice" boxes, reads each one's caption, text and buttons, and presses OK with real
// mouse input; then checks that the three notices came in order, each before `main`
// returned. 0: passed, 1: failed, 2: wrong arguments.
int noticesCommand(int argc, char** argv);

} // namespace fxcheck
