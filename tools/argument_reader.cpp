#include "argument_reader.h"

#include "usage_error.h"

ArgumentReader::ArgumentReader(std::vector<std::string> arguments)
    : arguments(std::move(arguments)) {}

std::optional<Argument> ArgumentReader::next() {
    if (position == arguments.size()) return std::nullopt;
    Argument argument;
    argument.text = arguments[position++];
    if (!optionsEnded && argument.text == "--") {
        optionsEnded = true;
        return next();
    }
    // A lone "-" conventionally names a stream, and "-5" may be a value: both positional.
    const bool option =
        !optionsEnded && argument.text.size() > 2 && argument.text.compare(0, 2, "--") == 0;
    const bool shortOption = !optionsEnded && argument.text == "-h";
    if (!option && !shortOption) return argument;

    argument.isOption = true;
    const auto equals = argument.text.find('=');
    argument.optionName = argument.text.substr(0, equals);
    if (equals != std::string::npos) argument.inlineValue = argument.text.substr(equals + 1);
    return argument;
}

std::string ArgumentReader::valueOf(const Argument& option) {
    if (option.inlineValue) return *option.inlineValue;
    if (position == arguments.size()) throw UsageError(option.optionName + " needs a value");
    return arguments[position++];
}

void ArgumentReader::expectNoValue(const Argument& flag) {
    if (flag.inlineValue) throw UsageError(flag.optionName + " takes no value");
}
