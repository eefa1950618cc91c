// The one way glowmarsh-render fails: a message that names the file or flag,
// and the class of failure, which becomes the exit code.
#pragma once

#include <stdexcept>
#include <string>

namespace render {

// Exit codes, one per class of failure.
enum class ExitCode : int {
    success = 0,
    internal = 1,    // anything unforeseen
    usage = 2,       // the command line is wrong
    inputFile = 3,   // an input file (audio or preset) is missing, unreadable or unsuitable
    plugin = 4,      // the plug-in cannot be loaded or cannot do what was asked
    outputFile = 5,  // an output file (audio or preset) cannot be written
};

class RenderError : public std::runtime_error {
public:
    RenderError(ExitCode code, const std::string& message) : std::runtime_error(message), exitCode(code) {}
    // Why the render stopped, as the process's exit code.
    ExitCode code() const { return exitCode; }

private:
    ExitCode exitCode;
};

[[noreturn]] inline void fail(ExitCode code, const std::string& message) {
    throw RenderError(code, message);
}

}  // namespace render
