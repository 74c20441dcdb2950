// The two ways a command fails. A UsageError is about what the user typed and ends the
// program with exit code 2; any other exception is a failure while running (exit 1).
#pragma once

#include <stdexcept>

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
