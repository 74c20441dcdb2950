// fxhost-win notices: trio's set-up notices as a user meets them (run under Wine on a
// virtual X server by scripts/check-windows.sh).
//
// The plug-in's `main` shows its notices one after the other and waits on each. While
// the main thread is inside `main`, a second thread looks for the next box captioned
// "Notice", reads its text and its buttons, and moves the mouse onto OK and clicks, as a
// user's hand would. When `main` has returned, the boxes seen must be the three notices,
// in order, each with one OK button.
#include "notice_check_win.h"

#include "plugin_host.h"
#include "real_input_win.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fxcheck {

namespace {

constexpr char kCaption[] = "Notice";
constexpr const char* kExpectedTexts[] = {
    "To use the Trinity properly, you must make\nSure to bring your channel volume fader "
    "*DOWN*\n all the way, and set the Aux Send for the FX to \n *PRE* ",
    "If you forget to do this, it will not sound as\n good as it will if you do!!",
    "Enjoy!",
};
constexpr auto kPatience = std::chrono::seconds(30);

struct Notice {
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
    bool answered = false;
};

std::string windowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string className(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct Contents {
    std::string text;
    std::vector<std::string> buttons;
    HWND ok = nullptr;
};

// The box's message (its text control; the icon's has no text) and its buttons.
Contents readBox(HWND box) {
    Contents contents;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string name = className(child);
        const std::string text = windowText(child);
        if (_stricmp(name.c_str(), "Static") == 0 && text.size() > contents.text.size()) {
            contents.text = text;
        } else if (_stricmp(name.c_str(), "Button") == 0 && IsWindowVisible(child)) {
            contents.buttons.push_back(text);
            if (GetDlgCtrlID(child) == IDOK) contents.ok = child;
        }
    }
    return contents;
}

// Clicks the middle of a button with the mouse.
void click(HWND button) {
    RECT r;
    GetClientRect(button, &r);
    SetForegroundWindow(GetParent(button));
    movePointer(button, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    Sleep(50);
    pressButton(true);
    Sleep(30);
    pressButton(false);
}

bool waitUntilGone(HWND box) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (IsWindow(box) && IsWindowVisible(box)) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(20);
    }
    return true;
}

// The user: answers every notice box until `main` has returned or patience runs out.
void answerNotices(std::vector<Notice>& seen, const std::atomic<bool>& mainReturned) {
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (!mainReturned && std::chrono::steady_clock::now() < end) {
        const HWND box = FindWindowA(nullptr, kCaption);
        if (!box || !IsWindowVisible(box)) {
            Sleep(20);
            continue;
        }
        Sleep(100); // let the box finish drawing, as an eye would
        const Contents contents = readBox(box);
        Notice notice{windowText(box), contents.text, contents.buttons};
        if (contents.ok) {
            click(contents.ok);
            notice.answered = waitUntilGone(box);
        }
        if (!notice.answered) {
            // Still there: dismiss it anyway, so that `main` can return and the check
            // reports the fault instead of hanging.
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            waitUntilGone(box);
        }
        seen.push_back(notice);
    }
}

} // namespace

int noticesCommand(int argc, char** argv) {
    if (argc != 1) return 2;
    std::vector<Notice> seen;
    std::atomic<bool> mainReturned{false};
    std::thread user(answerNotices, std::ref(seen), std::cref(mainReturned));

    std::unique_ptr<fxhost::Plugin> plugin;
    try {
        plugin = fxhost::Plugin::load(argv[0]);
    } catch (const fxhost::LoadError& e) {
        std::fprintf(stderr, "fxhost-win: %s\n", e.what());
    }
    mainReturned = true;
    user.join();

    int failures = plugin ? 0 : 1;
    const std::size_t expected = std::size(kExpectedTexts);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const Notice& notice = seen[i];
        std::printf("notices: box %zu \"%s\", buttons:", i + 1, notice.caption.c_str());
        for (const std::string& button : notice.buttons)
            std::printf(" [%s]", button.c_str());
        std::printf(", %s\n", notice.answered ? "answered with a click on OK" : "NOT closed by OK");
        const bool textRight = i < expected && notice.text == kExpectedTexts[i];
        const bool oneOk = notice.buttons.size() == 1 && notice.buttons[0] == "OK";
        if (notice.caption != kCaption || !textRight || !oneOk || !notice.answered) {
            std::fprintf(stderr, "FAIL: notices: box %zu: text \"%s\"\n", i + 1,
                         notice.text.c_str());
            ++failures;
        }
    }
    if (seen.size() != expected) {
        std::fprintf(stderr, "FAIL: notices: %zu boxes before main returned, expected %zu\n",
                     seen.size(), expected);
        ++failures;
    }
    if (failures == 0) std::printf("notices: the three notices, in order, before main returned\n");
    return failures == 0 ? 0 : 1;
}

} // namespace fxcheck
