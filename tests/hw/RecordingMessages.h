#pragma once
// Records the messages that would have been shown.

#include "hw/Messages.h"

#include <string>
#include <vector>

namespace fake {

class RecordingMessages : public hw::Messages {
public:
    struct Shown {
        std::string caption;
        std::string text;
    };
    void showError(const std::string& caption, const std::string& text) override { shown.push_back({caption, text}); }
    std::vector<Shown> shown;
};

} // namespace fake
