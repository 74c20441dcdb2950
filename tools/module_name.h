#pragma once

#include <string>

// The name a plug-in goes by: its file name without folder and extension.
inline std::string moduleName(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}
