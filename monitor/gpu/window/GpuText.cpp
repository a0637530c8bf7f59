#include "monitor/gpu/window/GpuText.h"

#include "monitor/sampling/TemperatureFormula.h"
#include "platform/CFormat.h"

namespace monitor {

int gpuDisplayTemperature(const MonitorSettings& settings, int celsius)
{
    return settings.Fahrenheit ? celsiusToFahrenheit(celsius) : celsius;
}

QString gpuDateText(const std::tm& time) { return QString::fromStdString(platform::cstrftime("%m/%d/%Y", time)); }

QString gpuClockText(const std::tm& time) { return QString::fromStdString(platform::cstrftime("%X", time)); }

QString withUnitCaption(const char* heading, const MonitorSettings& settings)
{
    return QStringLiteral("%1 (%2)").arg(QLatin1String(heading), QString::fromStdString(settings.unitText));
}

} // namespace monitor
