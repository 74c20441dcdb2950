// The in-memory message-box backend: every box is recorded and returns at once, as if
// its OK button had been pressed.
#pragma once

#include <string>
#include <vector>

namespace fxplatform {

struct RecordedMessageBox {
    std::string caption;
    std::string text;
};

// The boxes shown so far, oldest first.
std::vector<RecordedMessageBox> recordedMessageBoxes();
void clearRecordedMessageBoxes();

} // namespace fxplatform
