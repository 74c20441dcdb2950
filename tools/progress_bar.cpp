#include "progress_bar.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

constexpr std::chrono::milliseconds kDelayBeforeShowing{300};
constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr int kBarWidth = 40;

} // namespace

ProgressBar::ProgressBar(std::int64_t total)
    : total(total), enabled(isatty(STDERR_FILENO) != 0 && total > 0), start(Clock::now()),
      lastDrawn(start) {}

ProgressBar::~ProgressBar() {
    finish();
}

void ProgressBar::update(std::int64_t done) {
    if (!enabled) return;
    const auto now = Clock::now();
    if (now - start < kDelayBeforeShowing || now - lastDrawn < kRedrawInterval) return;
    lastDrawn = now;
    draw(done);
}

void ProgressBar::draw(std::int64_t done) {
    const double fraction = static_cast<double>(done) / static_cast<double>(total);
    const int filled = static_cast<int>(fraction * kBarWidth);
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kBarWidth - filled), '.');
    std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), static_cast<int>(fraction * 100.0));
    std::fflush(stderr);
    shown = true;
}

void ProgressBar::finish() {
    if (!shown) return;
    std::fprintf(stderr, "\r%*s\r", kBarWidth + 8, "");
    std::fflush(stderr);
    shown = false;
}
