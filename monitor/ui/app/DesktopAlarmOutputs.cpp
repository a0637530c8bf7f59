#include "monitor/ui/app/DesktopAlarmOutputs.h"

#include "monitor/ui/main/MainDialog.h"
#include "monitor/ui/desktop/SoundPlayer.h"

#include <QApplication>

namespace monitor {

OpenOutcome DesktopAlarmOutputs::openAlarmFile(const std::string& file)
{
    return m_opener.open(file);
}

void DesktopAlarmOutputs::playSound(const std::string& soundFile)
{
    m_sound.play(soundFile);
}

void DesktopAlarmOutputs::flashWindow(MainDialog& window)
{
    QApplication::alert(&window);
}

void DesktopAlarmOutputs::postNotice(const std::string& text)
{
    m_notice.post(QStringLiteral("Temperature alarm"), QString::fromStdString(text));
}

void DesktopAlarmOutputs::withdrawNotice() { m_notice.withdraw(); }

} // namespace monitor
