#pragma once
// The alarm's outputs on the desktop: AlarmFile opened as the desktop opens
// a document or program, the warning sound played without waiting, and the
// window flashed through the window manager's urgency hint, and a critical
// notice on the desktop's notification service.

#include "monitor/ui/desktop/DesktopNotice.h"
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
    void postNotice(const std::string& text) override;
    void withdrawNotice() override;

private:
    DocumentOpener& m_opener;
    SoundPlayer& m_sound;
    DesktopNotice m_notice;
};

} // namespace monitor
