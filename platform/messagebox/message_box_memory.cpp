#include "message_box_memory.h"

#include "message_box.h"

#include <mutex>

namespace fxplatform {

namespace {

std::mutex& boxesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<RecordedMessageBox>& boxes() {
    static std::vector<RecordedMessageBox> recorded;
    return recorded;
}

} // namespace

void showMessageBox(const char* caption, const char* text) {
    std::lock_guard lock(boxesMutex());
    boxes().push_back({caption, text});
}

std::vector<RecordedMessageBox> recordedMessageBoxes() {
    std::lock_guard lock(boxesMutex());
    return boxes();
}

void clearRecordedMessageBoxes() {
    std::lock_guard lock(boxesMutex());
    boxes().clear();
}

} // namespace fxplatform
