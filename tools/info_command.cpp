// fxhost info PLUGIN: what a host learns about a plug-in once it has opened it.
#include "argument_reader.h"
#include "commands.h"
#include "module_name.h"
#include "plugin_host.h"
#include "printable_text.h"
#include "text_table.h"
#include "usage_error.h"

#include <cstdio>
#include <iostream>

namespace {

using Align = TextTable::Align;

std::string pluginPathFrom(const Arguments& arguments, bool& helpRequested) {
    std::vector<std::string> positional;
    ArgumentReader reader(arguments);
    while (const auto argument = reader.next()) {
        if (argument->optionName == "--help" || argument->optionName == "-h")
            helpRequested = true;
        else if (argument->isOption)
            throw UsageError("info: unknown option '" + argument->optionName + "'");
        else
            positional.push_back(argument->text);
    }
    if (helpRequested) return {};
    if (positional.empty()) throw UsageError("info needs PLUGIN (fxhost --help shows the usage)");
    if (positional.size() > 1)
        throw UsageError("info: unexpected argument '" + positional[1] + "'");
    return positional[0];
}

std::string identifierText(std::int32_t id) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(id));
    return fxhost::fourCharText(id) + " (" + hex + ")";
}

std::string valueText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(value));
    return text;
}

void printSummary(fxhost::Plugin& plugin) {
    std::cout << latin1ToUtf8(moduleName(plugin.path())) << "  (" << latin1ToUtf8(plugin.path())
              << ")\n";
    const AEffect& record = plugin.record();
    TextTable table({Align::left, Align::left});
    table.addRow({"identifier", identifierText(plugin.uniqueId())});
    table.addRow({"version", std::to_string(record.version)});
    table.addRow({"inputs", std::to_string(plugin.numInputs())});
    table.addRow({"outputs", std::to_string(plugin.numOutputs())});
    table.addRow({"flags", fxhost::flagNames(plugin.flags())});
    table.addRow({"latency", std::to_string(record.initialDelay) + " samples"});
    table.print(std::cout);
}

// Every program's name: a host reads a name by selecting the program, so each is
// selected in turn and the current one restored at the end.
void printPrograms(fxhost::Plugin& plugin) {
    const int count = plugin.numPrograms();
    const int current = plugin.program();
    std::cout << "\nprograms: " << count << "\n";
    if (count == 0) return;
    TextTable table({Align::right, Align::left, Align::left});
    table.addRow({"#", "name", ""});
    for (int program = 0; program < count; ++program) {
        plugin.setProgram(program);
        table.addRow({std::to_string(program), std::string(trimmed(plugin.programName())),
                      program == current ? "(current)" : ""});
    }
    plugin.setProgram(current);
    table.print(std::cout);
}

// Read before the programs are walked through, so the values are those the plug-in had.
TextTable parameterTable(fxhost::Plugin& plugin) {
    TextTable table({Align::right, Align::left, Align::left, Align::right, Align::right});
    table.addRow({"#", "name", "label", "display", "value"});
    for (int index = 0; index < plugin.numParams(); ++index) {
        table.addRow({std::to_string(index), std::string(trimmed(plugin.parameterName(index))),
                      std::string(trimmed(plugin.parameterLabel(index))),
                      std::string(trimmed(plugin.parameterDisplay(index))),
                      valueText(plugin.parameter(index))});
    }
    return table;
}

} // namespace

int runInfo(const Arguments& arguments) {
    bool helpRequested = false;
    const std::string path = pluginPathFrom(arguments, helpRequested);
    if (helpRequested) {
        std::cout << kUsage;
        return 0;
    }
    const auto plugin = fxhost::Plugin::load(path);
    plugin->open();
    const TextTable parameters = parameterTable(*plugin);
    printSummary(*plugin);
    printPrograms(*plugin);
    std::cout << "\nparameters: " << plugin->numParams() << "\n";
    if (plugin->numParams() > 0) parameters.print(std::cout);
    return 0;
}
