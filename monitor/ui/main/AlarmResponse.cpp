// MainDialog: what the window does while a core is in alarm.

#include "monitor/ui/main/MainDialog.h"

#include "dialog/MessageBoxStyle.h"
#include "monitor/ui/main/AlarmOutputs.h"

#include <QApplication>

namespace monitor {

void MainDialog::handleAlarm()
{
    const SampleSet& samples = m_records.cycle->samples();
    // One desktop notice an episode: from the first tick in alarm until
    // the first tick without.
    if (m_parts.alarm && samples.alarmThisTick != m_alarmNoticeShown) {
        m_alarmNoticeShown = samples.alarmThisTick;
        if (m_alarmNoticeShown)
            m_parts.alarm->postNotice(samples.alarmText);
        else
            m_parts.alarm->withdrawNotice();
    }
    if (!samples.alarmThisTick)
        return;
    if (!m_alarmLatched)
        raiseAlarm();
    if (m_parts.alarm)
        m_parts.alarm->flashWindow(*this);
    else
        QApplication::alert(this);
    if (samples.tickCount % WarningSoundTicks == 0 && m_parts.alarm)
        m_parts.alarm->playSound(WarningSoundFile);
}

void MainDialog::raiseAlarm()
{
    // Once per alarm period; the Settings window's OK starts a new one.
    restoreWindow();
    m_alarmLatched = true;
    const std::string& file = settings().AlarmFile;
    if (file.empty() || !m_parts.alarm)
        return;
    if (m_parts.alarm->openAlarmFile(file) == OpenOutcome::FileNotFound) {
        const QString text =
            QStringLiteral("Alarm file not found.\n\n") + QString::fromStdString(file) + QStringLiteral("   ");
        services().messageBox(this, text, QStringLiteral("Error"), dialog::MB_OK | dialog::MB_ICONERROR);
    }
}

} // namespace monitor
