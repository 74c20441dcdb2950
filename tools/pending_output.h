// A file written under a temporary name beside its destination and renamed there only
// when complete, so that a failed or interrupted run leaves no partial file behind.
#pragma once

#include <string>

class PendingOutput {
public:
    // Creates the temporary file in the destination's folder. Throws std::runtime_error.
    explicit PendingOutput(std::string destination);
    // Removes the temporary file unless it was committed.
    ~PendingOutput();

    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    const std::string& destination() const { return destinationPath; }
    const std::string& temporaryPath() const { return temporary; }

    // Hands the open descriptor to a writer that closes it itself.
    int releaseDescriptor();
    // Gives the file the usual permissions and moves it to its destination.
    void commit();

private:
    std::string destinationPath;
    std::string temporary;
    int descriptor = -1;
    bool committed = false;
};
