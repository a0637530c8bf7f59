#include "exporter/MetricsText.h"

#include "registers/MsrIndex.h"

#include <gtest/gtest.h>

namespace exporter {
namespace {

bool hasLine(const std::string& text, const std::string& line)
{
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

ExporterSample twoCores()
{
    ExporterSample s;
    s.model = "Core \"i7\"\\2600K";
    s.signature = 0x206A7;
    s.alarmCelsius = 70;
    CoreFigures hot{0, 0, "P", 71, 27, 98, 0};
    hot.thermStatus = msr::therm_status::ProchotLog.set(msr::therm_status::PowerLimitStatus.set(0, 1), 1);
    s.cores = {hot, CoreFigures{1, 2, "", 60, 38, 98, 0}};
    return s;
}

TEST(MetricsText, CoresCarryTheirLabelsFlagsAndTheAlarm)
{
    const std::string text = metricsText(twoCores());
    const char* lines[] = {
        "ostrel_core_temperature_celsius{package=\"0\",core=\"0\",cpu=\"0\",core_type=\"P\"} 71",
        "ostrel_core_distance_to_tjmax_celsius{package=\"0\",core=\"1\",cpu=\"2\"} 38",
        "ostrel_core_thermal_flag{package=\"0\",core=\"0\",cpu=\"0\",core_type=\"P\",flag=\"prochot_log\"} 1",
        "ostrel_core_thermal_flag{package=\"0\",core=\"0\",cpu=\"0\",core_type=\"P\",flag=\"power_limit\"} 1",
        "ostrel_core_thermal_flag{package=\"0\",core=\"0\",cpu=\"0\",core_type=\"P\",flag=\"prochot\"} 0",
        "ostrel_core_thermal_flag{package=\"0\",core=\"1\",cpu=\"2\",flag=\"power_limit\"} 0",
        "ostrel_hottest_core_temperature_celsius{package=\"0\"} 71",
        "ostrel_alarm_active{package=\"0\"} 1",
        "ostrel_processor_info{model=\"Core \\\"i7\\\"\\\\2600K\",signature=\"0x206A7\"} 1",
    };
    for (const char* line : lines)
        EXPECT_TRUE(hasLine(text, line)) << line << "\nin\n" << text;
}

TEST(MetricsText, FamiliesWithoutValuesAreLeftOut)
{
    ExporterSample s = twoCores();
    s.cpus = {CpuFigures{0, std::nullopt, 34.0, 0.25}};
    const std::string text = metricsText(s);
    EXPECT_EQ(text.find("ostrel_cpu_frequency_hertz"), std::string::npos);
    EXPECT_EQ(text.find("ostrel_package_"), std::string::npos);
    EXPECT_EQ(text.find("ostrel_gpu_"), std::string::npos);
    EXPECT_TRUE(hasLine(text, "# TYPE ostrel_cpu_c0_ratio gauge"));
    EXPECT_TRUE(hasLine(text, "ostrel_cpu_c0_ratio{cpu=\"0\"} 0.25"));

    s.cores.clear();
    EXPECT_EQ(metricsText(s).find("ostrel_alarm_active"), std::string::npos);
}

} // namespace
} // namespace exporter
