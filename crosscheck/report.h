// A plug-in's observable behaviour as a text report: the record, every program's name
// and parameter texts, and the output of a few processing runs on a fixed input, each
// sample as the bits of its float. The Linux build and the Windows builds write the same
// report for the same plug-in, so a comparison of the two shows where they part.
#pragma once

#include <cstdio>
#include <string>

namespace fxcheck {

// Loads the plug-in at `path` (fresh instances for each run) and writes its report.
// Throws fxhost::LoadError when it cannot be loaded.
void writeReport(const std::string& path, std::FILE* out);

// The plug-in's name: its file name without folder and extension.
std::string moduleName(const std::string& path);

} // namespace fxcheck
