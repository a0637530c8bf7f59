#pragma once
// The alarm's ways to call attention: open AlarmFile, play a sound file
// without waiting, flash the window, and a notice on the desktop for as long
// as the alarm lasts.

#include "monitor/ui/desktop/DocumentOpener.h"

#include <string>

namespace monitor {

class MainDialog;

class AlarmOutputs {
public:
    virtual ~AlarmOutputs() = default;

    virtual OpenOutcome openAlarmFile(const std::string& file) = 0;
    virtual void playSound(const std::string& soundFile) = 0;
    virtual void flashWindow(MainDialog& window) = 0;
    // "Core 2: 91 °C (alarm at 90 °C)", shown until withdrawn.
    virtual void postNotice(const std::string& text) = 0;
    virtual void withdrawNotice() = 0;
};

} // namespace monitor
