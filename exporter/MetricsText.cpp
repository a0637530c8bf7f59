#include "exporter/MetricsText.h"

#include "registers/MsrIndex.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace exporter {
namespace {

namespace therm = msr::therm_status;

struct ThermalFlag {
    const char* name;
    msr::Field field;
};

// The status bits of IA32_THERM_STATUS, as the flag label names them.
constexpr ThermalFlag ThermalFlags[] = {
    {"thermal", therm::ThermalStatus},       {"thermal_log", therm::ThermalStatusLog},
    {"prochot", therm::ProchotStatus},       {"prochot_log", therm::ProchotLog},
    {"critical", therm::CriticalStatus},     {"critical_log", therm::CriticalStatusLog},
    {"power_limit", therm::PowerLimitStatus}, {"power_limit_log", therm::PowerLimitLog},
};

std::string number(double value)
{
    char text[32];
    auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : "NaN";
}

// Writes families one after another: the HELP and TYPE lines, then its
// values; a family without values is left out.
class FamilyWriter {
public:
    explicit FamilyWriter(std::string& out) : m_out(out) {}

    void begin(const char* name, const char* type, const char* help)
    {
        m_name = name;
        m_header = std::string("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    }
    // `labels` is empty or a list of name="value" pairs without the braces.
    void value(const std::string& labels, double v)
    {
        m_out += m_header;
        m_header.clear();
        m_out += m_name;
        if (!labels.empty())
            m_out += '{' + labels + '}';
        m_out += ' ' + number(v) + '\n';
    }

private:
    std::string& m_out;
    std::string m_name;
    std::string m_header;
};

std::string label(const char* name, const std::string& value)
{
    return std::string(name) + "=\"" + escapeLabelValue(value) + '"';
}

std::string coreLabels(const ExporterSample&, const CoreFigures& core)
{
    std::string labels = label("package", std::to_string(core.package)) + ',' +
                         label("core", std::to_string(core.slot)) + ',' + label("cpu", std::to_string(core.cpu));
    if (!core.coreType.empty())
        labels += ',' + label("core_type", core.coreType);
    return labels;
}

void writeCores(FamilyWriter& w, const ExporterSample& s)
{
    w.begin("ostrel_core_temperature_celsius", "gauge", "Core temperature from the digital thermal sensor.");
    for (const CoreFigures& core : s.cores)
        w.value(coreLabels(s, core), core.temperatureCelsius);
    w.begin("ostrel_core_distance_to_tjmax_celsius", "gauge", "Degrees below TjMax, as the thermal sensor reads them.");
    for (const CoreFigures& core : s.cores)
        w.value(coreLabels(s, core), core.distanceToTjMax);
    w.begin("ostrel_core_tjmax_celsius", "gauge", "TjMax of the core, the temperature the sensor counts down from.");
    for (const CoreFigures& core : s.cores)
        w.value(coreLabels(s, core), core.tjMaxCelsius);
    w.begin("ostrel_core_thermal_flag", "gauge",
            "Status bits of IA32_THERM_STATUS: 1 set, 0 clear; the _log flags are sticky.");
    for (const CoreFigures& core : s.cores)
        for (const ThermalFlag& flag : ThermalFlags)
            w.value(coreLabels(s, core) + ',' + label("flag", flag.name), flag.field.test(core.thermStatus) ? 1 : 0);

    if (s.cores.empty())
        return;
    int hottest = s.cores.front().temperatureCelsius;
    for (const CoreFigures& core : s.cores)
        hottest = std::max(hottest, core.temperatureCelsius);
    const std::string package = label("package", std::to_string(s.package));
    w.begin("ostrel_hottest_core_temperature_celsius", "gauge", "Temperature of the hottest core.");
    w.value(package, hottest);
    w.begin("ostrel_alarm_threshold_celsius", "gauge", "The alarm temperature of the hottest core.");
    w.value(package, s.alarmCelsius);
    w.begin("ostrel_alarm_active", "gauge", "1 while the hottest core is at or above the alarm temperature.");
    w.value(package, hottest >= s.alarmCelsius ? 1 : 0);
}

void writeCpus(FamilyWriter& w, const ExporterSample& s)
{
    w.begin("ostrel_cpu_frequency_hertz", "gauge", "Effective clock of the logical CPU over the last interval.");
    for (const CpuFigures& cpu : s.cpus)
        if (cpu.frequencyHz)
            w.value(label("cpu", std::to_string(cpu.cpu)), *cpu.frequencyHz);
    w.begin("ostrel_cpu_effective_multiplier", "gauge", "Effective multiplier of the logical CPU over the last interval.");
    for (const CpuFigures& cpu : s.cpus)
        w.value(label("cpu", std::to_string(cpu.cpu)), cpu.multiplier);
    w.begin("ostrel_cpu_c0_ratio", "gauge", "Share of the last interval the logical CPU spent in C0, 0 to 1.");
    for (const CpuFigures& cpu : s.cpus)
        w.value(label("cpu", std::to_string(cpu.cpu)), cpu.c0Ratio);
}

void writePackageAndGpus(FamilyWriter& w, const ExporterSample& s)
{
    const std::string package = label("package", std::to_string(s.package));
    if (s.packageWatts) {
        w.begin("ostrel_package_power_watts", "gauge", "Package power from the energy counter over the last interval.");
        w.value(package, *s.packageWatts);
    }
    if (s.packageJoules) {
        w.begin("ostrel_package_energy_joules_total", "counter", "Package energy since the exporter started.");
        w.value(package, *s.packageJoules);
    }
    if (!s.gpus.empty()) {
        w.begin("ostrel_gpu_temperature_celsius", "gauge", "Temperature of the hottest GPU of each kind.");
        for (const GpuFigure& gpu : s.gpus)
            w.value(label("gpu", gpu.gpu), gpu.temperatureCelsius);
    }
}

void writeExporter(FamilyWriter& w, const ExporterSample& s)
{
    char signature[16];
    std::snprintf(signature, sizeof signature, "0x%05X", s.signature);
    w.begin("ostrel_processor_info", "gauge", "The processor sampled; always 1.");
    w.value(label("model", s.model) + ',' + label("signature", signature), 1);
    w.begin("ostrel_exporter_samples_total", "counter", "Samples taken since the exporter started.");
    w.value("", static_cast<double>(s.samples));
    w.begin("ostrel_exporter_sample_duration_seconds", "gauge", "How long the last sample took.");
    w.value("", s.sampleSeconds);
    w.begin("ostrel_exporter_sample_duration_seconds_total", "counter", "How long all samples took together.");
    w.value("", s.sampleSecondsTotal);
    w.begin("ostrel_exporter_errors_total", "counter", "Failures since the exporter started, by kind.");
    w.value(label("kind", "core_unread"), static_cast<double>(s.errors.coreUnread));
    w.value(label("kind", "textfile_write"), static_cast<double>(s.errors.textfileWrite));
}

} // namespace

std::string escapeLabelValue(const std::string& value)
{
    std::string escaped;
    for (char c : value) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '"')
            escaped += "\\\"";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

std::string metricsText(const ExporterSample& sample)
{
    std::string out;
    FamilyWriter writer(out);
    writeCores(writer, sample);
    writeCpus(writer, sample);
    writePackageAndGpus(writer, sample);
    writeExporter(writer, sample);
    return out;
}

} // namespace exporter
