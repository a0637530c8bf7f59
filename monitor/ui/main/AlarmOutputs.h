#pragma once
// The alarm's ways to call attention: open AlarmFile, play a sound file
// without waiting, flash the window.

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
};

} // namespace monitor
