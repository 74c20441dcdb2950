// Parameter values arrive from hosts as floats meant to lie in 0..1, but nothing stops a
// host from sending anything. Effects keep the value exactly as sent (for read-back and
// program records) and derive their internal values from the value brought into range,
// so that no value can divide by zero, overflow an integer or index outside a buffer.
#pragma once

// The value limited to 0..1; NaN counts as 0.
inline float unitRange(float value) {
    if (!(value > 0.0f)) return 0.0f;
    return value < 1.0f ? value : 1.0f;
}
