// Walks a command's arguments: options are "--name VALUE" or "--name=VALUE" and may come
// anywhere among the positional arguments; after "--" everything is positional.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct Argument {
    std::string text;                       // as typed
    bool isOption = false;                  // "--name" or "--name=value"
    std::string optionName;                 // "--name", without any "=value"
    std::optional<std::string> inlineValue; // the part after '='
};

class ArgumentReader {
public:
    explicit ArgumentReader(std::vector<std::string> arguments);

    // The next argument, or nothing at the end.
    std::optional<Argument> next();

    // The value of an option just read: its inline value or else the next argument.
    // Throws UsageError when there is none.
    std::string valueOf(const Argument& option);
    // Throws UsageError when a flag was given a value ("--replacing=yes").
    static void expectNoValue(const Argument& flag);

private:
    std::vector<std::string> arguments;
    std::size_t position = 0;
    bool optionsEnded = false;
};
