#pragma once

#include <string>
#include <utility>

namespace monitor {

// Outcome of writing a settings file, and when it failed, what went wrong:
// the file, why, and what to do about it. Callers of the settings writers may
// ignore it: a file that cannot be written is simply left as it was.
struct WriteResult {
    enum Outcome { Written, Failed };

    WriteResult(Outcome result = Written, std::string why = {}) : outcome(result), problem(std::move(why)) {}
    bool operator==(Outcome other) const { return outcome == other; }

    Outcome outcome;
    std::string problem;
};

} // namespace monitor
