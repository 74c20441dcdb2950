// fxreport: writes a plug-in's report (report.h) and compares two reports.
//
//   fxreport write PLUGIN OUT.txt
//   fxreport compare REFERENCE.txt OTHER.txt
//
// `compare` allows the sample deviation that the plug-in named in REFERENCE may show
// between platforms (compare.h), prints what differs, and exits with 1 if anything does.
#include "compare.h"
#include "plugin_host.h"
#include "report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fputs("usage: fxreport write PLUGIN OUT.txt\n"
               "       fxreport compare REFERENCE.txt OTHER.txt\n",
               stderr);
    return 2;
}

bool readLines(const char* path, std::vector<std::string>& lines) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return true;
}

int write(const char* pluginPath, const char* outPath) {
    std::FILE* out = std::fopen(outPath, "wb");
    if (!out) {
        std::fprintf(stderr, "fxreport: cannot write %s\n", outPath);
        return 1;
    }
    try {
        fxcheck::writeReport(pluginPath, out);
    } catch (const fxhost::LoadError& e) {
        std::fprintf(stderr, "fxreport: %s\n", e.what());
        std::fclose(out);
        return 1;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

int compare(const char* referencePath, const char* otherPath) {
    std::vector<std::string> reference, other;
    for (auto [path, lines] : {std::pair{referencePath, &reference}, {otherPath, &other}}) {
        if (!readLines(path, *lines) || lines->empty()) {
            std::fprintf(stderr, "fxreport: cannot read %s\n", path);
            return 1;
        }
    }
    const std::string header = reference.front();
    const std::string name = header.substr(header.rfind(' ') + 1);
    const int allowance = fxcheck::sampleAllowance(name);
    const fxcheck::Comparison result = fxcheck::compareReports(reference, other, allowance);
    for (const std::string& difference : result.differences)
        std::fprintf(stderr, "%s: %s\n", otherPath, difference.c_str());
    std::printf("%s: %s; %ld samples differ, by at most %.2f units in the last place of the "
                "peak (allowed %d)\n",
                name.c_str(), result.same ? "matches" : "DIFFERS", result.differingSamples,
                result.largestDeviation, allowance);
    return result.same ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    // A report loads the plug-in many times; notices would only repeat themselves.
    setenv("FX_MESSAGE_BOX", "off", 0);
    if (argc == 4 && std::strcmp(argv[1], "write") == 0) return write(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "compare") == 0) return compare(argv[2], argv[3]);
    return usage();
}
