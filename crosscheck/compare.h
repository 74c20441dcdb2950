// Compares two reports of the same plug-in (report.h), one from the Linux build, one
// from a Windows build.
#pragma once

#include <string>
#include <vector>

namespace fxcheck {

// Where library maths functions (sine, power...) shape a plug-in's output, the
// platforms' maths libraries may round differently in the last place. The allowance:
// how far a sample may lie from the reference, in units in the last place of the
// channel's peak in that run. 0: bit for bit.
int sampleAllowance(const std::string& pluginName);

struct Comparison {
    bool same = true;
    std::vector<std::string> differences; // the first few, for the reader
    long differingSamples = 0;
    double largestDeviation = 0.0; // in units in the last place of the channel's peak
};

// Every line but the samples must be equal; samples within `allowance`.
Comparison compareReports(const std::vector<std::string>& reference,
                          const std::vector<std::string>& other, int allowance);

} // namespace fxcheck
