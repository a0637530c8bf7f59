// MainDialog: the caption of the temperature frame, and its unit.

#include "monitor/ui/main/MainDialog.h"

#include "monitor/ui/main/MainDialogTemplate.h"

namespace monitor {

namespace {

// The Skull value of the second package's slots 6 and 7, which keeps the plain heading.
constexpr int HalfPackageSkull = 3;
// Skull values above this count as 0 when the heading is made again after the settings.
constexpr int LargestSkull = 2;

} // namespace

QString MainDialog::temperatureHeading(const std::string& unitText, int skull)
{
    if (skull != 0 && skull != HalfPackageSkull)
        return QStringLiteral("Temperature (%1) - CPU %2").arg(QString::fromStdString(unitText)).arg(skull);
    return QStringLiteral("Temperature (%1)").arg(QString::fromStdString(unitText));
}

void MainDialog::followTemperatureUnit()
{
    const MonitorSettings& s = settings();
    if (!m_records.running() || s.Fahrenheit == m_extremesFahrenheit)
        return;
    m_extremesFahrenheit = s.Fahrenheit;
    const int skull = s.Skull > LargestSkull ? 0 : s.Skull;
    setHeadingText(IDC_TEMPERATURE_FRAME, temperatureHeading(s.unitText, skull));
    m_records.readings->ResetRunTimer();
    m_records.cycle->reset();
}

} // namespace monitor
