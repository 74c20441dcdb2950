// The editor check of fxhost-win (editor_check_win.cpp).
#pragma once

namespace fxcheck {

// fxhost-win editor PLUGIN.dll PICTURE.bmp: opens the plug-in's editor in a window of
// ours, moves a knob with real mouse input while processing runs, checks that the knob's
// parameter and the meter followed, and saves a picture of the editor. 0: passed, 1:
// failed, 2: wrong arguments.
int editorCommand(int argc, char** argv);

} // namespace fxcheck
