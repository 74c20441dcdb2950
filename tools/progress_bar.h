// A progress bar on stderr for runs long enough to wait for. It appears only when stderr
// is a terminal and the run has taken a moment already, so quick runs and pipelines
// stay quiet.
#pragma once

#include <chrono>
#include <cstdint>

class ProgressBar {
public:
    explicit ProgressBar(std::int64_t total);
    ~ProgressBar();

    void update(std::int64_t done);
    // Removes the bar from the terminal line.
    void finish();

private:
    void draw(std::int64_t done);

    using Clock = std::chrono::steady_clock;
    std::int64_t total;
    bool enabled;
    bool shown = false;
    Clock::time_point start;
    Clock::time_point lastDrawn;
};
