#pragma once
// The alarm's outputs for the window tests: the files opened (answered with
// `outcome`), the sounds played and the flashes.

#include "monitor/ui/main/AlarmOutputs.h"

#include <string>
#include <vector>

namespace uitest {

class FakeAlarmOutputs : public monitor::AlarmOutputs {
public:
    std::vector<std::string> opened;
    std::vector<std::string> sounds;
    int flashes = 0;
    monitor::OpenOutcome outcome = monitor::OpenOutcome::Opened;

    monitor::OpenOutcome openAlarmFile(const std::string& file) override
    {
        opened.push_back(file);
        return outcome;
    }
    void playSound(const std::string& soundFile) override { sounds.push_back(soundFile); }
    void flashWindow(monitor::MainDialog&) override { ++flashes; }
    void postNotice(const std::string& text) override { notices.push_back(text); }
    void withdrawNotice() override { ++withdrawals; }
    std::vector<std::string> notices;
    int withdrawals = 0;
};

} // namespace uitest
