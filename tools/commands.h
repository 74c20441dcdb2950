// The commands of fxhost. Each takes the arguments after its name, prints its results to
// stdout and throws UsageError or another exception on failure. Returns the exit code.
#pragma once

#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int runInfo(const Arguments& arguments);
int runProcess(const Arguments& arguments);
int runSignal(const Arguments& arguments);
int runEditor(const Arguments& arguments);

// The usage text of fxhost, all commands.
extern const char* const kUsage;
