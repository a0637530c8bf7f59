#pragma once
// Start-up messages of the benchmarks' monitors: on standard error, not in a
// message box.

#include "hw/Messages.h"

#include <cstdio>
#include <string>

namespace seam_bench {

class StderrMessages : public hw::Messages {
public:
    void showError(const std::string& caption, const std::string& text) override
    {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

} // namespace seam_bench
