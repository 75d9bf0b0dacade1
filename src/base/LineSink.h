#pragma once
// Where report lines go: a text file (each line ended by CR LF) or a printer job.
// Core writers produce lines; the destination decides how they are stored.

#include <string>

namespace kinetra {

class LineSink {
public:
    virtual ~LineSink() = default;
    // One report line, without its line end. May throw RuntimeFailure.
    virtual void writeLine(const std::string& line) = 0;
};

}  // namespace kinetra
