#pragma once
// The alarm's outputs on the desktop: AlarmFile opened as the desktop opens
// a document or program, the warning sound played without waiting, and the
// window flashed through the window manager's urgency hint.

#include "monitor/ui/main/AlarmOutputs.h"

namespace monitor {

class SoundPlayer;

class DesktopAlarmOutputs : public AlarmOutputs {
public:
    // Both must outlive this object.
    DesktopAlarmOutputs(DocumentOpener& opener, SoundPlayer& sound) : m_opener(opener), m_sound(sound) {}

    OpenOutcome openAlarmFile(const std::string& file) override;
    void playSound(const std::string& soundFile) override;
    void flashWindow(MainDialog& window) override;

private:
    DocumentOpener& m_opener;
    SoundPlayer& m_sound;
};

} // namespace monitor
