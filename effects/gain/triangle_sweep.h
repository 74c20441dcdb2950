// The dual flanger's sweep: a left position that walks up and down between two limits
// at a fixed step per sample, and a right position that runs ahead of it by a part of
// the range, folded back into the limits. Positions are in 0..1 of the longest delay.
#pragma once

namespace gain {

class TriangleSweep {
public:
    explicit TriangleSweep(float start) : left(start), right(start) {}

    // Audio thread, once per block. Limits in 0..1 with lower <= upper; rate in 0..1,
    // where 1 makes a whole cycle, up and down, last 11025 samples; lead in 0..1, where 1
    // puts the right position half a cycle ahead.
    void setShape(float lowerLimit, float upperLimit, float rate, float lead) {
        lower = lowerLimit;
        upper = upperLimit;
        const float range = upper - lower;
        step = static_cast<float>(double(rate) * double(range) / 5512.5);
        rightLead = double(range) * double(lead);
    }

    // Audio thread: one sample. The left position turns only once it has passed a limit,
    // so it may lie outside by up to one step; the right one is folded back once.
    void advance() {
        left += step * direction;
        if (left > upper) direction = -1.0f;
        if (left < lower) direction = 1.0f;
        right = static_cast<float>(double(left) + rightLead * double(direction));
        if (right > upper)
            right = static_cast<float>(2.0 * double(upper) - double(right));
        else if (right < lower)
            right = static_cast<float>(2.0 * double(lower) - double(right));
    }

    float leftPosition() const { return left; }
    float rightPosition() const { return right; }

private:
    float lower = 0.0f;
    float upper = 0.0f;
    float step = 0.0f;
    double rightLead = 0.0;
    float left;
    float right;
    float direction = 1.0f; // +1 while the left position rises, -1 while it falls
};

} // namespace gain
